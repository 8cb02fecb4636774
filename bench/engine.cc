// Record manager figures: bulk load of N records (64 bytes, an 8-byte text key 0 in
// random order and a 4-byte binary key 1 with duplicates), Get Next along each key,
// Get Equal at random keys, and single-transaction inserts. Usage: bench_engine [N] [dir] [load]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "pg_bench_server.h"
#include "platform/btrieve/btrieve.h"

namespace {

using Clock = std::chrono::steady_clock;
using orb::BTRCALL;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

std::string Code(uint32_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08u", n);
  return std::string(buf, 8);
}

std::string Record(uint32_t n) {
  std::string r(64, ' ');
  r.replace(0, 8, Code(n));
  const uint32_t group = n % 1000;
  std::memcpy(r.data() + 8, &group, 4);
  r.replace(12, 20, "record of the bench ");
  return r;
}

void Check(int16_t status, const char* what) {
  if (status != orb::kBtrOk && status != orb::kBtrDataBufferTooShort) {
    std::fprintf(stderr, "%s: status %d\n", what, status);
    std::exit(1);
  }
}

void Report(const char* what, double count, double seconds) {
  std::printf("%-44s %10.0f in %7.3f s  %12.0f /s\n", what, count, seconds, count / seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t n = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 1000000;
  const std::filesystem::path dir =
      argc > 2 ? std::filesystem::path(argv[2])
               : std::filesystem::temp_directory_path() /
                     ("bench_engine_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "bench.dat").string();
  std::filesystem::remove(path);
  // ORB_BENCH_POSTGRES: the file on that server instead (see pg_bench_server.h).
  orb::bench::BenchServer server;
  orb::BtrSettings settings;
  settings.server = server.Conninfo();
  settings.root = dir.string();
  settings.prepare_database = true;
  orb::BtrConfigure(settings);
  std::printf("engine: %s", orb::BtrDescribeEngine(server.Conninfo()).c_str());
  if (server.DelayMs()) std::printf(" through a proxy adding %d ms per round trip", server.DelayMs());
  std::printf("\n");

  std::string def(1536, ' ');
  std::memset(def.data(), 0, 16 + 32);
  Put16(def, 0, 64);
  Put16(def, 2, 4096);
  Put16(def, 4, 2);
  Put16(def, 16, 1);   // key 0: position 1, 8 bytes, text
  Put16(def, 18, 8);
  Put16(def, 20, 0);
  Put16(def, 32, 9);   // key 1: position 9, 4 bytes, binary, duplicates
  Put16(def, 34, 4);
  Put16(def, 36, 0x05);
  std::string name = path + '\0';
  uint32_t len = 1536;
  Check(BTRCALL(orb::kBtrCreate, nullptr, def.data(), &len, name.data(),
                static_cast<uint8_t>(path.size()), -1),
        "create");
  uint8_t block[orb::kPositionBlockSize] = {};
  char owner[5] = {};
  len = 5;
  Check(BTRCALL(orb::kBtrOpen, block, owner, &len, name.data(),
                static_cast<uint8_t>(path.size()), 0),
        "open");

  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::mt19937 rng(42);
  std::shuffle(order.begin(), order.end(), rng);

  char key[255] = {};
  auto start = Clock::now();
  Check(orb::BtrBeginBulk(block), "begin bulk");
  for (uint32_t i : order) {
    std::string r = Record(i);
    len = 64;
    Check(BTRCALL(orb::kBtrInsert, block, r.data(), &len, key, 255, -1), "insert");
  }
  Check(orb::BtrEndBulk(block), "end bulk");
  Report("bulk insert (random key order)", n, Seconds(start));
  if (argc > 3 && std::strcmp(argv[3], "load") == 0) return 0;  // load only, for profiling

  std::string data(1536, ' ');
  for (int8_t k = 0; k < 2; ++k) {
    start = Clock::now();
    uint32_t count = 0;
    len = 1536;
    int16_t s = BTRCALL(orb::kBtrGetFirst, block, data.data(), &len, key, 255, k);
    while (s == orb::kBtrOk) {
      ++count;
      len = 1536;
      s = BTRCALL(orb::kBtrGetNext, block, data.data(), &len, key, 255, k);
    }
    if (s != orb::kBtrEndOfFile || count != n) {
      std::fprintf(stderr, "walk along key %d: status %d after %u records\n", k, s, count);
      return 1;
    }
    Report(k == 0 ? "Get Next along key 0" : "Get Next along key 1 (binary, dups)", count,
           Seconds(start));
  }

  start = Clock::now();
  uint32_t count = 0;
  len = 1536;
  int16_t s = BTRCALL(orb::kBtrGetLast, block, data.data(), &len, key, 255, 0);
  while (s == orb::kBtrOk) {
    ++count;
    len = 1536;
    s = BTRCALL(orb::kBtrGetPrevious, block, data.data(), &len, key, 255, 0);
  }
  Report("Get Previous along key 0", count, Seconds(start));

  const uint32_t lookups = std::min<uint32_t>(n, 200000);
  start = Clock::now();
  for (uint32_t i = 0; i < lookups; ++i) {
    const std::string code = Code(static_cast<uint32_t>(rng() % n));
    std::memcpy(key, code.data(), 8);
    len = 64;
    Check(BTRCALL(orb::kBtrGetEqual, block, data.data(), &len, key, 8, 0), "get equal");
  }
  Report("Get Equal at random keys", lookups, Seconds(start));

  start = Clock::now();
  for (uint32_t i = 0; i < lookups; ++i) {
    const std::string code = Code(static_cast<uint32_t>(rng() % n));
    std::memcpy(key, code.data(), 8);
    len = 64;
    Check(BTRCALL(orb::kBtrGetGreaterOrEqual + 200, block, data.data(), &len, key, 8, 0),
          "locked get");
  }
  Report("Get Greater or Equal with lock (+200)", lookups, Seconds(start));

  const uint32_t singles = 2000;
  start = Clock::now();
  for (uint32_t i = 0; i < singles; ++i) {
    std::string r = Record(n + i);
    len = 64;
    Check(BTRCALL(orb::kBtrInsert, block, r.data(), &len, key, 255, 0), "insert one");
  }
  Report("Insert, one transaction each", singles, Seconds(start));

  Check(BTRCALL(orb::kBtrClose, block, nullptr, nullptr, nullptr, 0, 0), "close");
  std::error_code size_error;
  const auto size = std::filesystem::file_size(path, size_error);
  if (!size_error) std::printf("file size %.1f MB\n", static_cast<double>(size) / 1e6);

  // The data tool's import hands records over in key 0 order.
  const std::string sorted_path = (dir / "sorted.dat").string();
  std::string sorted_name = sorted_path + '\0';
  len = 1536;
  Check(BTRCALL(orb::kBtrCreate, nullptr, def.data(), &len, sorted_name.data(),
                static_cast<uint8_t>(sorted_path.size()), -1),
        "create sorted");
  len = 5;
  Check(BTRCALL(orb::kBtrOpen, block, owner, &len, sorted_name.data(),
                static_cast<uint8_t>(sorted_path.size()), 0),
        "open sorted");
  start = Clock::now();
  Check(orb::BtrBeginBulk(block), "begin bulk");
  for (uint32_t i = 0; i < n; ++i) {
    std::string r = Record(i);
    len = 64;
    Check(BTRCALL(orb::kBtrInsert, block, r.data(), &len, key, 255, -1), "insert");
  }
  Check(orb::BtrEndBulk(block), "end bulk");
  Report("bulk insert (key 0 order)", n, Seconds(start));
  Check(BTRCALL(orb::kBtrClose, block, nullptr, nullptr, nullptr, 0, 0), "close");
  if (argc <= 2) std::filesystem::remove_all(dir);
  return 0;
}
