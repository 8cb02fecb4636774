// The file system failing under the SQLite files: a full disk, read errors and refused
// access each get the status that names them, never "not a data file" (30), which stays
// for files that are not ours. The faults come from a VFS laid over the system's own,
// made the default while a test runs.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <list>

#include "engine_fixture.h"

namespace orb::btr::testing {
namespace {

struct Faults {
  bool disk_full = false;      // writes fail as on a full disk
  bool shared_memory = false;  // the WAL index cannot be grown (no space)
  bool read_error = false;     // reads fail with EIO
  bool no_access = false;      // opens fail with EACCES
};
Faults faults;

sqlite3_vfs* system_vfs = nullptr;

// The system's methods for each kind of file it opens, and the faulty copy of each.
struct Methods {
  const sqlite3_io_methods* system;
  sqlite3_io_methods faulty;
};
std::list<Methods> methods;

const sqlite3_io_methods* System(sqlite3_file* file) {
  for (const Methods& m : methods) {
    if (&m.faulty == file->pMethods) return m.system;
  }
  return file->pMethods;
}

int FaultyRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  if (faults.read_error) {
    errno = EIO;
    return SQLITE_IOERR_READ;
  }
  return System(file)->xRead(file, buffer, amount, offset);
}

int FaultyWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (faults.disk_full) {
    errno = ENOSPC;
    return SQLITE_FULL;
  }
  return System(file)->xWrite(file, buffer, amount, offset);
}

int FaultyShmMap(sqlite3_file* file, int page, int size, int extend, void volatile** out) {
  if (faults.shared_memory) {
    errno = ENOSPC;
    return SQLITE_IOERR_SHMSIZE;
  }
  return System(file)->xShmMap(file, page, size, extend, out);
}

// The system's file, with its methods swapped for ones that can fail first.
int FaultyOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
               int* out_flags) {
  if (faults.no_access) {
    errno = EACCES;
    return SQLITE_CANTOPEN;
  }
  const int rc = system_vfs->xOpen(system_vfs, name, file, flags, out_flags);
  if (rc != SQLITE_OK || file->pMethods == nullptr) return rc;
  auto known = std::find_if(methods.begin(), methods.end(), [file](const Methods& m) {
    return m.system == file->pMethods;
  });
  if (known == methods.end()) {
    Methods m{file->pMethods, *file->pMethods};
    m.faulty.xRead = FaultyRead;
    m.faulty.xWrite = FaultyWrite;
    m.faulty.xShmMap = FaultyShmMap;
    known = methods.insert(methods.end(), m);
  }
  file->pMethods = &known->faulty;
  return rc;
}

sqlite3_vfs faulty_vfs;

class FileSystemFaults : public EngineTest {
 protected:
  void SetUp() override {
    system_vfs = sqlite3_vfs_find(nullptr);
    faulty_vfs = *system_vfs;
    faulty_vfs.zName = "orb-faults";
    faulty_vfs.pNext = nullptr;
    faulty_vfs.xOpen = FaultyOpen;
    ASSERT_EQ(sqlite3_vfs_register(&faulty_vfs, 1), SQLITE_OK);
    faults = Faults{};
    EngineTest::SetUp();
  }
  void TearDown() override {
    faults = Faults{};
    EngineTest::TearDown();
    sqlite3_vfs_unregister(&faulty_vfs);
  }

  // A data file of two records, closed again.
  void Build(const std::string& name) {
    ASSERT_EQ(Create(name, FileDef(16, {{{1, 6, 0}}})), kBtrOk);
    Block b;
    ASSERT_EQ(Open(b, name), kBtrOk);
    ASSERT_EQ(Insert(b, std::string(16, 'a')), kBtrOk);
    ASSERT_EQ(Insert(b, std::string(16, 'b')), kBtrOk);
    ASSERT_EQ(engine_.Call(kBtrClose, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  }
};

TEST_F(FileSystemFaults, AFullDiskIsDiskFullNeverNotADataFile) {
  Build("full.dat");
  // No room for the WAL index: the open says the disk is full.
  faults.shared_memory = true;
  Block b;
  EXPECT_EQ(Open(b, "full.dat"), kBtrDiskFull);
  faults.shared_memory = false;
  ASSERT_EQ(Open(b, "full.dat"), kBtrOk);
  // A write that finds no room fails with 18 and leaves the file as it was.
  faults.disk_full = true;
  EXPECT_EQ(Insert(b, std::string(16, 'c')), kBtrDiskFull);
  faults.disk_full = false;
  EXPECT_EQ(Walk(b, 0, 1), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Insert(b, std::string(16, 'c')), kBtrOk);
}

TEST_F(FileSystemFaults, ReadErrorsAndRefusedAccessSayWhatHappened) {
  Build("faulty.dat");
  Block b;
  faults.read_error = true;
  EXPECT_EQ(Open(b, "faulty.dat"), kBtrIoError);
  faults.read_error = false;
  faults.no_access = true;
  EXPECT_EQ(Open(b, "faulty.dat"), kBtrAccessDenied);
  faults.no_access = false;
  EXPECT_EQ(Open(b, "faulty.dat"), kBtrOk);
}

TEST_F(FileSystemFaults, OnlyAFileThatIsNotOursIsNotADataFile) {
  std::ofstream(PathOf("text.dat"), std::ios::binary) << "plain text, not a data file\n";
  Block b;
  EXPECT_EQ(Open(b, "text.dat"), kBtrNotABtrieveFile);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PathOf("other.dat").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(Open(b, "other.dat"), kBtrNotABtrieveFile);
  // The same files, unreadable, are I/O errors: nothing says what they are.
  faults.read_error = true;
  EXPECT_EQ(Open(b, "other.dat"), kBtrIoError);
}

}  // namespace
}  // namespace orb::btr::testing
