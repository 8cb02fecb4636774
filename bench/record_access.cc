// Reads 1,000,000 collections through the file table: one walk along key 0 with
// GetByKey and StepRecords, then random exact GetByKey reads. Prints the figures.
//   bench_record_access [RECORDS] [DIRECTORY]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/file_table.h"
#include "data/records.h"
#include "format/packed_digits.h"
#include "platform/btrieve/btrieve.h"

namespace {

using Clock = std::chrono::steady_clock;

class QuietMessages : public orb::DataMessages {
 public:
  void ShowMessage(int16_t, const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  void HideMessage() override {}
  void Beep() override {}
  void WaitForKey() override {}
  void EndProgram() override { std::exit(1); }
  void Sleep(int32_t) override {}
};

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Collection i: unit (property i / 1000 % 10000, unit i % 1000), a date of 2024.
std::string Collection(int64_t i) {
  std::string record(orb::CollectionRecord::kRecordLength, '\0');
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d%04d", static_cast<int>(i / 100 % 10000),
                static_cast<int>(i % 100));
  record.replace(0, 4, orb::PackDigits(digits));
  std::snprintf(digits, sizeof digits, "2024%02d%02d", static_cast<int>(i % 12 + 1),
                static_cast<int>(i % 28 + 1));
  record.replace(4, 4, orb::PackDigits(digits));
  orb::StoreInt32(reinterpret_cast<uint8_t*>(record.data()) + 13, static_cast<int32_t>(i));
  record[38] = 'P';
  return record;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t count = argc > 1 ? std::atoll(argv[1]) : 1000000;
  namespace fs = std::filesystem;
  const fs::path dir =
      argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "orb_bench_record_access";
  fs::remove_all(dir);
  fs::create_directories(dir / "DADES");
  fs::create_directories(dir / "ddf");
  const orb::RecordKindInfo& kind = *orb::FindRecordKind("collections");
  std::ofstream(dir / "ddf" / "CobramV.xdf", std::ios::binary) << orb::DictionaryBytes(kind);

  orb::Session session;
  session.RootDir = dir.string() + "/";
  QuietMessages messages;
  orb::FileTable table(session, messages);
  uint8_t area[orb::CollectionRecord::kRecordLength] = {};
  int16_t status = 0;
  table.OpenDataFile(509, session.RootDir + "DADES\\CobramV", {area, sizeof area}, status);

  // Load, through a block of its own, in one bulk load.
  auto start = Clock::now();
  {
    uint8_t block[128] = {};
    std::string path = session.RootDir + "DADES\\CobramV.dat";
    char owner[5] = {};
    uint32_t length = 0;
    BTRCALL(orb::kBtrOpen, block, owner, &length, path.data(),
            static_cast<uint8_t>(path.size()), 0);
    orb::BtrBeginBulk(block);
    // Keys in a scrambled order, as an installation's history adds them.
    std::vector<int64_t> order(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937_64(7));
    for (int64_t i : order) {
      std::string record = Collection(i);
      length = static_cast<uint32_t>(record.size());
      char key[256] = {};
      if (BTRCALL(orb::kBtrInsert, block, record.data(), &length, key, 255, -1) != 0) {
        std::fprintf(stderr, "insert failed\n");
        return 1;
      }
    }
    orb::BtrEndBulk(block);
    BTRCALL(orb::kBtrClose, block, owner, &length, owner, 0, 0);
  }
  std::printf("load %lld records (bulk, shuffled): %.2f s\n", static_cast<long long>(count),
              Seconds(start));

  start = Clock::now();
  int64_t read = 0;
  table.GetByKey(509, 0, "", 1, status);
  while (status == 0) {
    ++read;
    table.StepRecords(509, 1, status);
  }
  double s = Seconds(start);
  std::printf("walk key 0, GetByKey + StepRecords: %lld records in %.2f s, %.2f M/s\n",
              static_cast<long long>(read), s, read / s / 1e6);

  // The same walk straight through BTRCALL, to show what the table adds.
  {
    uint8_t block[128] = {};
    std::string path = session.RootDir + "DADES\\CobramV.dat";
    char owner[5] = {};
    uint32_t length = 0;
    BTRCALL(orb::kBtrOpen, block, owner, &length, path.data(),
            static_cast<uint8_t>(path.size()), 0);
    start = Clock::now();
    int64_t raw = 0;
    uint8_t data[orb::CollectionRecord::kRecordLength];
    char key[256] = {};
    length = sizeof data;
    for (int16_t s = BTRCALL(orb::kBtrGetFirst, block, data, &length, key, 255, 0); s == 0;
         s = BTRCALL(orb::kBtrGetNext, block, data, &length, key, 255, 0)) {
      ++raw;
      length = sizeof data;
    }
    const double t = Seconds(start);
    std::printf("walk key 0, raw BTRCALL Get Next: %lld records in %.2f s, %.2f M/s\n",
                static_cast<long long>(raw), t, raw / t / 1e6);
    BTRCALL(orb::kBtrClose, block, owner, &length, owner, 0, 0);
  }

  const int64_t lookups = std::min<int64_t>(count, 200000);
  std::mt19937_64 random(11);
  start = Clock::now();
  int64_t found = 0;
  for (int64_t i = 0; i < lookups; ++i) {
    const std::string key = Collection(static_cast<int64_t>(random() % count)).substr(0, 8);
    table.GetByKey(509, 0, key, 0, status);
    if (status == 0) ++found;
  }
  s = Seconds(start);
  std::printf("random exact GetByKey: %lld reads (%lld found) in %.2f s, %.0f k/s\n",
              static_cast<long long>(lookups), static_cast<long long>(found), s,
              lookups / s / 1e3);

  start = Clock::now();
  for (int64_t i = 0; i < lookups; ++i) {
    const std::string key = Collection(static_cast<int64_t>(random() % count)).substr(0, 4);
    table.GetByKey(509, 0, key, 1, status);
    for (int k = 0; k < 4 && status == 0; ++k) table.StepRecords(509, 1, status);
  }
  s = Seconds(start);
  std::printf("random GetByKey >= on a unit, then 4 steps: %lld in %.2f s, %.0f k/s\n",
              static_cast<long long>(lookups), s, lookups / s / 1e3);
  table.ResetDataFiles(status);
  if (argc <= 2) fs::remove_all(dir);
  return 0;
}
