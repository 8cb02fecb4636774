// The file table over the real record manager: files created from their dictionaries,
// reads along key 0, positions, locks between two tables, and bad files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "data/file_table.h"
#include "data/records.h"
#include "platform/btrieve/btrieve.h"
#include "scripted_record_manager.h"

namespace orb {
namespace {

namespace fs = std::filesystem;
using testing::LoggingMessages;

constexpr int16_t kCollections = 509;
constexpr int16_t kOwners = 505;

std::string Collection(int property, int unit, int day, char state) {
  std::string record(CollectionRecord::kRecordLength, '\0');
  record[0] = '\x80';
  record[1] = static_cast<char>(0x80 | property);
  record[2] = '\x80';
  record[3] = static_cast<char>(0x80 | unit);
  record.replace(4, 3, "\x94\x98\x81");  // 2024-01
  record[7] = static_cast<char>(0x80 | day);
  record[38] = state;
  return record;
}

class RealFileTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("orb_data_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "DADES");
    fs::create_directories(root_ / "ddf");
    for (const RecordKindInfo& kind : RecordKinds()) {
      std::ofstream(root_ / "ddf" / (std::string(kind.file_name) + ".xdf"), std::ios::binary)
          << DictionaryBytes(kind);
    }
    session_.RootDir = root_.string() + "/";
  }
  void TearDown() override {
    int16_t status;
    table_.ResetDataFiles(status);
    other_.ResetDataFiles(status);
    fs::remove_all(root_);
  }

  void OpenCollections(FileTable& table) {
    int16_t status = -1;
    table.OpenDataFile(kCollections, session_.RootDir + "DADES\\CobramV",
                       RecordArea{area_, sizeof area_}, status);
    ASSERT_EQ(status, 0);
  }

  // Adds records through a position block of its own.
  void Insert(const std::string& name, const std::vector<std::string>& records) {
    uint8_t block[128] = {};
    std::string path = session_.RootDir + name;
    char owner[5] = {};
    uint32_t length = 0;
    ASSERT_EQ(BTRCALL(kBtrOpen, block, owner, &length, path.data(),
                      static_cast<uint8_t>(path.size()), 0), 0);
    for (std::string record : records) {
      length = static_cast<uint32_t>(record.size());
      char key[256] = {};
      ASSERT_EQ(BTRCALL(kBtrInsert, block, record.data(), &length, key, 255, -1), 0);
    }
    ASSERT_EQ(BTRCALL(kBtrClose, block, owner, &length, owner, 0, 0), 0);
  }

  void FillCollections() {
    OpenCollections(table_);  // creates the file from ddf\CobramV.xdf
    Insert("DADES\\CobramV.dat",
           {Collection(2, 1, 5, 'P'), Collection(1, 1, 9, 'P'), Collection(2, 1, 3, 'X'),
            Collection(1, 2, 1, 'P'), Collection(1, 1, 9, 'Q'), Collection(3, 7, 1, 'P')});
  }
  std::string Area(size_t n = 8) const {
    return std::string(reinterpret_cast<const char*>(area_), n);
  }

