// Damaged, foreign and truncated data files, and calls with random arguments: each gets
// a status, never a crash (run under the sanitizers by scripts/test.sh).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <random>

#include "engine_fixture.h"

namespace orb::btr::testing {
namespace {

std::string Rec(int i) {
  std::string r = "R" + std::to_string(i);
  r.resize(30, '.');
  r += Le16(static_cast<uint16_t>(i * 7919 % 65536));
  return r;
}

class Damage : public EngineTest {
 protected:
  // A file of n records with two keys, closed again.
  void Build(const std::string& name, int n) {
    ASSERT_EQ(Create(name, FileDef(32, {{{1, 10, 0}}, {{31, 2, 0x05}}})), kBtrOk);
    Block b;
    ASSERT_EQ(Open(b, name), kBtrOk);
    ASSERT_EQ(engine_.BeginBulk(b.bytes), kBtrOk);
    for (int i = 0; i < n; ++i) ASSERT_EQ(Insert(b, Rec(i)), kBtrOk);
    ASSERT_EQ(engine_.EndBulk(b.bytes), kBtrOk);
    ASSERT_EQ(engine_.Call(kBtrClose, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  }
  void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(PathOf(name), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string ReadBytes(const std::string& name) {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Opens the file and, when that works, uses it every way; returns the open status.
  int16_t Exercise(const std::string& name) {
    Block b;
    const int16_t open = Open(b, name);
    if (open != kBtrOk) return open;
    for (int8_t key = 0; key < 2; ++key) {
      for (int i = 0; i < 5000; ++i) {
        if (Get(i == 0 ? kBtrGetFirst : kBtrGetNext, b, key).status != kBtrOk) break;
      }
      for (int i = 0; i < 5000; ++i) {
        if (Get(i == 0 ? kBtrGetLast : kBtrGetPrevious, b, key).status != kBtrOk) break;
      }
      Get(kBtrGetGreaterOrEqual, b, key, "R5");
    }
    Get(kBtrGetDirect, b, 0, std::string("\x05\0\0\0", 4));
    Insert(b, Rec(99999));
    if (Get(kBtrGetFirst, b, 0).status == kBtrOk) {
      engine_.Call(kBtrDelete, b.bytes, nullptr, nullptr, nullptr, 0, 0);
    }
    std::string stat(1536, '\0');
    uint32_t len = 1536;
    engine_.Call(kBtrStat, b.bytes, stat.data(), &len, nullptr, 0, 0);
    EXPECT_EQ(engine_.Call(kBtrClose, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
    return open;
  }
};

TEST_F(Damage, ForeignFilesAreNotDataFiles) {
  std::mt19937 rng(7);
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  WriteBytes("noise.dat", noise);
  EXPECT_EQ(Exercise("noise.dat"), kBtrNotABtrieveFile);
  WriteBytes("empty.dat", "");
  EXPECT_EQ(Exercise("empty.dat"), kBtrNotABtrieveFile);
  WriteBytes("text.dat", std::string("SQLite format 3\0 but not really", 31));
  EXPECT_EQ(Exercise("text.dat"), kBtrNotABtrieveFile);

  // Another program's SQLite database.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PathOf("other.dat").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES (1);", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(Exercise("other.dat"), kBtrNotABtrieveFile);
}

TEST_F(Damage, OurFilesWithABrokenSchemaAreRefused) {
  Build("a.dat", 10);
  Build("b.dat", 10);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PathOf("a.dat").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "UPDATE layout SET bytes = x'0100'", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(Exercise("a.dat"), kBtrNotABtrieveFile);
  ASSERT_EQ(sqlite3_open(PathOf("b.dat").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "DROP TABLE key1", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(Exercise("b.dat"), kBtrNotABtrieveFile);
}

TEST_F(Damage, TruncatedAndOverwrittenFilesGiveStatuses) {
  Build("whole.dat", 3000);
  const std::string whole = ReadBytes("whole.dat");
  ASSERT_GT(whole.size(), 50000u);
  for (size_t cut : {size_t{100}, size_t{4096}, whole.size() / 3, whole.size() - 1000}) {
    WriteBytes("cut.dat", whole.substr(0, cut));
    Exercise("cut.dat");  // any status will do; it must not crash
  }
  std::mt19937 rng(11);
  for (int round = 0; round < 6; ++round) {
    std::string hurt = whole;
    const size_t at = 4096 + rng() % (hurt.size() - 8192);
    for (size_t i = 0; i < 600; ++i) hurt[at + i] = static_cast<char>(rng());
    WriteBytes("hurt.dat", hurt);
    Exercise("hurt.dat");
  }
}

TEST_F(Damage, RandomCallsGetStatuses) {
  Build("r.dat", 50);
  std::mt19937 rng(3);
  Block blocks[3];
  ASSERT_EQ(Open(blocks[0], "r.dat"), kBtrOk);
  ASSERT_EQ(Open(blocks[1], "r.dat"), kBtrOk);
  std::memset(blocks[2].bytes, 0x41, sizeof blocks[2].bytes);
  const uint16_t ops[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 22, 23, 27,
                          205, 206, 207, 212, 213, 223, 99, 300, 65535};
  for (int i = 0; i < 20000; ++i) {
    Block& b = blocks[rng() % 3];
    const uint16_t op = ops[rng() % std::size(ops)];
    std::string data(rng() % 64, '\0');
    for (char& c : data) c = static_cast<char>(rng() % 4 == 0 ? rng() : 'R');
    std::string key(rng() % 16, '\0');
    for (char& c : key) c = static_cast<char>(rng());
    uint32_t len = static_cast<uint32_t>(data.size());
    const auto key_len = static_cast<uint8_t>(key.size());
    const auto key_no = static_cast<int8_t>(static_cast<int>(rng() % 5) - 1);
    engine_.Call(op, b.bytes, data.empty() ? nullptr : data.data(), &len,
                 key.empty() ? nullptr : key.data(), key_len, key_no);
    ASSERT_LE(len, data.size());
  }
}

}  // namespace
}  // namespace orb::btr::testing
