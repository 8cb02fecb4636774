// Going idle: a position block left open over a long wait holds no read snapshot, so
// another writer's log stays checkpointed, and its next read sees the new records and
// goes on from its place.
#include <sys/stat.h>

#include "engine_fixture.h"
#include "platform/input_wait.h"
#include "platform/memory_console.h"

namespace orb::btr::testing {
namespace {

constexpr uint16_t kRecordLength = 200;

std::string Record(int n, char fill = 'r') {
  std::string key = std::to_string(100000 + n);  // 6 digits, in key order
  std::string r = key + std::string(kRecordLength - key.size(), fill);
  return r;
}

int64_t SizeOf(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

class Idle : public BothEngines {
 protected:
  void SetUp() override {
    BothEngines::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(Create("f.dat", FileDef(kRecordLength, {{{1, 6, 0}}})), kBtrOk);
    Block w;
    ASSERT_EQ(Open(w, "f.dat"), kBtrOk);
    for (int i = 0; i < 20; i += 2) ASSERT_EQ(Insert(w, Record(i)), kBtrOk);
  }
};

// The reader stops at the third record and waits; a writer in another engine adds
// records after it and in between. After going idle the reader's next step reads the
// record just after its place, including the ones added meanwhile.
TEST_P(Idle, TheNextStepGoesOnFromThePlaceAndSeesNewRecords) {
  Block r;
  ASSERT_EQ(Open(r, "f.dat"), kBtrOk);
  ASSERT_EQ(Get(kBtrGetFirst, r, 0).status, kBtrOk);
  ASSERT_EQ(Get(kBtrGetNext, r, 0).status, kBtrOk);
  ASSERT_EQ(Get(kBtrGetNext, r, 0).record.substr(0, 6), "100004");
  engine_.Idle();

  RecordEngine other;
  Configure(other);
  Block w;
  ASSERT_EQ(OpenWith(other, w, PathOf("f.dat")), kBtrOk);
  ASSERT_EQ(InsertWith(other, w, Record(5)), kBtrOk);
  ASSERT_EQ(InsertWith(other, w, Record(3)), kBtrOk);  // behind the place: not seen
  Settle();

  EXPECT_EQ(Get(kBtrGetNext, r, 0).record.substr(0, 6), "100005");
  EXPECT_EQ(Get(kBtrGetNext, r, 0).record.substr(0, 6), "100006");
  EXPECT_EQ(Get(kBtrGetPrevious, r, 0).record.substr(0, 6), "100005");
  EXPECT_EQ(Get(kBtrGetPrevious, r, 0).record.substr(0, 6), "100004");
  EXPECT_EQ(Get(kBtrGetPrevious, r, 0).record.substr(0, 6), "100003");
  // The record count read after another idle counts both.
  engine_.Idle();
  std::string stat(kStatBufferSize, '\0');
  uint32_t len = kStatBufferSize;
  char key[255] = {};
  ASSERT_EQ(engine_.Call(kBtrStat, r.bytes, stat.data(), &len, key, 255, 0), kBtrOk);
  EXPECT_EQ(static_cast<uint8_t>(stat[6]) | static_cast<uint8_t>(stat[7]) << 8, 12);
}

// A record locked before the wait stays locked across it, and the update after it
// goes through.
TEST_P(Idle, ALockedRecordStaysLockedAndUpdatable) {
  Block r;
  ASSERT_EQ(Open(r, "f.dat"), kBtrOk);
  ASSERT_EQ(Get(kBtrGetEqual + kBtrSingleNoWaitLock, r, 0, "100006").status, kBtrOk);
  engine_.Idle();
  RecordEngine other;
  Configure(other);
  Block o;
  ASSERT_EQ(OpenWith(other, o, PathOf("f.dat")), kBtrOk);
  EXPECT_EQ(GetWith(other, kBtrGetEqual + kBtrSingleNoWaitLock, o, 0, "100006").status,
            kBtrRecordInUse);
  std::string changed = Record(6, 'u');
  uint32_t len = kRecordLength;
  char key[255] = {};
  EXPECT_EQ(engine_.Call(kBtrUpdate, r.bytes, changed.data(), &len, key, 255, 0), kBtrOk);
  EXPECT_EQ(GetWith(other, kBtrGetEqual, o, 0, "100006").record, changed);
}

INSTANTIATE_BOTH_ENGINES(Idle);

// The log of a SQLite file that another connection keeps writing to while a reader sits
// idle on it stays at the size of a checkpoint interval; without the idle, the
// reader's snapshot would pin every page written since and the log would keep growing
// (some 50 MB here).
TEST_F(EngineTest, AWriterKeepsTheLogBoundedWhileAReaderIsIdle) {
  ASSERT_EQ(Create("f.dat", FileDef(kRecordLength, {{{1, 6, 0}}})), kBtrOk);
  Block r;
  ASSERT_EQ(Open(r, "f.dat"), kBtrOk);
  {
    Block w;
    ASSERT_EQ(Open(w, "f.dat"), kBtrOk);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(Insert(w, Record(i)), kBtrOk);
  }
  ASSERT_EQ(Get(kBtrGetFirst, r, 0).status, kBtrOk);
  ASSERT_EQ(Get(kBtrGetNext, r, 0).status, kBtrOk);
  engine_.Idle();

  RecordEngine writer;
  Configure(writer);
  Block w;
  ASSERT_EQ(OpenWith(writer, w, PathOf("f.dat")), kBtrOk);
  int64_t largest = 0;
  for (int i = 10; i < 1600; ++i) {
    ASSERT_EQ(InsertWith(writer, w, Record(i)), kBtrOk);
    largest = std::max(largest, SizeOf(PathOf("f.dat-wal")));
  }
  EXPECT_LT(largest, int64_t{12} << 20) << "the log grew to " << largest << " bytes";
  EXPECT_EQ(Get(kBtrGetNext, r, 0).record.substr(0, 6), "100002");
  EXPECT_EQ(Get(kBtrGetLast, r, 0).record.substr(0, 6), "101599");
}

// The program's process engine: BtrIdle lets every open block of it go idle, and a
// console wait for a key runs it once installed as the input wait hook.
TEST_F(EngineTest, AConsoleWaitLetsTheProcessEngineGoIdle) {
  ASSERT_EQ(Create("f.dat", FileDef(kRecordLength, {{{1, 6, 0}}})), kBtrOk);
  const std::string path = PathOf("f.dat");
  std::string name = path + '\0';
  Block r;
  char owner[5] = {};
  uint32_t len = 0;
  ASSERT_EQ(BTRCALL(kBtrOpen, r.bytes, owner, &len, name.data(),
                    static_cast<uint8_t>(path.size()), 0), kBtrOk);
  Block w;
  ASSERT_EQ(Open(w, "f.dat"), kBtrOk);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(Insert(w, Record(i)), kBtrOk);
  std::string data(kRecordLength, ' ');
  char key[255] = {};
  len = kRecordLength;
  ASSERT_EQ(BTRCALL(kBtrGetFirst, r.bytes, data.data(), &len, key, 255, 0), kBtrOk);

  MemoryConsole console;
  console.SetIdleKey("\x1b");
  const InputWaitHook previous = SetInputWaitHook(BtrIdle);
  console.WaitForInput(-1);
  SetInputWaitHook(previous);

  // The snapshot is gone: the writer's checkpoints restart the log.
  RecordEngine writer;
  Configure(writer);
  Block o;
  ASSERT_EQ(OpenWith(writer, o, path), kBtrOk);
  for (int i = 4; i < 1300; ++i) ASSERT_EQ(InsertWith(writer, o, Record(i)), kBtrOk);
  EXPECT_LT(SizeOf(path + "-wal"), int64_t{12} << 20);
  len = kRecordLength;
  ASSERT_EQ(BTRCALL(kBtrGetNext, r.bytes, data.data(), &len, key, 255, 0), kBtrOk);
  EXPECT_EQ(data.substr(0, 6), "100001");
  BTRCALL(kBtrClose, r.bytes, nullptr, nullptr, nullptr, 0, 0);
}

}  // namespace
}  // namespace orb::btr::testing
