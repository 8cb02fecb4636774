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
#include <iostream>
#include <string>

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
