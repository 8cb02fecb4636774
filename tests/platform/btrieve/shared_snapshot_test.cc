// Reads that share a recent snapshot (for long read-only walks) and how they end.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace orb::btr::testing {
namespace {

std::string Layout() { return FileDef(8, {{{1, 4, 0x00}}}, ""); }

class SharedSnapshot : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(Create("s.dat", Layout()), kBtrOk);
    ASSERT_EQ(Open(writer_, "s.dat"), kBtrOk);
    ASSERT_EQ(Insert(writer_, "A001xxxx"), kBtrOk);
    // The reader is another process as far as the file is concerned.
    ASSERT_EQ(OpenWith(other_, reader_, PathOf("s.dat")), kBtrOk);
  }
  Got Read(uint16_t op, const std::string& key = "") {
    return GetWith(other_, op, reader_, 0, key);
  }
  RecordEngine other_;
  Block writer_, reader_;
};

TEST_F(SharedSnapshot, OffByDefaultEveryReadSeesTheLatestCommit) {
  EXPECT_EQ(Read(kBtrGetEqual, "A001").status, kBtrOk);
  ASSERT_EQ(Insert(writer_, "B002xxxx"), kBtrOk);
  EXPECT_EQ(Read(kBtrGetEqual, "B002").status, kBtrOk);
}

TEST_F(SharedSnapshot, SharedReadsKeepTheirSnapshotUntilShareEnds) {
  ASSERT_EQ(other_.ShareReadSnapshots(reader_.bytes, true), kBtrOk);
  EXPECT_EQ(Read(kBtrGetEqual, "A001").status, kBtrOk);
  ASSERT_EQ(Insert(writer_, "B002xxxx"), kBtrOk);
  // Within the shared snapshot the new record may not be seen yet ...
  const int16_t during = Read(kBtrGetEqual, "B002").status;
  EXPECT_TRUE(during == kBtrOk || during == kBtrKeyNotFound);
  // ... a locked read always sees it ...
  EXPECT_EQ(Read(kBtrGetEqual + kBtrSingleNoWaitLock, "B002").status, kBtrOk);
  other_.Call(kBtrUnlock, reader_.bytes, nullptr, nullptr, nullptr, 0, 0);
  // ... and so does every read once sharing is off.
  ASSERT_EQ(other_.ShareReadSnapshots(reader_.bytes, false), kBtrOk);
  ASSERT_EQ(Insert(writer_, "C003xxxx"), kBtrOk);
  EXPECT_EQ(Read(kBtrGetEqual, "C003").status, kBtrOk);
}

TEST_F(SharedSnapshot, WritesThroughTheSharingBlockStillWork) {
  ASSERT_EQ(other_.ShareReadSnapshots(reader_.bytes, true), kBtrOk);
  EXPECT_EQ(Read(kBtrGetEqual, "A001").status, kBtrOk);
  EXPECT_EQ(InsertWith(other_, reader_, "D004xxxx"), kBtrOk);
  EXPECT_EQ(Read(kBtrGetEqual, "D004").status, kBtrOk);
  Block unknown;
  EXPECT_EQ(other_.ShareReadSnapshots(unknown.bytes, true), kBtrFileNotOpen);
}

}  // namespace
}  // namespace orb::btr::testing
