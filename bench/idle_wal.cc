// The write-ahead log of a SQLite data file that another process keeps updating while
// a reader sits idle on it, as a form waiting for a key does: once with the reader
// holding its snapshot (as the engine did before BtrIdle), once after BtrIdle. Prints
// the largest log size seen and the updates made in each run.
// Usage: bench_idle_wal [seconds per run = 5] [records = 2000] [dir]
// bench_idle_wal --rewrite DATAFILE SECONDS plays the other program on a file of an
// installation: it updates every record in turn for SECONDS (each changed and put back,
// so that the file ends as it was) and prints the largest log size seen.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/btrieve/btrieve.h"

namespace {

using Clock = std::chrono::steady_clock;
using orb::BTRCALL;

constexpr uint16_t kRecordLength = 300;  // about an owner's record

void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

std::string Record(uint32_t n, uint32_t version) {
  char key[16];
  std::snprintf(key, sizeof key, "%08u", n);
  std::string r(kRecordLength, ' ');
  r.replace(0, 8, key);
  const std::string body = "version " + std::to_string(version);
  r.replace(8, body.size(), body);
  return r;
}

void Check(int16_t status, const char* what) {
  if (status != orb::kBtrOk && status != orb::kBtrDataBufferTooShort) {
    std::fprintf(stderr, "%s: status %d\n", what, status);
    std::exit(1);
  }
}

int16_t Open(uint8_t* block, const std::string& path) {
  std::string name = path + '\0';
  char owner[1] = {};
  uint32_t len = 0;
  return BTRCALL(orb::kBtrOpen, block, owner, &len, name.data(),
                 static_cast<uint8_t>(path.size()), 0);
}

int64_t SizeOf(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// The writer: updates records in turn for `seconds`; exits with nothing to say.
[[noreturn]] void Write(const std::string& path, uint32_t records, double seconds) {
  uint8_t block[orb::kPositionBlockSize] = {};
  Check(Open(block, path), "writer open");
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  uint32_t version = 1;
  std::string data(kRecordLength, ' ');
  char key[255] = {};
  while (Clock::now() < end) {
    for (uint32_t n = 0; n < records && Clock::now() < end; ++n) {
      std::string wanted = Record(n, 0).substr(0, 8);
      std::memcpy(key, wanted.data(), 8);
      uint32_t len = kRecordLength;
      Check(BTRCALL(orb::kBtrGetEqual, block, data.data(), &len, key, 255, 0), "get");
      std::string changed = Record(n, ++version);
      len = kRecordLength;
      Check(BTRCALL(orb::kBtrUpdate, block, changed.data(), &len, key, 255, 0), "update");
    }
  }
  std::printf("    the writer made %u updates\n", version - 1);
  std::fflush(stdout);
  BTRCALL(orb::kBtrClose, block, nullptr, nullptr, nullptr, 0, 0);
  std::exit(0);
}

void Run(const std::string& path, uint32_t records, double seconds, bool idle) {
  uint8_t reader[orb::kPositionBlockSize] = {};
  Check(Open(reader, path), "reader open");
  std::string data(kRecordLength, ' ');
  char key[255] = {};
  uint32_t len = kRecordLength;
  Check(BTRCALL(orb::kBtrGetFirst, reader, data.data(), &len, key, 255, 0), "first");
  len = kRecordLength;
  Check(BTRCALL(orb::kBtrGetNext, reader, data.data(), &len, key, 255, 0), "next");
  if (idle) orb::BtrIdle();
  std::printf("%s:\n", idle ? "after BtrIdle (the form waiting for a key)"
                            : "holding the snapshot (as before BtrIdle)");
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) Write(path, records, seconds);
  int64_t largest = 0;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    largest = std::max(largest, SizeOf(path + "-wal"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  largest = std::max(largest, SizeOf(path + "-wal"));
  len = kRecordLength;
  Check(BTRCALL(orb::kBtrGetNext, reader, data.data(), &len, key, 255, 0), "next after");
  std::printf("    largest log %.1f MB; the reader's next record: %.24s\n",
              static_cast<double>(largest) / (1 << 20), data.c_str());
  BTRCALL(orb::kBtrClose, reader, nullptr, nullptr, nullptr, 0, 0);
}

// Updates the records of `path` along key 0 for `seconds`, each left as it was.
int Rewrite(const std::string& path, double seconds) {
  uint8_t block[orb::kPositionBlockSize] = {};
  Check(Open(block, path), "open");
  std::string data(4096, ' ');
  char key[255] = {};
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  int64_t largest = 0;
  uint64_t updates = 0;
  while (Clock::now() < end) {
    uint32_t len = static_cast<uint32_t>(data.size());
    int16_t s = BTRCALL(orb::kBtrGetFirst, block, data.data(), &len, key, 255, 0);
    while (s == orb::kBtrOk && Clock::now() < end) {
      // Changed and put back, so that the file ends as it was.
      for (int pass = 0; pass < 2; ++pass) {
        data[len - 1] = static_cast<char>(data[len - 1] ^ 0x01);
        Check(BTRCALL(orb::kBtrUpdate, block, data.data(), &len, key, 255, 0), "update");
        ++updates;
        largest = std::max(largest, SizeOf(path + "-wal"));
      }
      len = static_cast<uint32_t>(data.size());
      s = BTRCALL(orb::kBtrGetNext, block, data.data(), &len, key, 255, 0);
    }
    if (s != orb::kBtrOk && s != orb::kBtrEndOfFile) Check(s, "read");
  }
  BTRCALL(orb::kBtrClose, block, nullptr, nullptr, nullptr, 0, 0);
  std::printf("%llu updates, largest log %lld bytes\n",
              static_cast<unsigned long long>(updates), static_cast<long long>(largest));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--rewrite") == 0) {
    return Rewrite(argv[2], std::atof(argv[3]));
  }
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5;
  const uint32_t records = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 2000;
  const std::filesystem::path dir =
      argc > 3 ? std::filesystem::path(argv[3])
               : std::filesystem::temp_directory_path() /
                     ("orb_idle_wal_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "PropietV.dat").string();

  std::string def(16, '\0');
  Put16(def, 0, kRecordLength);
  Put16(def, 2, 1024);
  Put16(def, 4, 1);
  std::string seg(16, '\0');
  Put16(seg, 0, 1);
  Put16(seg, 2, 8);
  def += seg;
  def.resize(1536, ' ');
  for (bool idle : {false, true}) {
    std::string name = path + '\0';
    uint32_t len = static_cast<uint32_t>(def.size());
    Check(BTRCALL(orb::kBtrCreate, nullptr, def.data(), &len, name.data(),
                  static_cast<uint8_t>(path.size()), 0), "create");
    uint8_t block[orb::kPositionBlockSize] = {};
    Check(Open(block, path), "open");
    Check(orb::BtrBeginBulk(block), "bulk");
    char key[255] = {};
    for (uint32_t n = 0; n < records; ++n) {
      std::string r = Record(n, 0);
      uint32_t rl = kRecordLength;
      Check(BTRCALL(orb::kBtrInsert, block, r.data(), &rl, key, 255, 0), "insert");
    }
    Check(orb::BtrEndBulk(block), "end bulk");
    BTRCALL(orb::kBtrClose, block, nullptr, nullptr, nullptr, 0, 0);
    Run(path, records, seconds, idle);
  }
  if (argc <= 3) std::filesystem::remove_all(dir);
  return 0;
}