  fs::path root_;
  Session session_;
  LoggingMessages messages_;
  FileTable table_{session_, messages_};
  FileTable other_{session_, messages_};
  uint8_t area_[CollectionRecord::kRecordLength] = {};
};

TEST_F(RealFileTableTest, MissingFileIsCreatedFromItsDictionary) {
  OpenCollections(table_);
  EXPECT_TRUE(fs::exists(root_ / "DADES" / "CobramV.dat"));
  EXPECT_TRUE(messages_.log.empty());
  int16_t key_length = 0, record_length = 0;
  table_.GetKeyInfo(kCollections, 0, key_length, record_length);
  EXPECT_EQ(key_length, 8);
  EXPECT_EQ(record_length, CollectionRecord::kRecordLength);
  EXPECT_EQ(table_.CurrentKeyValue(kCollections), std::string(8, '\0'));
  table_.GetKeyInfo(kCollections, 1, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  int16_t status = -1;
  table_.GetByKey(kCollections, 1, "x", 0, status);
  EXPECT_EQ(status, kDataNoSuchKey);
  table_.GetByKey(kCollections, 0, "x", 0, status);
  EXPECT_EQ(status, kBtrKeyNotFound);
  EXPECT_EQ(table_.PositionRecord(kCollections, 0), 0);  // no current record
}

TEST_F(RealFileTableTest, ReadsFollowKeyZeroWithDuplicates) {
  FillCollections();
  int16_t status = -1;
  table_.GetByKey(kCollections, 0, std::string("\x80\x81\x80\x81", 4), 1, status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(Area(), Collection(1, 1, 9, 'P').substr(0, 8));
  EXPECT_EQ(area_[38], 'P');  // duplicates come in the order they were added
  table_.StepRecords(kCollections, 1, status);
  EXPECT_EQ(area_[38], 'Q');
  table_.StepRecords(kCollections, 1, status);
  EXPECT_EQ(Area(), Collection(1, 2, 1, 'P').substr(0, 8));
  EXPECT_EQ(table_.CurrentKeyValue(kCollections), Area());
  EXPECT_EQ(table_.CurrentKeyImage(kCollections), Area());  // text keys image as they are

  table_.StepRecords(kCollections, 2, status);  // one silent step over (2,1,3)
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Area(), Collection(2, 1, 5, 'P').substr(0, 8));
  table_.StepRecords(kCollections, -3, status);
  EXPECT_EQ(Area(), Collection(1, 1, 9, 'Q').substr(0, 8));
  EXPECT_EQ(area_[38], 'Q');

  table_.StepRecords(kCollections, 5, status);  // only four records lie ahead
  EXPECT_EQ(status, kBtrEndOfFile);
  EXPECT_EQ(area_[38], 'Q');  // the area keeps the last record copied

  // Exact, greater-or-equal and less-or-equal reads with short and long values.
  table_.GetByKey(kCollections, 0, std::string("\x80\x82\x80\x81\x94\x98\x81\x84", 8), -1,
                  status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Area(), Collection(2, 1, 3, 'X').substr(0, 8));
  table_.GetByKey(kCollections, 0, std::string("\x80\x83\x80\x87\x94\x98\x81\x81zz", 10), 0,
                  status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(area_[3], 0x87);
  table_.GetByKey(kCollections, 0, std::string("\x80\x83\x80\x88", 4), 1, status);
  EXPECT_EQ(status, kBtrEndOfFile);
}

TEST_F(RealFileTableTest, PositionsReadTheSameRecordBack) {
  FillCollections();
  int16_t status = -1;
  table_.GetByKey(kCollections, 0, std::string("\x80\x82", 2), 1, status);
  ASSERT_EQ(status, 0);
  const std::string first = Area(48);
  const int32_t position = table_.PositionRecord(kCollections, 0);
  EXPECT_NE(position, 0);
  table_.StepRecords(kCollections, 1, status);
  EXPECT_NE(Area(48), first);
  EXPECT_EQ(table_.PositionRecord(kCollections, position), 0);
  EXPECT_EQ(Area(48), first);
  EXPECT_EQ(table_.CurrentKeyValue(kCollections), "\x80\x82\x80\x81\x94\x98\x81\x83");
  table_.StepRecords(kCollections, 1, status);  // the place along key 0 moved there
  EXPECT_EQ(Area(), Collection(2, 1, 5, 'P').substr(0, 8));
  EXPECT_NE(table_.PositionRecord(kCollections, 0x7ffffff0), 0);
}

TEST_F(RealFileTableTest, ASmallOwnerAreaIsNeverOverrun) {
  int16_t status = -1;
  uint8_t owner[OwnerRecord::kReportLength + 16];
  std::memset(owner, '#', sizeof owner);
  table_.OpenDataFile(kOwners, session_.RootDir + "DADES\\PropietV",
                      RecordArea{owner, OwnerRecord::kReportLength}, status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(table_.RecordLength(kOwners), OwnerRecord::kRecordLength);
  std::string record(OwnerRecord::kRecordLength, 'r');
  record.replace(0, 2, "\x80\x81");
  Insert("DADES\\PropietV.dat", {record});
  table_.GetByKey(kOwners, 0, "", 1, status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(owner), 2), "\x80\x81");
  EXPECT_EQ(owner[OwnerRecord::kReportLength - 1], 'r');
  EXPECT_EQ(std::string(reinterpret_cast<char*>(owner) + OwnerRecord::kReportLength, 16),
            std::string(16, '#'));
}

TEST_F(RealFileTableTest, LockedRecordsWaitOrReturnByMode) {
  FillCollections();
  uint8_t other_area[48] = {};
  int16_t status = -1;
  other_.OpenDataFile(kCollections, session_.RootDir + "DADES\\CobramV",
                      RecordArea{other_area, sizeof other_area}, status);
  ASSERT_EQ(status, 0);
  const std::string key("\x80\x81\x80\x82", 4);
  table_.SetLockMode(kCollections, "B", status);
  table_.GetByKey(kCollections, 0, key, 1, status);  // takes the lock
  ASSERT_EQ(status, 0);

  other_.SetLockMode(kCollections, "B", status);
  other_.GetByKey(kCollections, 0, key, 1, status);
  EXPECT_EQ(status, kBtrRecordInUse);
  EXPECT_TRUE(messages_.log.empty());
  other_.SetLockMode(kCollections, "+D", status);
  other_.GetByKey(kCollections, 0, key, 1, status);  // plain reads do not wait
  EXPECT_EQ(status, 0);
  other_.SetLockMode(kCollections, "-", status);
  EXPECT_EQ(other_.CurrentLockMode(kCollections), 2);

  // Mode 1 waits; the holder moves on during the second pause.
  class Releasing : public LoggingMessages {
   public:
    FileTable* holder = nullptr;
    void Sleep(int32_t ms) override {
      LoggingMessages::Sleep(ms);
      if (log.size() == 3) {
        int16_t status;
        holder->StepRecords(kCollections, 1, status);  // its lock moves along
      }
    }
  } waiting;
  waiting.holder = &table_;
  BtrieveRecordManager manager;
  FileTable third(session_, waiting, manager, [] { return 0.0; });
  uint8_t third_area[48] = {};
  third.OpenDataFile(kCollections, session_.RootDir + "DADES\\CobramV",
                     RecordArea{third_area, sizeof third_area}, status);
  third.SetLockMode(kCollections, "A", status);
  third.GetByKey(kCollections, 0, key, 1, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(third_area[3], 0x82);
  EXPECT_EQ(waiting.log,
            (std::vector<std::string>{"sleep 1", "show 24 FITXER BLOQUEJAT. ESPEREU UN MOMENT.",
                                      "sleep 1", "hide"}));
  third.ResetDataFiles(status);
}

TEST_F(RealFileTableTest, AfterResetEveryNumberOpensAgain) {
  OpenCollections(table_);
  int16_t status = -1;
  table_.OpenDataFile(kOwners, session_.RootDir + "DADES\\PropietV",
                      RecordArea{area_, sizeof area_}, status);
  ASSERT_EQ(status, 0);
  table_.ResetDataFiles(status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(table_.FindFileEntry(kCollections), -40);
  OpenCollections(table_);
  table_.GetByKey(kOwners, 0, "", 1, status);
  EXPECT_EQ(status, kDataFileNotOpen);
}

TEST_F(RealFileTableTest, BadDictionariesAndDataFilesEndTheOpenWithAStatus) {
  struct Case { const char* file; std::string dictionary; };
  const Case cases[] = {
      {"PropietV", ""},                                       // empty
      {"FinquesV", std::string("\x30", 1)},                   // shorter than its count
      {"DepartaV", std::string("\x10\x00", 2) + std::string(16, '\xff')},
      {"PagamV", std::string("\x20\x00", 2) + std::string(8, '\x01')},
  };
  int16_t file_no = 600;
  for (const Case& c : cases) {
    std::ofstream(root_ / "ddf" / (std::string(c.file) + ".xdf"), std::ios::binary)
        << c.dictionary;
    messages_.log.clear();
    int16_t status = 0;
    table_.OpenDataFile(++file_no, session_.RootDir + "DADES\\" + c.file,
                        RecordArea{area_, sizeof area_}, status);
    EXPECT_NE(status, 0) << c.file;
    ASSERT_EQ(messages_.log.size(), 5u) << c.file;
    EXPECT_EQ(messages_.log[0].rfind("show 12 NO ES POT ACCEDIR AL FITXER ", 0), 0u);
    EXPECT_EQ(messages_.log[4], "end");
    EXPECT_FALSE(fs::exists(root_ / "DADES" / (std::string(c.file) + ".dat"))) << c.file;
  }
  fs::remove(root_ / "ddf" / "CobramV.xdf");
  messages_.log.clear();
  int16_t status = 0;
  table_.OpenDataFile(kCollections, session_.RootDir + "DADES\\CobramV",
                      RecordArea{area_, sizeof area_}, status);
  EXPECT_NE(status, 0);
  EXPECT_EQ(messages_.log.back(), "end");

  for (const std::string& junk :
       {std::string("not a database, only text\n"), std::string(5000, '\0'),
        std::string("SQLite format 3") + std::string(4000, '\x01')}) {
    std::ofstream(root_ / "DADES" / "Junk.dat", std::ios::binary) << junk;
    messages_.log.clear();
    table_.OpenDataFile(700, session_.RootDir + "DADES\\Junk", RecordArea{area_, 48}, status);
    EXPECT_NE(status, 0);
    EXPECT_EQ(messages_.log.back(), "end");
    EXPECT_EQ(table_.FindFileEntry(700), -40);
  }
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

TEST_F(RealFileTableTest, CutOrScrambledDictionariesNeverCrashTheOpen) {
  const std::string good = DictionaryBytes(*FindRecordKind("collections"));
  std::mt19937 random(3);
  int16_t file_no = 800;
  for (size_t round = 0; round < 60; ++round) {
    std::string dictionary = good;
    if (round < good.size()) {
      dictionary.resize(round);  // every cut of the dictionary
    } else {
      for (int flips = 0; flips < 3; ++flips) {
        dictionary[random() % dictionary.size()] = static_cast<char>(random());
      }
    }
    std::ofstream(root_ / "ddf" / "Fuzz.xdf", std::ios::binary | std::ios::trunc)
        << dictionary;
    fs::remove(root_ / "DADES" / "Fuzz.dat");
    int16_t status = -1;
    table_.OpenDataFile(++file_no, session_.RootDir + "DADES\\Fuzz",
                        RecordArea{area_, sizeof area_}, status);
    if (status == 0) {
      // Whatever layout was accepted can be read without harm.
      table_.GetByKey(file_no, 0, std::string(300, '\x81'), 1, status);
      table_.StepRecords(file_no, -3, status);
      table_.CurrentKeyImage(file_no);
      table_.ResetDataFiles(status);
    } else {
      EXPECT_EQ(messages_.log.back(), "end");
    }
  }
}

}  // namespace
}  // namespace orb
