// The file table against a scripted record manager: what is sent, in which order, and
// what the caller sees, for the cases a real record manager cannot easily be made to
// produce (files in use, locked records, nonsense Stat blocks).
#include "data/file_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <fstream>

#include "platform/cp850.h"
#include "scripted_record_manager.h"

namespace orb {
namespace {

using testing::LoggingMessages;
using testing::MakeStatBlock;
using testing::ScriptedRecordManager;

class FileTableTest : public ::testing::Test {
 protected:
  FileTableTest() {
    manager_.stat_block = MakeStatBlock(16, 512, {{{4, 0}}, {{2, 0}, {3, 0}}});
  }
  void Open(int16_t file_no, int16_t expected = 0) {
    int16_t status = -1;
    table_.OpenDataFile(file_no, "DADES\\F" + std::to_string(file_no), Area(), status);
    ASSERT_EQ(status, expected);
  }
  RecordArea Area() { return RecordArea{area_, 16}; }
  void ResetTable() {
    int16_t status;
    table_.ResetDataFiles(status);
  }

  Session session_;
  ScriptedRecordManager manager_;
  LoggingMessages messages_;
  double random_ = 0.5;
  FileTable table_{session_, messages_, manager_, [this] { return random_; }};
  uint8_t area_[16] = {};
};

TEST_F(FileTableTest, EntriesAreClaimedFromTheTopAndRefusedWhenTakenOrFull) {
  EXPECT_EQ(table_.FindFileEntry(505), -40);
  Open(505);
  EXPECT_EQ(table_.FindFileEntry(505), 40);
  EXPECT_EQ(table_.FindFileEntry(506), -39);

  const size_t calls = manager_.calls.size();
  Open(505, kDataAlreadyOpen);
  Open(0, kDataAlreadyOpen);  // 0 marks a free entry
  EXPECT_EQ(manager_.calls.size(), calls);

  for (int16_t n = 1; n < 40; ++n) Open(n);
  EXPECT_EQ(table_.FindFileEntry(999), 0);
  Open(999, kDataNoFreeEntry);
  EXPECT_EQ(table_.FindFileEntry(505), 40);
}

TEST_F(FileTableTest, OpenSendsThePathAndOwnerAndSetsTheKeyFromStat) {
  Open(505);
  const testing::RecordedCall& open = manager_.calls.front();
  EXPECT_EQ(open.operation, 0);
  EXPECT_EQ(open.key, "DADES\\F505.dat");
  EXPECT_EQ(open.data_length, 5u);
  EXPECT_EQ(open.data.back(), '\0');
  EXPECT_EQ(open.key_number, 0);
  EXPECT_EQ(table_.CurrentKeyValue(505), std::string(4, '\0'));
  EXPECT_EQ(table_.CurrentKeyNumber(505), 0);
  EXPECT_EQ(table_.RecordLength(505), 16);
}

TEST(DataFileNameTest, SplitsDirectoryBaseAndExtension) {
  struct Case { const char* name; const char* dir; const char* base; const char* ext; };
  const Case cases[] = {
      {"C:\\X\\A.B.C", "C:\\X\\", "A", ".B.C"},
      {"\\root\\DADES\\PropietV", "\\root\\DADES\\", "PropietV", ".dat"},
      {"a.b/c", "a.b/", "c", ".dat"},
      {"C:file.x", "C:", "file", ".x"},
      {"plain", "", "plain", ".dat"},
      {".hidden", "", "", ".hidden"},
      {"", "", "", ".dat"},
  };
  for (const Case& c : cases) {
    const DataFileName parts = SplitDataFileName(c.name);
    EXPECT_EQ(parts.directory, c.dir) << c.name;
    EXPECT_EQ(parts.base, c.base) << c.name;
    EXPECT_EQ(parts.extension, c.ext) << c.name;
  }
}

class DictionaryTest : public FileTableTest {
 protected:
  DictionaryTest() {
    dir_ = std::filesystem::temp_directory_path() /
           ("orb_dict_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_ / "ddf");
    session_.RootDir = dir_.string() + "/";
  }
  ~DictionaryTest() override { std::filesystem::remove_all(dir_); }
  void WriteDictionary(const std::string& bytes) {
    std::ofstream(dir_ / "ddf" / "PropietV.xdf", std::ios::binary) << bytes;
  }
  std::filesystem::path dir_;
};

TEST_F(DictionaryTest, MissingFileIsCreatedFromItsDictionaryThenOpened) {
  WriteDictionary(std::string("\x04\x00" "ABCDxyz", 9));  // count 4: "xyz" is cut
  manager_.open_statuses = {12, 0};
  int16_t status = -1;
  table_.OpenDataFile(505, "C:\\ELSEWHERE\\PropietV", Area(), status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(manager_.Operations(), (std::vector<uint16_t>{0, 14, 0, 15}));
  const testing::RecordedCall& create = manager_.calls[1];
  EXPECT_EQ(create.data_length, 1536u);
  EXPECT_EQ(create.data, "ABCD" + std::string(1532, ' '));
  EXPECT_EQ(create.key, "C:\\ELSEWHERE\\PropietV.dat");
  EXPECT_EQ(create.key_number, -1);
  EXPECT_TRUE(messages_.log.empty());
  EXPECT_EQ(messages_.created, (std::vector<std::string>{"C:\\ELSEWHERE\\PropietV"}));
}

TEST_F(DictionaryTest, FileCreatedMeanwhileByAnotherProgramIsOpened) {
  WriteDictionary(std::string("\x04\x00" "ABCD", 6));
  manager_.open_statuses = {12, 0};
  manager_.create_statuses = {59};  // lost the race to create it
  int16_t status = -1;
  table_.OpenDataFile(505, "DADES\\PropietV", Area(), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(manager_.Operations(), (std::vector<uint16_t>{0, 14, 0, 15}));
  EXPECT_TRUE(messages_.log.empty());
  EXPECT_TRUE(messages_.created.empty());  // another program made it
}

TEST_F(DictionaryTest, DictionaryShorterThanItsCountGivesWhatItHas) {
  WriteDictionary(std::string("\xff\xff" "AB", 4));
  manager_.open_statuses = {12, 0};
  int16_t status = -1;
  table_.OpenDataFile(505, "DADES\\PropietV", Area(), status);
  EXPECT_EQ(manager_.calls[1].data, "AB" + std::string(1534, ' '));
}

TEST_F(DictionaryTest, FailedCreateEndsTheProgramWithTheMessage) {
  manager_.open_statuses = {12};  // no dictionary at all: Create gets spaces
  manager_.create_statuses = {24};
  int16_t status = -1;
  table_.OpenDataFile(505, "DADES\\PropietV", Area(), status);
  EXPECT_EQ(manager_.calls[1].data, std::string(1536, ' '));
  EXPECT_EQ(status, 24);
  EXPECT_EQ(messages_.log,
            (std::vector<std::string>{
                "show 12 NO ES POT ACCEDIR AL FITXER DADES\\PropietV (24): LONGITUD DE REGISTRE "
                "NO V\xb7LIDA",
                "beep", "key", "hide", "end"}));
  EXPECT_EQ(manager_.Operations().back(), 28);  // the files were reset before the end
  EXPECT_EQ(table_.FindFileEntry(505), -40);    // and the entry is free again
}

TEST_F(FileTableTest, FileInUseIsRetriedEveryThreeSeconds) {
  manager_.open_statuses = {85, 85, 85, 0};
  Open(505);
  EXPECT_EQ(messages_.log,
            (std::vector<std::string>{"sleep 3000", "sleep 3000", "sleep 3000"}));
}

TEST_F(FileTableTest, AFileHeldTooLongFailsTheOpenWhenTheCallerGivesUp) {
  manager_.open_statuses = {85, 85, 85, 85, 0};
  messages_.wait_limit_ms = 6000;
  Open(505, 85);
  EXPECT_EQ(messages_.waits, (std::vector<std::string>{"DADES\\F505 0", "DADES\\F505 3000",
                                                       "DADES\\F505 6000"}));
  EXPECT_EQ(messages_.log,
            (std::vector<std::string>{"sleep 3000", "sleep 3000",
                                      "show 12 NO ES POT ACCEDIR AL FITXER DADES\\F505 (85): "
                                      "FITXER EN \xe9S PER UN ALTRE PROGRAMA",
                                      "beep", "key", "hide", "end"}));
  EXPECT_EQ(table_.FindFileEntry(505), -40);  // nothing is left open
}

// The message names the file, the status and what the status means, in the session's
// language (the words from the installation's catalogue); a status without words of
// its own is told by its number.
TEST_F(FileTableTest, OpenFailureTextFollowsTheLanguage) {
  session_.RootDir = std::string(ORB_TEST_DATA) + "/../demo/";
  struct Case { const char* language; const char* utf8; const char* full_disk; };
  const Case cases[] = {
      {"SPA", "NO SE PUEDE ACCEDER AL FICHERO ", "DISCO LLENO"},
      {"GLG", "NOM SE PODE ACEDER AO FICHEIRO ", "DISCO CHEO"},
      {"OCI", "NON SE PÒT ACCEDIR ATH FICHÈR ", "DISC PLEN"},
      {"CAT", "NO ES POT ACCEDIR AL FITXER ", "DISC PLE"},
      {"spa", "NO ES POT ACCEDIR AL FITXER ", "DISC PLE"},
      {"   ", "NO ES POT ACCEDIR AL FITXER ", "DISC PLE"},
  };
  for (const Case& c : cases) {
    session_.Language = c.language;
    for (const int16_t failure : {int16_t{18}, int16_t{7}}) {
      messages_.log.clear();
      manager_.open_statuses = {failure};
      int16_t status = 0;
      table_.OpenDataFile(7, "X", Area(), status);
      EXPECT_EQ(status, failure);
      ASSERT_FALSE(messages_.log.empty());
      EXPECT_EQ(messages_.log.front(),
                "show 12 " + cp850::FromUtf8(c.utf8) +
                    (failure == 18 ? "X (18): " + cp850::FromUtf8(c.full_disk) : "X (7)"));
    }
  }
}

TEST(DataTextsTest, LockMessagesAreCodePage850) {
  EXPECT_EQ(LockWaitText("SPA"), cp850::FromUtf8("FICHERO BLOQUEADO. ESPERE UN MOMENTO."));
  EXPECT_EQ(LockWaitText("GLG"), cp850::FromUtf8("FICHEIRO BLOQUEADO. ESPERE UM MOMENTO."));
  EXPECT_EQ(LockWaitText("OCI"), cp850::FromUtf8("FICHÈR BLOQUEJAT. ESPERATZ UN MOMENT."));
  EXPECT_EQ(LockWaitText("XYZ"), cp850::FromUtf8("FITXER BLOQUEJAT. ESPEREU UN MOMENT."));
}

TEST_F(FileTableTest, ResetClearsTheTableOnlyWhenTheRecordManagerAgrees) {
  Open(505);
  int16_t status = -1;
  manager_.reset_status = 2;
  table_.ResetDataFiles(status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(table_.FindFileEntry(505), 40);
  manager_.reset_status = 0;
  table_.ResetDataFiles(status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(table_.FindFileEntry(505), -40);
  Open(505);
}

TEST_F(FileTableTest, KeyInfoSumsSegmentsAndRefusesKeysBeyondTheFile) {
  Open(505);
  int16_t key_length = -1, record_length = -1;
  table_.GetKeyInfo(505, 1, key_length, record_length);
  EXPECT_EQ(key_length, 5);
  EXPECT_EQ(record_length, 16);
  table_.GetKeyInfo(505, 2, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  EXPECT_EQ(record_length, 16);
  table_.GetKeyInfo(505, -1, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  table_.GetKeyInfo(506, 0, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  EXPECT_EQ(record_length, 0);
}

TEST_F(FileTableTest, NonsenseStatBlocksGiveNoKey) {
  std::string block = MakeStatBlock(16, 512, {});
  block[4] = '\xff';  // 65535 keys, all segments flagged as continuing
  block.resize(1536, '\x10');
  manager_.stat_block = block;
  Open(505);
  int16_t status = 0;
  table_.GetByKey(505, 0, "x", 0, status);
  EXPECT_EQ(status, kDataNoSuchKey);
  EXPECT_EQ(table_.KeyImage("abc", 505), "abc");

  manager_.stat_block = MakeStatBlock(16, 512, {{{300, 0}}});  // longer than a key buffer
  Open(506);
  table_.GetByKey(506, 0, "x", 0, status);
  EXPECT_EQ(status, kDataNoSuchKey);
}

class RecordAccessTest : public FileTableTest {
 protected:
  void SetUp() override { Open(505); }
  const testing::RecordedCall& LastCall() { return manager_.calls.back(); }
};

TEST_F(RecordAccessTest, GetByKeyChoosesTheOperationAndSizesTheKey) {
  int16_t status = -1;
  table_.GetByKey(505, 0, "ABCDEFG", 0, status);
  EXPECT_EQ(LastCall().operation, 5);
  EXPECT_EQ(LastCall().key.substr(0, 4), "ABCD");
  EXPECT_EQ(LastCall().key_length, 4);
  table_.GetByKey(505, 1, "A", 3, status);
  EXPECT_EQ(LastCall().operation, 9);
  EXPECT_EQ(LastCall().key.substr(0, 6), std::string("A\0\0\0\0\0", 6));
  EXPECT_EQ(LastCall().key_number, 1);
  EXPECT_EQ(table_.CurrentKeyNumber(505), 1);
  table_.GetByKey(505, 0, "A", -1, status);
  EXPECT_EQ(LastCall().operation, 11);
  EXPECT_EQ(status, 9);

  const size_t calls = manager_.calls.size();
  table_.GetByKey(505, 2, "A", 0, status);
  EXPECT_EQ(status, kDataNoSuchKey);
  table_.GetByKey(504, 0, "A", 0, status);
  EXPECT_EQ(status, kDataFileNotOpen);
  table_.GetByKey(0, 0, "A", 0, status);
  EXPECT_EQ(status, kDataFileNotOpen);
  EXPECT_EQ(manager_.calls.size(), calls);  // the key layout was read at the open
}

TEST_F(RecordAccessTest, ShortDataBufferCountsAsSuccess) {
  manager_.on_get = [](uint16_t, uint8_t* data, uint32_t* length, char*) {
    std::memcpy(data, "0123456789abcdef", 16);
    *length = 16;
    return int16_t{22};
  };
  int16_t status = -1;
  table_.GetByKey(505, 0, "A", 0, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(area_), 16), "0123456789abcdef");
}

TEST_F(FileTableTest, ReadsNeverWritePastASmallRecordArea) {
  manager_.stat_block = MakeStatBlock(384, 4096, {{{2, 0}}});
  uint8_t storage[340];
  std::memset(storage, 'g', sizeof storage);
  std::memset(storage, 'a', 321);
  int16_t status = -1;
  table_.OpenDataFile(505, "DADES\\PropietV", RecordArea{storage, 321}, status);
  ASSERT_EQ(status, 0);
  manager_.on_get = [](uint16_t, uint8_t* data, uint32_t* length, char*) {
    std::memset(data, 'r', 1000);  // longer than the record, as a faulty manager might
    *length = 1000;
    return int16_t{0};
  };
  table_.GetByKey(505, 0, "A", 0, status);
  EXPECT_EQ(status, 0);
  // The data buffer held the area's 321 bytes, then spaces.
  EXPECT_EQ(manager_.calls.back().data_length, 384u);
  EXPECT_EQ(manager_.calls.back().data, std::string(321, 'a') + std::string(63, ' '));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(storage), 321), std::string(321, 'r'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(storage) + 321, 19), std::string(19, 'g'));

  table_.StepRecords(505, 1, status);
  EXPECT_EQ(table_.PositionRecord(505, 77), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(storage) + 321, 19), std::string(19, 'g'));
}

TEST_F(RecordAccessTest, StepRecordsMakesSilentStepsThenOneCopyingStep) {
  int record = 0;
  manager_.on_get = [&record](uint16_t, uint8_t* data, uint32_t* length, char* key) {
    ++record;
    std::memset(data, 'A' + record, 16);
    *length = 16;
    std::memcpy(key, "K\0ZZ", 4);  // a key with a zero byte
    return int16_t{0};
  };
  int16_t status = -1;
  table_.StepRecords(505, 5, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(manager_.Operations(), (std::vector<uint16_t>{0, 15, 6, 6, 6, 6, 6}));
  EXPECT_EQ(area_[0], 'A' + 5);  // only the last step copied
  // The silent steps cut the key at its zero byte; the copying step kept that length.
  EXPECT_EQ(table_.CurrentKeyValue(505), "K");
  EXPECT_EQ(manager_.calls.back().key_length, 1);

  manager_.calls.clear();
  table_.StepRecords(505, 0, status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(manager_.calls.empty());
  table_.StepRecords(505, -2, status);
  EXPECT_EQ(manager_.Operations(), (std::vector<uint16_t>{7, 7}));
  table_.StepRecords(-32768, -32768, status);
  EXPECT_EQ(status, kDataFileNotOpen);
}

TEST_F(RecordAccessTest, StepStopsAtTheEndOfTheFileAndKeepsTheLastRecord) {
  int left = 2;
  manager_.on_get = [&left](uint16_t, uint8_t* data, uint32_t* length, char*) {
    if (left-- <= 0) {
      std::memset(data, '?', 16);
      return int16_t{9};
    }
    std::memset(data, 'R', 16);
    *length = 16;
    return int16_t{0};
  };
  int16_t status = -1;
  table_.StepRecords(505, 1, status);
  table_.StepRecords(505, 5, status);
  EXPECT_EQ(status, 9);
  EXPECT_EQ(manager_.Operations().size(), 2u + 1 + 2);  // open, stat, 1, then two silent
  EXPECT_EQ(area_[0], 'R');
}

// A record manager that writes into the data buffer and then fails: the record area
// keeps the last record read, whatever the read and whatever the failure.
TEST_F(RecordAccessTest, AFailedReadLeavesTheRecordAreaAsItWas) {
  int16_t answer = 0;
  manager_.on_get = [&answer](uint16_t, uint8_t* data, uint32_t* length, char*) {
    std::memset(data, answer == 0 ? 'R' : '!', 16);
    *length = 16;
    return answer;
  };
  int16_t status = -1;
  table_.GetByKey(505, 0, "A", 0, status);
  ASSERT_EQ(status, 0);
  const std::string record(reinterpret_cast<char*>(area_), sizeof area_);
  ASSERT_EQ(record.substr(0, 16), std::string(16, 'R'));
  // I/O error, key not found, end of file, disk full, record in use, server lost.
  for (const int16_t failure : {2, 4, 9, 18, 84, 20}) {
    answer = failure;
    table_.GetByKey(505, 0, "A", 1, status);
    EXPECT_EQ(status, failure);
    table_.StepRecords(505, 1, status);
    EXPECT_EQ(status, failure);
    EXPECT_EQ(table_.PositionRecord(505, 12), failure);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(area_), sizeof area_), record) << failure;
  }
}

TEST_F(RecordAccessTest, LockModeOneWaitsWithOneMessageUntilTheRecordIsFree) {
  int busy = 3;
  manager_.on_get = [&busy](uint16_t, uint8_t*, uint32_t* length, char*) {
    *length = 16;
    return busy-- > 0 ? int16_t{84} : int16_t{0};
  };
  int16_t status = -1;
  table_.SetLockMode(505, "a", status);
  random_ = 0.25;
  table_.GetByKey(505, 0, "K", 1, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(manager_.Operations().back(), 209);
  EXPECT_EQ(messages_.log,
            (std::vector<std::string>{"sleep 2501", "show 24 FITXER BLOQUEJAT. ESPEREU UN MOMENT.",
                                      "sleep 2501", "sleep 2501", "hide"}));
}

TEST_F(RecordAccessTest, ALockedRecordIsGivenUpWhenTheCallerStopsWaiting) {
  manager_.on_get = [](uint16_t, uint8_t*, uint32_t*, char*) { return int16_t{84}; };
  int16_t status = -1;
  table_.SetLockMode(505, "a", status);
  random_ = 0.25;  // pauses of 2501 ms
  messages_.wait_limit_ms = 5000;
  table_.GetByKey(505, 0, "K", 1, status);
  EXPECT_EQ(status, 84);
  EXPECT_EQ(messages_.waits, (std::vector<std::string>{"DADES\\F505 0", "DADES\\F505 2501",
                                                       "DADES\\F505 5002"}));
  EXPECT_EQ(messages_.log,
            (std::vector<std::string>{"sleep 2501", "show 24 FITXER BLOQUEJAT. ESPEREU UN MOMENT.",
                                      "sleep 2501", "hide"}));
  // The next read waits afresh.
  messages_.waits.clear();
  table_.StepRecords(505, 1, status);
  EXPECT_EQ(messages_.waits.front(), "DADES\\F505 0");
}

TEST_F(RecordAccessTest, LockPausesStayBetweenOneAndTenThousandAndOneMilliseconds) {
  for (double fraction : {0.0, 0.99999999, 1.5, -3.0, std::nan("")}) {
    messages_.log.clear();
    bool busy = true;
    manager_.on_get = [&busy](uint16_t, uint8_t*, uint32_t*, char*) {
      const bool was = busy;
      busy = false;
      return was ? int16_t{85} : int16_t{0};
    };
    int16_t status = -1;
    table_.SetLockMode(505, "A", status);
    random_ = fraction;
    table_.StepRecords(505, 1, status);
    ASSERT_EQ(messages_.log.size(), 3u);  // the pause, the message, its removal
    const int ms = std::stoi(messages_.log[0].substr(6));
    EXPECT_GE(ms, 1);
    EXPECT_LE(ms, 10001);
  }
}

TEST_F(RecordAccessTest, LockModeTwoReturnsABusyRecordAtOnce) {
  manager_.on_get = [](uint16_t, uint8_t*, uint32_t*, char*) { return int16_t{84}; };
  int16_t status = -1;
  table_.SetLockMode(505, "B", status);
  table_.GetByKey(505, 0, "K", 0, status);
  EXPECT_EQ(status, 84);
  EXPECT_EQ(manager_.Operations().back(), 205);
  EXPECT_TRUE(messages_.log.empty());
  table_.SetLockMode(505, "D", status);
  table_.GetByKey(505, 0, "K", 0, status);
  EXPECT_EQ(manager_.Operations().back(), 5);
}

TEST_F(RecordAccessTest, SavedLockModesComeBackPerFile) {
  Open(506);
  int16_t status = 77;
  table_.SetLockMode(505, "A", status);
  table_.SetLockMode(506, "b", status);
  EXPECT_EQ(status, 77);  // not written for an open file
  table_.SetLockMode(505, "+d", status);
  table_.SetLockMode(506, "+D", status);
  EXPECT_EQ(table_.CurrentLockMode(505), 0);
  table_.SetLockMode(505, "-", status);
  EXPECT_EQ(table_.CurrentLockMode(505), 1);
  EXPECT_EQ(table_.CurrentLockMode(506), 0);
  table_.SetLockMode(505, "d-x?", status);  // nothing saved for it any more
  EXPECT_EQ(table_.CurrentLockMode(505), 0);
  table_.SetLockMode(506, "-", status);
  EXPECT_EQ(table_.CurrentLockMode(506), 2);
  table_.SetLockMode(504, "A", status);
  EXPECT_EQ(status, kDataFileNotOpen);
}

TEST_F(RecordAccessTest, LockedGetFillsShortKeysByOperation) {
  manager_.on_get = [](uint16_t, uint8_t*, uint32_t*, char* key) {
    std::memcpy(key, "AB\0", 3);
    return int16_t{0};
  };
  int16_t status = 0;
  table_.StepRecords(505, 2, status);  // the silent step leaves KeyValue "AB"
  ASSERT_EQ(table_.CurrentKeyValue(505).size(), 2u);
  const int16_t entry = table_.FindFileEntry(505);
  struct Case { uint16_t operation; char fill; };
  for (Case c : {Case{9, '\0'}, Case{8, '\0'}, Case{11, '\xff'}, Case{10, '\xff'},
                 Case{5, ' '}}) {
    uint16_t operation = c.operation;
    table_.LockedGet(entry, operation, status);
    EXPECT_EQ(manager_.calls.back().key.substr(0, 4), std::string("AB") + c.fill + c.fill)
        << c.operation;
    EXPECT_EQ(manager_.calls.back().key_length, 2);
  }
  table_.SetLockMode(505, "B", status);
  uint16_t operation = 9;
  table_.LockedGet(entry, operation, status);
  EXPECT_EQ(operation, 209);
  EXPECT_EQ(manager_.calls.back().key.substr(2, 2), "  ");  // the raised code is compared
  operation = 6;
  table_.LockedGet(entry, operation, status);
  EXPECT_EQ(operation, 206);
  operation = 2;
  table_.LockedGet(entry, operation, status);
  EXPECT_EQ(operation, 2);  // not a get
  table_.LockedGet(0, operation, status);
  EXPECT_EQ(status, kDataFileNotOpen);
}

TEST_F(RecordAccessTest, PositionRecordReadsAndSetsPositions) {
  manager_.on_get = [](uint16_t operation, uint8_t* data, uint32_t* length, char* key) {
    if (operation == 22) {
      std::memcpy(data, "\x78\x56\x34\x12", 4);
      *length = 4;
      return int16_t{0};
    }
    std::memset(data, 'D', 16);
    *length = 16;
    std::memcpy(key, "QR\0", 3);
    return int16_t{22};
  };
  EXPECT_EQ(table_.PositionRecord(505, 0), 0x12345678);
  EXPECT_EQ(manager_.calls.back().key_length, 0);
  EXPECT_EQ(table_.PositionRecord(505, 0x01020304), 0);
  const testing::RecordedCall& direct = manager_.calls.back();
  EXPECT_EQ(direct.operation, 23);
  EXPECT_EQ(direct.data.substr(0, 5), "\x04\x03\x02\x01 ");
  EXPECT_EQ(direct.data_length, 1536u);
  EXPECT_EQ(area_[15], 'D');
  EXPECT_EQ(table_.CurrentKeyValue(505), "QR");
  EXPECT_EQ(table_.PositionRecord(506, 0), 0);

  manager_.on_get = [](uint16_t, uint8_t*, uint32_t*, char*) { return int16_t{8}; };
  EXPECT_EQ(table_.PositionRecord(505, 0), 0);  // no current record
}

TEST_F(FileTableTest, KeyImagesReverseBinarySegmentsAndMapCollatedOnes) {
  std::string collating(265, '\0');
  collating[0] = '\xac';
  for (int c = 0; c < 256; ++c) collating[9 + c] = static_cast<char>(c);
  collating[9 + 'a'] = 'A';
  collating[9 + 'b'] = 'B';
  manager_.stat_block = MakeStatBlock(16, 512, {{{2, 0x04}, {3, 0x20}}, {{1, 0}}}, collating);
  Open(505);
  EXPECT_EQ(table_.KeyImage(std::string("\x01\x02" "abc", 5), 505),
            std::string("\x02\x01" "ABc", 5));
  EXPECT_EQ(table_.KeyImage("\x05", 505), std::string("\0\x05", 2));  // padded, reversed
  EXPECT_EQ(table_.KeyImage("xyz", 506), "xyz");
  EXPECT_EQ(table_.CurrentKeyImage(505), std::string(5, '\0'));
  EXPECT_EQ(table_.CurrentKeyImage(506), "");
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

TEST_F(FileTableTest, RandomStatBlocksNeverLeadOutOfBounds) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    std::string block(static_cast<size_t>(random() % 1600), '\0');
    for (char& c : block) c = static_cast<char>(random() % 4 == 0 ? random() : random() % 3);
    if (round % 2 == 0 && block.size() > 6) block[4] = static_cast<char>(random() % 8);
    manager_.stat_block = block;
    int16_t status = 0;
    ResetTable();
    table_.OpenDataFile(505, "DADES\\R", Area(), status);
    ASSERT_EQ(status, 0);
    int16_t key_length = 0, record_length = 0;
    for (int16_t key = -1; key < 9; ++key) {
      table_.GetKeyInfo(505, key, key_length, record_length);
      EXPECT_GE(key_length, 0);
      EXPECT_LE(key_length, 255);
      table_.GetByKey(505, key, std::string(300, 'k'), 1, status);
      table_.KeyImage(std::string(static_cast<size_t>(random() % 300), '\x7f'), 505);
      table_.CurrentKeyImage(505);
    }
    table_.StepRecords(505, 3, status);
    table_.PositionRecord(505, 9);
  }
}

}  // namespace
}  // namespace orb
