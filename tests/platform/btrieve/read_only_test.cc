// A data directory the user may only read (a snapshot, a backup mount, a read-only
// share): its files open and read as they are; writes and locking reads get 46.
// Root may write anywhere, so as root the reading side runs in a child process that
// has become the user nobody.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "engine_fixture.h"

namespace orb::btr::testing {
namespace {

constexpr uid_t kNobody = 65534;

// Runs `reader` as a user who may not write the test's folder: this process when it is
// not root, else a child that has become nobody. Returns what `reader` returned (0 for
// all well, else the number of the check that failed).
int AsReader(const std::function<int()>& reader) {
  if (::geteuid() != 0) return reader();
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(100);
    ::_exit(reader());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class ReadOnlyDirectory : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
    ASSERT_EQ(Create("f.dat", FileDef(16, {{{1, 4, 0}}, {{5, 4, 0x01}}})), kBtrOk);
    Block w;
    ASSERT_EQ(Open(w, "f.dat"), kBtrOk);
    for (const char* r : {"0003bbbbxxxxxxxx", "0001aaaaxxxxxxxx", "0002ccccxxxxxxxx"}) {
      ASSERT_EQ(Insert(w, r), kBtrOk);
    }
    // Closed: the last connection folds the log into the file and removes it.
    ASSERT_EQ(engine_.Call(kBtrClose, w.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  }
  void TearDown() override {
    MakeWritable();
    EngineTest::TearDown();
  }
  void MakeReadOnly() {
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms(0444));
    }
    std::filesystem::permissions(dir_, std::filesystem::perms(0555));
  }
  void MakeWritable() {
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms(0644));
    }
  }
  // Opens f.dat in an engine of its own and reads it all along both keys, tries every
  // kind of write. 0 when all is as it should be.
  int ReadAndTryWrites(int8_t mode = 0, bool folder_read_only = true) {
    RecordEngine e;
    Configure(e);
    Block b;
    if (OpenWith(e, b, PathOf("f.dat"), mode) != kBtrOk) return 1;
    std::string along_0, along_1;
    for (Got g = GetWith(e, kBtrGetFirst, b, 0); g.status == kBtrOk;
         g = GetWith(e, kBtrGetNext, b, 0)) {
      along_0 += g.record.substr(0, 4);
    }
    if (along_0 != "000100020003") return 2;
    for (Got g = GetWith(e, kBtrGetLast, b, 1); g.status == kBtrOk;
         g = GetWith(e, kBtrGetPrevious, b, 1)) {
      along_1 += g.record.substr(4, 4);
    }
    if (along_1 != "ccccbbbbaaaa") return 3;
    if (GetWith(e, kBtrGetEqual, b, 0, "0002").status != kBtrOk) return 4;
    std::string record = "0009ddddxxxxxxxx";
    uint32_t len = 16;
    char key[255] = {};
    if (e.Call(kBtrInsert, b.bytes, record.data(), &len, key, 255, 0) != kBtrAccessDenied) {
      return 5;
    }
    if (e.Call(kBtrUpdate, b.bytes, record.data(), &len, key, 255, 0) != kBtrAccessDenied) {
      return 6;
    }
    if (e.Call(kBtrDelete, b.bytes, nullptr, nullptr, nullptr, 0, 0) != kBtrAccessDenied) {
      return 7;
    }
    if (GetWith(e, kBtrGetEqual + kBtrSingleNoWaitLock, b, 0, "0002").status !=
        kBtrAccessDenied) {
      return 8;
    }
    std::string stat(kStatBufferSize, '\0');
    len = kStatBufferSize;
    if (e.Call(kBtrStat, b.bytes, stat.data(), &len, key, 255, 0) != kBtrOk || stat[6] != 3) {
      return 9;
    }
    Block x;
    if (OpenWith(e, x, PathOf("f.dat"), -4) != kBtrAccessDenied) return 10;
    if (folder_read_only &&
        CreateWith(e, PathOf("g.dat"), FileDef(16, {{{1, 4, 0}}})) == kBtrOk) {
      return 11;
    }
    return 0;
  }
};

TEST_F(ReadOnlyDirectory, FilesReadAsTheyAreAndWritesGet46) {
  MakeReadOnly();
  EXPECT_EQ(AsReader([&] { return ReadAndTryWrites(); }), 0);
  EXPECT_EQ(AsReader([&] { return ReadAndTryWrites(-2); }), 0);
  // Nothing was left beside the file: no log, no shared memory file.
  EXPECT_FALSE(std::filesystem::exists(PathOf("f.dat-wal")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("f.dat-shm")));
}

TEST_F(ReadOnlyDirectory, WithoutALockSideFileTheFileIsStillRead) {
  std::filesystem::remove(PathOf("f.dat.lck"));
  MakeReadOnly();
  EXPECT_EQ(AsReader([&] { return ReadAndTryWrites(); }), 0);
  EXPECT_FALSE(std::filesystem::exists(PathOf("f.dat.lck")));
}

// A read-only file in a folder that may be written is read-only too; the folder's
// other files are not.
TEST_F(ReadOnlyDirectory, AReadOnlyFileInAWritableFolder) {
  std::filesystem::permissions(PathOf("f.dat"), std::filesystem::perms(0444));
  std::filesystem::permissions(PathOf("f.dat.lck"), std::filesystem::perms(0444));
  std::filesystem::permissions(dir_, std::filesystem::perms(0777));
  EXPECT_EQ(AsReader([&] { return ReadAndTryWrites(0, false); }), 0);
}

// Changes still in the log when the folder became read-only are read too.
TEST_F(ReadOnlyDirectory, ChangesStillInTheLogAreRead) {
  // A writer that stays open keeps its last commit in the log.
  Block w;
  ASSERT_EQ(Open(w, "f.dat"), kBtrOk);
  ASSERT_EQ(Insert(w, "0004eeeexxxxxxxx"), kBtrOk);
  ASSERT_GT(std::filesystem::file_size(PathOf("f.dat-wal")), 0u);
  MakeReadOnly();
  const int got = AsReader([&] {
    RecordEngine e;
    Configure(e);
    Block b;
    if (OpenWith(e, b, PathOf("f.dat")) != kBtrOk) return 1;
    const Got g = GetWith(e, kBtrGetLast, b, 0);
    if (g.status != kBtrOk) return 2;
    return g.record.substr(0, 4) == "0004" ? 0 : 3;
  });
  EXPECT_EQ(got, 0);
}

}  // namespace
}  // namespace orb::btr::testing
