// Benchmark: the month-end outputs over the benchmark installation (2,000 owners,
// 1,000,000 collections), through the batch entry without the print program: the report
// alone, then with the CSV export, with the XLSX export, and with all 2,000 statements.
// The four runs take turns, four rounds of them, and the fastest of each counts, in
// elapsed time and in processor time, so that a busy spell of a shared machine weighs on
// all four alike. Prints the times,
// what the export adds to the report's own time, and what the statements take beyond
// the report.
// Usage: bench_month_end [work directory]: a given directory is kept, and data files
// already in it are used again.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/batch.h"
#include "bench_installation.h"
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

struct Timing {
  double elapsed = 1e9;
  double cpu = 1e9;
};

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path dir = argc > 1 ? fs::path(argv[1])
                                : fs::temp_directory_path() /
                                      ("bench_month_end_" + std::to_string(::getpid()));
  const bool reuse = argc > 1 && fs::exists(dir / "DADES" / "PagamV.dat");
  if (!reuse) fs::remove_all(dir);
  const std::string root = dir.string() + "/";
  if (!PrepareInstallation(root, reuse)) {
    std::cerr << "bench_month_end: could not write the data files under " << root << "\n";
    return 1;
  }
  Session session;
  session.RootDir = root;
  session.TempDir = root + "TMP/";
  session.ExeDir = root + "EXE/";
  session.Output = "PANTALLA";
  session.Language = "CAT";
  FixedClock clock(CalendarDate{2026, 12, 31});
  const std::string out = root + "OUT";
  fs::create_directories(out);

  int failures = 0;
  const BatchRequest report{"31/12/2026", "1", "9999", false};
  BatchRequest csv = report, xlsx = report, statements = report;
  csv.Export = out + "/month.csv";
  xlsx.Export = out + "/month.xlsx";
  statements.Statements = out;
  const BatchRequest* runs[4] = {&report, &csv, &xlsx, &statements};
  Timing best[4];
  for (int round = 0; round < 4; ++round) {
    for (int k = 0; k < 4; ++k) {
      const auto start = std::chrono::steady_clock::now();
      const double cpu = CpuSeconds();
      if (RunBatchReport(session, *runs[k], clock, std::cerr) != 0) ++failures;
      best[k].elapsed = std::min(best[k].elapsed, Seconds(start));
      best[k].cpu = std::min(best[k].cpu, CpuSeconds() - cpu);
    }
  }
  const Timing& report_time = best[0];
  const Timing& csv_time = best[1];
  const Timing& xlsx_time = best[2];
  const Timing& statements_time = best[3];
  size_t pdfs = 0;
  uintmax_t pdf_bytes = 0;
  for (const auto& entry : fs::directory_iterator(out + "/2026-12")) {
    if (entry.path().extension() == ".pdf") {
      ++pdfs;
      pdf_bytes += entry.file_size();
    }
  }
  std::error_code error;
  auto added = [&](const Timing& t) {
    char text[96];
    std::snprintf(text, sizeof text, "adds %.1f %% elapsed, %.1f %% processor",
                  100.0 * (t.elapsed - report_time.elapsed) / report_time.elapsed,
                  100.0 * (t.cpu - report_time.cpu) / report_time.cpu);
    return std::string(text);
  };
  std::printf("report alone:         %.3f s elapsed, %.3f s processor\n", report_time.elapsed,
              report_time.cpu);
  std::printf("report + CSV export:  %.3f s elapsed, %.3f s processor (%s; %ju bytes)\n",
              csv_time.elapsed, csv_time.cpu, added(csv_time).c_str(),
              static_cast<uintmax_t>(fs::file_size(csv.Export, error)));
  std::printf("report + XLSX export: %.3f s elapsed, %.3f s processor (%s; %ju bytes)\n",
              xlsx_time.elapsed, xlsx_time.cpu, added(xlsx_time).c_str(),
              static_cast<uintmax_t>(fs::file_size(xlsx.Export, error)));
  std::printf("report + statements:  %.3f s elapsed, %.3f s processor (%zu statements, "
              "%.3f s elapsed and %.3f s processor beyond the report; %ju bytes)\n",
              statements_time.elapsed, statements_time.cpu, pdfs,
              statements_time.elapsed - report_time.elapsed,
              statements_time.cpu - report_time.cpu, pdf_bytes);
  if (argc <= 1) fs::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
