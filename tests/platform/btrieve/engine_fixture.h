// Helpers for the record manager tests: file definitions in the published layout,
// a temporary directory, and one engine per test. BothEngines runs a test once with the
// data files as SQLite files and once on the PostgreSQL server that ORB_TEST_POSTGRES
// names (scripts/test.sh starts a throwaway one), each test in a schema of its own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "pg_test_server.h"

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/record_engine.h"

namespace orb::btr::testing {

struct Seg {
  uint16_t position;  // 1-based
  uint16_t length;
  uint16_t flags;
  uint8_t type = 0;
};

inline void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}

// A create buffer: header, the keys' segments (0x10 set on all but a key's last), the
// collating sequence when given, then spaces up to 1536 bytes as the dictionaries do.
inline std::string FileDef(uint16_t record_length, const std::vector<std::vector<Seg>>& keys,
                        const std::string& sequence = "") {
  std::string s(16, '\0');
  Put16(s, 0, record_length);
  Put16(s, 2, 1024);
  Put16(s, 4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys) {
    for (size_t i = 0; i < key.size(); ++i) {
      std::string seg(16, '\0');
      Put16(seg, 0, key[i].position);
      Put16(seg, 2, key[i].length);
      Put16(seg, 4, static_cast<uint16_t>(key[i].flags | (i + 1 < key.size() ? 0x10 : 0)));
      seg[10] = static_cast<char>(key[i].type);
      s += seg;
    }
  }
  s += sequence;
  s.resize(1536, ' ');
  return s;
}

// A collating sequence that sorts lower case with upper case.
inline std::string UpperSequence() {
  std::string s(1, static_cast<char>(0xAC));
  s += "UPPER   ";
  for (int c = 0; c < 256; ++c) {
    s += static_cast<char>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c);
  }
  return s;
}

struct Block {
  uint8_t bytes[kPositionBlockSize] = {};
};

struct Got {
  int16_t status;
  std::string record;
  std::string key;
};

enum class EngineKind { kSqlite, kPostgres };

inline std::string EngineName(const ::testing::TestParamInfo<EngineKind>& info) {
  return info.param == EngineKind::kSqlite ? "Sqlite" : "Postgres";
}

class EngineTest : public ::testing::Test {
 protected:
  virtual EngineKind Kind() const { return EngineKind::kSqlite; }
  bool OnServer() const { return Kind() == EngineKind::kPostgres; }

  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    dir_ = std::filesystem::temp_directory_path() /
           ("btr_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    settings_.root = dir_.string() + "/";
    settings_.prepare_database = true;
    if (OnServer()) {
      if (!schema_.Start(settings_.server)) GTEST_SKIP() << schema_.Why();
    }
    engine_.Configure(settings_);
    BtrConfigure(settings_);
  }
  void TearDown() override {
    // Every connection goes before the schema does.
    engine_.Call(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0);
    BTRCALL(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0);
    BtrConfigure(BtrSettings{});
    schema_.Stop();
    std::filesystem::remove_all(dir_);
  }

  // An engine of its own, as another process has, set up as this test's.
  void Configure(RecordEngine& e) const { e.Configure(settings_); }
  // Lets another connection's change notice arrive (a server engine learns of other
  // connections' commits through them); nothing to wait for with SQLite files.
  void Settle() const {
    if (OnServer()) std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static int16_t CreateWith(RecordEngine& e, const std::string& path, std::string def,
                            int8_t mode = -1) {
    uint32_t len = static_cast<uint32_t>(def.size());
    std::string key = path + '\0';
    return e.Call(kBtrCreate, nullptr, def.data(), &len, key.data(),
                  static_cast<uint8_t>(path.size()), mode);
  }
  int16_t Create(const std::string& name, const std::string& def, int8_t mode = -1) {
    return CreateWith(engine_, PathOf(name), def, mode);
  }
  static int16_t OpenWith(RecordEngine& e, Block& b, const std::string& path,
                          int8_t mode = 0) {
    char owner[5] = {'a', 'b', 'c', 'd', 0};
    uint32_t len = 5;
    std::string key = path + '\0';
    return e.Call(kBtrOpen, b.bytes, owner, &len, key.data(),
                  static_cast<uint8_t>(path.size()), mode);
  }
  int16_t Open(Block& b, const std::string& name, int8_t mode = 0) {
    return OpenWith(engine_, b, PathOf(name), mode);
  }
  static int16_t InsertWith(RecordEngine& e, Block& b, std::string record, int8_t key = 0) {
    uint32_t len = static_cast<uint32_t>(record.size());
    char key_buf[256] = {};
    return e.Call(kBtrInsert, b.bytes, record.data(), &len, key_buf, 255, key);
  }
  int16_t Insert(Block& b, const std::string& record, int8_t key = 0) {
    return InsertWith(engine_, b, record, key);
  }
  static Got GetWith(RecordEngine& e, uint16_t op, Block& b, int8_t key_no,
                     const std::string& key = "", uint32_t room = 1536,
                     uint8_t key_length = 255) {
    // Get Direct takes its position at the start of the data buffer; the others
    // take the key value in the key buffer.
    std::string data(1536, ' ');
    std::string key_buf(256, '\0');
    if (op % 100 == kBtrGetDirect) {
      data.replace(0, key.size(), key);
    } else {
      key_buf.replace(0, key.size(), key);
    }
    uint32_t len = room;
    const int16_t s =
        e.Call(op, b.bytes, data.data(), &len, key_buf.data(), key_length, key_no);
    return {s, data.substr(0, len), key_buf};
  }
  Got Get(uint16_t op, Block& b, int8_t key_no, const std::string& key = "") {
    return GetWith(engine_, op, b, key_no, key);
  }
  // Records along a key from the first, as the first `width` bytes of each.
  std::vector<std::string> Walk(Block& b, int8_t key_no, size_t width, bool backwards = false) {
    std::vector<std::string> out;
    Got g = Get(backwards ? kBtrGetLast : kBtrGetFirst, b, key_no);
    while (g.status == kBtrOk) {
      out.push_back(g.record.substr(0, width));
      g = Get(backwards ? kBtrGetPrevious : kBtrGetNext, b, key_no);
    }
    EXPECT_EQ(g.status, kBtrEndOfFile);
    return out;
  }

  std::filesystem::path dir_;
  BtrSettings settings_;
  TestSchema schema_;
  RecordEngine engine_;
};

// The same tests on both engines: TEST_P on a fixture derived from this one, and
// INSTANTIATE_BOTH_ENGINES(fixture).
class BothEngines : public EngineTest, public ::testing::WithParamInterface<EngineKind> {
 protected:
  EngineKind Kind() const override { return GetParam(); }
};

#define INSTANTIATE_BOTH_ENGINES(fixture)                                           \
  INSTANTIATE_TEST_SUITE_P(, fixture,                                              \
                           ::testing::Values(::orb::btr::testing::EngineKind::kSqlite, \
                                             ::orb::btr::testing::EngineKind::kPostgres), \
                           ::orb::btr::testing::EngineName)

// A 16-bit little-endian value as two bytes.
inline std::string Le16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

}  // namespace orb::btr::testing
