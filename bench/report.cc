// Benchmark: one full carry-over report over a large synthetic installation (2,000
// owners with 10 property entries each, 9,999 properties, 50,000 units, 1,000,000
// collections, 100,000 payments), run through the batch entry without the print
// program. Prints the time to build the data, the time of the report and the peak
// memory. On SQLite files it also times a raw scan of the records the report reads
// (straight through SQLite, no record manager: the collections and payments twice, the
// rest once, in key order, every column read as the engine reads it) and prints the
// report's time as a multiple of it. Both run ORB_BENCH_ROUNDS times (default 5),
// alternating, and the medians are printed: the machine may be busy with other work.
// Usage: bench_report [work directory]: a given directory is kept, and data files
// already in it are used again.
#include <sys/resource.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench_installation.h"
#include "pg_bench_server.h"
#include "platform/btrieve/btrieve.h"
#include "app/batch.h"
#include "core/session.h"
#include "platform/clock.h"

namespace {

using namespace orb;
using namespace orb::bench;

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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Steps once through key 0 of the SQLite data file at `path`, in key order, reading the
// key image, the position and the record bytes of every row and copying the record out,
// as the record manager must; returns the rows read (-1 when the file cannot be read).
long ScanFile(const std::string& path, uint64_t& checksum) {
  sqlite3* db = nullptr;
  long rows = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                      nullptr) == SQLITE_OK) {
    sqlite3_exec(db, "PRAGMA cache_size=-16384;PRAGMA mmap_size=1073741824", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT image, position, data FROM key0 ORDER BY image, position",
                           -1, &stmt, nullptr) == SQLITE_OK) {
      rows = 0;
      std::string record;
      while (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* image = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, 0));
        const int image_size = sqlite3_column_bytes(stmt, 0);
        const int64_t position = sqlite3_column_int64(stmt, 1);
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, 2));
        const int data_size = sqlite3_column_bytes(stmt, 2);
        record.assign(data, static_cast<size_t>(data_size));
        checksum += static_cast<uint64_t>(position) + (image_size > 0 ? image[0] : 0) +
                    static_cast<uint8_t>(record[0]);
        ++rows;
      }
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close_v2(db);
  return rows;
}

// The raw scan of the report's records; the rows read, -1 on a failure.
long RawScan(const std::string& root, uint64_t& checksum) {
  long rows = 0;
  for (const char* name : {"PropietV", "FinquesV", "DepartaV", "CobramV", "CobramV",
                           "PagamV", "PagamV"}) {
    const long n = ScanFile(root + "DADES/" + name + ".dat", checksum);
    if (n < 0) return -1;
    rows += n;
  }
  return rows;
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
  const std::string root = dir.string() + "/";

  BtrSettings settings;
  settings.server = server.Conninfo();
  settings.root = root;
  settings.prepare_database = true;
  BtrConfigure(settings);
  auto start = std::chrono::steady_clock::now();
  if (!PrepareInstallation(root, reuse)) {
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

  const char* rounds_text = std::getenv("ORB_BENCH_ROUNDS");
  const int rounds = std::max(1, rounds_text ? std::atoi(rounds_text) : 5);
  const bool sqlite = server.Conninfo().empty();
  std::vector<double> report_times, report_cpus, scan_times, scan_cpus;
  int exit_code = 0;
  long scan_rows = 0;
  uint64_t checksum = 0;
  for (int round = 0; round < rounds; ++round) {
    start = std::chrono::steady_clock::now();
    const double cpu_before = CpuSeconds();
    exit_code = RunBatchReport(session, request, clock, std::cerr);
    report_times.push_back(Seconds(start));
    report_cpus.push_back(CpuSeconds() - cpu_before);
    if (exit_code != 0) break;
    if (sqlite) {
      start = std::chrono::steady_clock::now();
      const double scan_cpu_before = CpuSeconds();
      scan_rows = RawScan(root, checksum);
      scan_times.push_back(Seconds(start));
      scan_cpus.push_back(CpuSeconds() - scan_cpu_before);
    }
  }
  const double report_seconds = Median(report_times);
  const double report_cpu = Median(report_cpus);
  std::error_code error;
  const auto print_size = fs::file_size(dir / "TMP" / "orbprint.tmp", error);

  std::printf("engine: %s%s\n", BtrDescribeEngine(server.Conninfo()).c_str(),
              server.DelayMs() ? (" through a proxy adding " + std::to_string(server.DelayMs()) +
                                  " ms per round trip").c_str() : "");
  std::printf("data: %d owners, %d properties, %d units, %d collections, %d payments\n",
              kOwners, kProperties, kUnits, kCollections, kPayments);
  std::printf("build data files: %.2f s\n", build_seconds);
  std::printf("report: %.3f s elapsed, %.3f s processor, medians of %zu rounds "
              "(exit code %d, print file %ju bytes)\n",
              report_seconds, report_cpu, report_times.size(), exit_code,
              static_cast<uintmax_t>(print_size));
  if (!scan_times.empty()) {
    const double scan_seconds = Median(scan_times);
    const double scan_cpu = Median(scan_cpus);
    std::printf("raw SQLite scan of the same records (%ld rows): %.3f s elapsed, %.3f s "
                "processor, medians of %zu rounds (checksum %ju)\n",
                scan_rows, scan_seconds, scan_cpu, scan_times.size(),
                static_cast<uintmax_t>(checksum));
    std::printf("report / raw scan: %.2f elapsed, %.2f processor\n",
                scan_seconds > 0 ? report_seconds / scan_seconds : 0.0,
                scan_cpu > 0 ? report_cpu / scan_cpu : 0.0);
  }
  std::printf("peak memory: %.1f MB\n", PeakKilobytes() / 1024.0);
  if (argc <= 1) fs::remove_all(dir);
  return exit_code;
}
