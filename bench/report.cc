// Benchmark: one full carry-over report over a large synthetic installation (2,000
// owners with 10 property entries each, 9,999 properties, 50,000 units, 1,000,000
// collections, 100,000 payments), run through the batch entry without the print
// program. Prints the time to build the data, the time of the report and the peak
// memory. Usage: bench_report [work directory]: a given directory is kept, and data
// files already in it are used again.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "../tests/report/data_writer.h"
#include "pg_bench_server.h"
#include "platform/btrieve/btrieve.h"
#include "app/batch.h"
#include "core/session.h"
#include "platform/clock.h"

namespace {

using namespace orb;
using namespace orb::testing;

constexpr int kOwners = 2000;
constexpr int kEntriesPerOwner = 10;
constexpr int kProperties = 9999;
constexpr int kUnits = 50000;
constexpr int kCollections = 1000000;
constexpr int kPayments = 100000;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Date(int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "2026%02d%02d", month, day);
  return PackedDate(text);
}

bool BuildInstallation(const std::string& root) {
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  {
    DataFileWriter owners(root, RecordKind::kOwners);
    for (int o = 1; o <= kOwners; ++o) {
      std::vector<OwnerEntry> entries;
      for (int j = 0; j < kEntriesPerOwner; ++j) {
        const int property = (o - 1) * 5 + j;  // every property belongs to about two
        entries.push_back({PackedCode(property % kProperties + 1),
                           static_cast<int16_t>(property % 7 == 0)});
      }
      const char* tax = (o % 3 == 0) ? "ESB12345678" : "ES12345678Z";
      owners.Insert(OwnerImage(PackedCode(o), "OWNER " + std::to_string(o), tax, entries));
    }
    if (owners.Close() != 0) return false;
  }
  {
    DataFileWriter properties(root, RecordKind::kProperties);
    for (int p = 1; p <= kProperties; ++p) {
      properties.Insert(PropertyImage(PackedCode(p), "PROPERTY " + std::to_string(p),
                                      4.0f + static_cast<float>(p % 5), (p % 4) * 500,
                                      (p % 6 == 0) ? 3000 : 0));
    }
    if (properties.Close() != 0) return false;
  }
  // Units in key order: property, then unit; 50,000 over 9,999 properties.
  std::vector<std::string> unit_keys;
  {
    DataFileWriter units(root, RecordKind::kUnits);
    const int per_property = kUnits / kProperties;  // 5
    int extra = kUnits - per_property * kProperties;
    for (int p = 1; p <= kProperties; ++p) {
      const int count = per_property + (extra-- > 0 ? 1 : 0);
      for (int u = 1; u <= count; ++u) {
        const std::string unit = UnitImage(PackedCode(p), u);
        unit_keys.push_back(unit.substr(0, 4));
        units.Insert(unit);
      }
    }
    if (units.Close() != 0) return false;
  }
  {
    DataFileWriter collections(root, RecordKind::kCollections);
    const int per_unit = kCollections / static_cast<int>(unit_keys.size());  // 20
    for (const std::string& unit : unit_keys) {
      for (int c = 0; c < per_unit; ++c) {
        const int month = c * 12 / per_unit + 1;
        const int day = 1 + c % 28;
        const uint32_t r = next();
        const char kind = "CCCCIX"[r % 6];
        const char state = (r >> 4) % 4 == 0 ? 'L' : 'P';
        collections.Insert(CollectionImage(unit, Date(month, day), 40000 + r % 50000, kind,
                                           (r >> 8) % 3 == 0 ? 1000 : 0, (r >> 12) % 500,
                                           state));
      }
    }
    if (collections.Close() != 0) return false;
  }
  {
    DataFileWriter payments(root, RecordKind::kPayments);
    const int per_property = kPayments / kProperties;  // 10
    int extra = kPayments - per_property * kProperties;
    for (int p = 1; p <= kProperties; ++p) {
      const int count = per_property + (extra-- > 0 ? 1 : 0);
      for (int k = 0; k < count; ++k) {
        const uint32_t r = next();
        payments.Insert(PaymentImage(PackedCode(p), Date(k % 12 + 1, 1 + k % 28),
                                     5000 + r % 90000, r % 5 == 0 ? 'L' : 'P'));
      }
    }
    if (payments.Close() != 0) return false;
  }
  return true;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path dir = argc > 1 ? fs::path(argv[1])
                                : fs::temp_directory_path() /
                                      ("bench_report_" + std::to_string(::getpid()));
  // ORB_BENCH_POSTGRES: the data files on that server instead (see pg_bench_server.h).
  orb::bench::BenchServer server;
  const bool reuse = argc > 1 && server.Conninfo().empty() &&
                     fs::exists(dir / "DADES" / "PagamV.dat");
  if (!reuse) fs::remove_all(dir);
  for (const char* sub : {"DADES", "ddf", "TMP", "EXE", "FORMS"}) fs::create_directories(dir / sub);
  // The batch entry checks the typed selection against the form's fields.
  fs::copy_file(fs::path(ORB_SOURCE_DIR) / "demo" / "FORMS" / "RPTCARRY.OPN",
                dir / "FORMS" / "RPTCARRY.OPN", fs::copy_options::overwrite_existing);
  const std::string root = dir.string() + "/";
  std::ofstream(dir / "Vora.ini", std::ios::binary)
      << "[Iva0]\r\nHonoraris=21\r\nSuplerts=21\r\n[Iva1]\r\nHonoraris=10\r\nSuplerts=10\r\n"
         "[Ret0]\r\nHonoraris=15\r\n[Ret1]\r\nHonoraris=15\r\n"
         "[Titular]\r\nNom=GESTIO BENCH\r\nNIF=ES40123456H\r\n";

  BtrSettings settings;
  settings.server = server.Conninfo();
  settings.root = root;
  settings.prepare_database = true;
  BtrConfigure(settings);
  auto start = std::chrono::steady_clock::now();
  if (!reuse && !BuildInstallation(root)) {
    std::cerr << "bench_report: could not write the data files under " << root << "\n";
    return 1;
  }
  const double build_seconds = Seconds(start);

  Session session;
  session.RootDir = root;
  session.TempDir = root + "TMP/";
  session.ExeDir = root + "EXE/";
  session.Output = "PANTALLA";
  session.Language = "CAT";
  session.DataServer = server.Conninfo();
  FixedClock clock(CalendarDate{2026, 12, 31});
  BatchRequest request{"31/12/2026", "1", "9999", false};

  start = std::chrono::steady_clock::now();
  const double cpu_before = CpuSeconds();
  const int exit_code = RunBatchReport(session, request, clock, std::cerr);
  const double report_seconds = Seconds(start);
  const double report_cpu = CpuSeconds() - cpu_before;
  std::error_code error;
  const auto print_size = fs::file_size(dir / "TMP" / "orbprint.tmp", error);

  std::printf("engine: %s%s\n", BtrDescribeEngine(server.Conninfo()).c_str(),
              server.DelayMs() ? (" through a proxy adding " + std::to_string(server.DelayMs()) +
                                  " ms per round trip").c_str() : "");
  std::printf("data: %d owners, %d properties, %d units, %d collections, %d payments\n",
              kOwners, kProperties, kUnits, kCollections, kPayments);
  std::printf("build data files: %.2f s\n", build_seconds);
  std::printf("report: %.3f s elapsed, %.3f s processor (exit code %d, print file %ju bytes)\n",
              report_seconds, report_cpu, exit_code, static_cast<uintmax_t>(print_size));
  std::printf("peak memory: %.1f MB\n", PeakKilobytes() / 1024.0);
  if (argc <= 1) fs::remove_all(dir);
  return exit_code;
}
