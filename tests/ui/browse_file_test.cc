#include "ui/browse_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "../core/temp_dir.h"

namespace orb {
namespace {

class BrowseFileTest : public testing::TempDirTest {
 protected:
  std::string Name() { return Dir() + "Browse.tmp"; }
  // Replaces the file's bytes behind the open work file's back.
  void Overwrite(const std::string& bytes) {
    std::ofstream(dir_ / "Browse.tmp", std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string Entry(uint32_t previous, int32_t position, uint16_t length,
                           const std::string& line) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(previous >> (8 * i)));
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(static_cast<uint32_t>(position) >> (8 * i)));
    bytes.push_back(static_cast<char>(length));
    bytes.push_back(static_cast<char>(length >> 8));
    return bytes + line;
  }
};

TEST_F(BrowseFileTest, EntriesLinkBackAndForth) {
  BrowseFile file(Name());
  ASSERT_TRUE(file.Create());
  EXPECT_EQ(file.Append(4096, "0001  ANNA"), 1u);
  EXPECT_EQ(file.Append(-5, "0002  BERTA"), 21u);
  EXPECT_EQ(file.Append(77, std::string(5000, 'x')), 42u);  // cut to the longest line
  EXPECT_EQ(file.EndPosition(), 42u + 10u + BrowseFile::kMaxLine);
  EXPECT_EQ(Read("Browse.tmp").substr(0, 20), Entry(0, 4096, 10, "0001  ANNA"));

  auto second = file.Read(21);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->previous, 1u);
  EXPECT_EQ(second->record_position, -5);
  EXPECT_EQ(second->line, "0002  BERTA");
  auto third = file.Read(second->NextPosition());
  ASSERT_TRUE(third);
  EXPECT_EQ(third->previous, 21u);
  EXPECT_EQ(third->line.size(), BrowseFile::kMaxLine);
  EXPECT_FALSE(file.Read(third->NextPosition()));
  EXPECT_FALSE(file.Read(0));
  file.Remove();
  EXPECT_FALSE(Exists("Browse.tmp"));
}

TEST_F(BrowseFileTest, DamagedEntriesReadAsNone) {
  BrowseFile file(Name());
  ASSERT_TRUE(file.Create());
  const std::string good = Entry(0, 9, 4, "0001");
  Overwrite(good + Entry(1, 9, 4, "00"));             // line cut short by the end
  EXPECT_TRUE(file.Read(1));
  EXPECT_FALSE(file.Read(15));
  Overwrite(good + Entry(1, 9, 4, "0002").substr(0, 7));  // header cut short
  EXPECT_FALSE(file.Read(15));
  Overwrite(good + Entry(1, 9, 0, ""));               // empty line: never written
  EXPECT_FALSE(file.Read(15));
  Overwrite(good + Entry(15, 9, 4, "0002"));          // points at itself
  EXPECT_FALSE(file.Read(15));
  Overwrite(good + Entry(99, 9, 4, "0002"));          // points past itself
  EXPECT_FALSE(file.Read(15));
  Overwrite(good + Entry(1, 9, 65535, std::string(70000, 'x')));  // longer than any line
  EXPECT_FALSE(file.Read(15));
  Overwrite("");
  EXPECT_FALSE(file.Read(1));
}

TEST_F(BrowseFileTest, RandomBytesAreReadOnlyWithinTheFile) {
  BrowseFile file(Name());
  ASSERT_TRUE(file.Create());
  std::mt19937 random(11);
  for (int round = 0; round < 50; ++round) {
    std::string bytes(random() % 300, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? random() % 3 : random());
    Overwrite(bytes);
    for (uint32_t position = 0; position <= bytes.size() + 2; ++position) {
      if (auto entry = file.Read(position)) {
        EXPECT_LE(position - 1 + 10 + entry->line.size(), bytes.size());
        EXPECT_LT(entry->previous, position);
      }
    }
  }
}

}  // namespace
}  // namespace orb
