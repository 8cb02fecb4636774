// Key handling at the edges: images of multi-segment keys other than key 0, the key a
// silent step leaves behind, and the Stat and Create buffers as the record manager
// receives them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "data/file_table.h"
#include "scripted_record_manager.h"

namespace orb {
namespace {

using testing::LoggingMessages;
using testing::MakeStatBlock;
using testing::ScriptedRecordManager;

class KeyEdgesTest : public ::testing::Test {
 protected:
  void Open(int16_t file_no) {
    int16_t status = -1;
    table_.OpenDataFile(file_no, "DADES\\K", RecordArea{area_, sizeof area_}, status);
    ASSERT_EQ(status, 0);
  }
  Session session_;
  ScriptedRecordManager manager_;
  LoggingMessages messages_;
  FileTable table_{session_, messages_, manager_, [] { return 0.0; }};
  uint8_t area_[32] = {};
};

TEST_F(KeyEdgesTest, ImagesFollowTheCurrentKeysSegments) {
  // Collating table: lower-case letters sort as capitals.
  std::string collating(265, '\0');
  collating[0] = '\xac';
  for (int c = 0; c < 256; ++c) collating[9 + c] = static_cast<char>(c);
  for (int c = 'a'; c <= 'z'; ++c) collating[9 + c] = static_cast<char>(c - 'a' + 'A');
  // Key 0: plain 2. Key 1: collated 2, binary 4, plain 1, binary 2.
  manager_.stat_block = MakeStatBlock(
      32, 512, {{{2, 0}}, {{2, 0x20}, {4, 0x04}, {1, 0}, {2, 0x04}}}, collating);
  Open(505);
  manager_.on_get = [](uint16_t, uint8_t*, uint32_t*, char*) { return int16_t{4}; };
  int16_t status = 0;
  table_.GetByKey(505, 1, "", 1, status);
  ASSERT_EQ(table_.CurrentKeyNumber(505), 1);

  struct Case {
    std::string value, image;
  };
  const Case cases[] = {
      {std::string("ab\x01\x02\x03\x04z\x05\x06", 9), std::string("AB\x04\x03\x02\x01z\x06\x05", 9)},
      {"a", std::string("A\0\0\0\0\0\0\0\0", 9)},     // binary segments padded, reversed
      {"ab\x01", std::string("AB\0\0\0\x01\0\0\0", 9)},
      {std::string("zz\x01\x02\x03\x04q", 7),           // last binary segment padded too
       std::string("ZZ\x04\x03\x02\x01q\0\0", 9)},
      {"", std::string(9, '\0')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table_.KeyImage(c.value, 505), c.image);
  }
  // Images compare in key order: the binary parts are big-endian afterwards.
  EXPECT_LT(table_.KeyImage(std::string("aa\xff\0\0\0", 6), 505),
            table_.KeyImage(std::string("AA\0\x01\0\0", 6), 505));
}

TEST_F(KeyEdgesTest, SilentStepsCutTheReturnedKeyToTheCurrentLength) {
  manager_.stat_block = MakeStatBlock(32, 512, {{{4, 0}}});
  Open(505);
  int step = 0;
  manager_.on_get = [&step](uint16_t, uint8_t* data, uint32_t* length, char* key) {
    ++step;
    std::memset(data, '0' + step, 32);
    *length = 32;
    if (step == 1) {
      std::memcpy(key, "AB\0D", 4);  // a zero byte inside the key
    } else {
      std::memcpy(key, "WXYZ", 4);
    }
    return int16_t{0};
  };
  int16_t status = -1;
  table_.StepRecords(505, 4, status);  // three silent steps, then one copying step
  EXPECT_EQ(status, 0);
  // Cut at the zero byte by the first step, and never longer afterwards.
  EXPECT_EQ(table_.CurrentKeyValue(505), "WX");
  EXPECT_EQ(manager_.calls.back().key_length, 2);
  EXPECT_EQ(manager_.calls.back().key.substr(0, 4), "WX  ");  // spaces after it
  EXPECT_EQ(area_[0], '4');
  for (size_t i = manager_.calls.size() - 4; i < manager_.calls.size() - 1; ++i) {
    EXPECT_EQ(manager_.calls[i].data_length, 1536u);  // silent steps: private buffers
    EXPECT_EQ(manager_.calls[i].operation, 6);
  }
}

TEST_F(KeyEdgesTest, StatGetsSpacesAsKeyAndCreateIsCutAt1536Bytes) {
  manager_.stat_block = MakeStatBlock(32, 512, {{{4, 0}}});
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orb_key_edges_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "ddf");
  std::string dictionary("\xd0\x07", 2);  // 2000 bytes announced and present
  for (int i = 0; i < 2000; ++i) dictionary.push_back(static_cast<char>('a' + i % 26));
  std::ofstream(dir / "ddf" / "K.xdf", std::ios::binary) << dictionary;
  session_.RootDir = dir.string() + "/";
  manager_.open_statuses = {12, 0};
  Open(505);
  std::filesystem::remove_all(dir);

  ASSERT_EQ(manager_.Operations(), (std::vector<uint16_t>{0, 14, 0, 15}));
  EXPECT_EQ(manager_.calls[1].data, dictionary.substr(2, 1536));
  const testing::RecordedCall& stat = manager_.calls[3];
  EXPECT_EQ(stat.data_length, 1536u);
  EXPECT_EQ(stat.key_length, 255);
  EXPECT_EQ(stat.key, std::string(255, ' '));
  EXPECT_EQ(stat.key_number, 0);
}

}  // namespace
}  // namespace orb
