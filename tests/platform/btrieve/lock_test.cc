// Locks between position blocks and between processes. Children are forked and use an
// engine of their own; they report through their exit code (0 = all as expected, else
// the number of the first check that failed).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "engine_fixture.h"
#include "platform/btrieve/lock_file.h"

namespace orb::btr::testing {
namespace {

std::string Rec(const std::string& code) {
  std::string r = code;
  r.resize(8, ' ');
  return r;
}

class Locks : public BothEngines {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(Create("f.dat", FileDef(8, {{{1, 4, 0x02}}})), kBtrOk);
    ASSERT_EQ(Open(main_, "f.dat"), kBtrOk);
    for (const char* code : {"A", "B", "C"}) ASSERT_EQ(Insert(main_, Rec(code)), kBtrOk);
  }

  // Runs body in a child process with a fresh engine and returns its exit code.
  pid_t Spawn(const std::function<int(RecordEngine&)>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      int code;
      {
        RecordEngine engine;
        Configure(engine);
        code = body(engine);
      }
      ::_exit(code);
    }
    return pid;
  }
  // What a lock or open gets once a process that held it has ended: at once with SQLite
  // files; on a server, once the server has seen the connection close.
  int16_t Eventually(int16_t wanted, const std::function<int16_t()>& attempt) {
    int16_t status = attempt();
    for (int i = 0; OnServer() && status != wanted && i < 200; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      status = attempt();
    }
    return status;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  }
  int Run(const std::function<int(RecordEngine&)>& body) { return Wait(Spawn(body)); }

  Block main_;
};

TEST_P(Locks, ARecordLockedInOneProcessIsInUseForAnother) {
  ASSERT_EQ(Get(kBtrGetEqual + 200, main_, 0, "A   ").status, kBtrOk);
  const std::string path = PathOf("f.dat");
  auto child = [&](RecordEngine& e) {
    Block b;
    if (OpenWith(e, b, path) != kBtrOk) return 1;
    if (GetWith(e, kBtrGetEqual + 200, b, 0, "A   ").status != kBtrRecordInUse) return 2;
    if (GetWith(e, kBtrGetEqual, b, 0, "A   ").status != kBtrOk) return 3;  // plain read
    std::string rec = Rec("A");
    rec[7] = 'x';
    uint32_t len = 8;
    if (e.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0) != kBtrRecordInUse) {
      return 4;
    }
    if (e.Call(kBtrDelete, b.bytes, nullptr, nullptr, nullptr, 0, 0) != kBtrRecordInUse) {
      return 5;
    }
    if (GetWith(e, kBtrGetEqual + 200, b, 0, "B   ").status != kBtrOk) return 6;
    // The refused locking Get Next stays where it was: a retry reads the same record.
    if (GetWith(e, kBtrGetFirst, b, 0).status != kBtrOk) return 7;
    if (GetWith(e, kBtrGetNext + 200, b, 0).status != kBtrOk) return 8;  // B, its own
    if (GetWith(e, kBtrGetPrevious + 200, b, 0).status != kBtrRecordInUse) return 9;
    if (GetWith(e, kBtrGetPrevious + 200, b, 0).status != kBtrRecordInUse) return 10;
    return 0;
  };
  EXPECT_EQ(Run(child), 0);

  // Moving the single lock to C lets A go; Unlock lets C go.
  ASSERT_EQ(Get(kBtrGetEqual + 200, main_, 0, "C   ").status, kBtrOk);
  auto lock_a = [&](RecordEngine& e) {
    Block b;
    if (OpenWith(e, b, path) != kBtrOk) return 1;
    return GetWith(e, kBtrGetEqual + 200, b, 0, "A   ").status == kBtrOk ? 0 : 2;
  };
  auto lock_c = [&](RecordEngine& e) -> int {
    Block b;
    if (OpenWith(e, b, path) != kBtrOk) return 1;
    return GetWith(e, kBtrGetEqual + 200, b, 0, "C   ").status;
  };
  EXPECT_EQ(Run(lock_a), 0);
  EXPECT_EQ(Run(lock_c), kBtrRecordInUse);
  ASSERT_EQ(engine_.Call(kBtrUnlock, main_.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Run(lock_c), 0);
}

TEST_P(Locks, LocksBelongToTheirPositionBlock) {
  Block other;
  ASSERT_EQ(Open(other, "f.dat"), kBtrOk);
  ASSERT_EQ(Get(kBtrGetEqual + 200, main_, 0, "B   ").status, kBtrOk);
  EXPECT_EQ(Get(kBtrGetEqual + 200, main_, 0, "B   ").status, kBtrOk);  // its own lock
  EXPECT_EQ(Get(kBtrGetEqual + 200, other, 0, "B   ").status, kBtrRecordInUse);
  ASSERT_EQ(engine_.Call(kBtrClose, main_.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetEqual + 200, other, 0, "B   ").status, kBtrOk);
  ASSERT_EQ(Open(main_, "f.dat"), kBtrOk);
  EXPECT_EQ(Get(kBtrGetEqual + 200, main_, 0, "B   ").status, kBtrRecordInUse);
  ASSERT_EQ(engine_.Call(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  ASSERT_EQ(Open(main_, "f.dat"), kBtrOk);
  EXPECT_EQ(Get(kBtrGetEqual + 200, main_, 0, "B   ").status, kBtrOk);
  // Get Direct takes the lock as well.
  const std::string pos = Get(kBtrGetPosition, main_, 0).record;
  ASSERT_EQ(Open(other, "f.dat"), kBtrOk);
  EXPECT_EQ(Get(kBtrGetDirect + 200, other, 0, pos).status, kBtrRecordInUse);
  EXPECT_EQ(Get(kBtrGetDirect, other, 0, pos).status, kBtrOk);
}

TEST_P(Locks, AProcessThatDiesLetsGoOfItsLocks) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const std::string path = PathOf("f.dat");
  const pid_t pid = Spawn([&](RecordEngine& e) {
    Block b;
    if (OpenWith(e, b, path) != kBtrOk) return 1;
    if (GetWith(e, kBtrGetEqual + 200, b, 0, "A   ").status != kBtrOk) return 2;
    char c = 'r';
    if (::write(ready[1], &c, 1) != 1) return 3;
    for (;;) ::pause();
  });
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_EQ(Get(kBtrGetEqual + 200, main_, 0, "A   ").status, kBtrRecordInUse);
  ::kill(pid, SIGKILL);
  EXPECT_EQ(Wait(pid), 100 + SIGKILL);
  EXPECT_EQ(Eventually(kBtrOk, [&] { return Get(kBtrGetEqual + 200, main_, 0, "A   ").status; }),
            kBtrOk);
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST_P(Locks, FilesHeldExclusivelyOrBeingReplacedAreInUse) {
  const std::string path = PathOf("f.dat");
  // Open elsewhere: no exclusive open, no replacing Create.
  auto exclusive = [&](RecordEngine& e) -> int {
    Block b;
    return OpenWith(e, b, path, -4);
  };
  EXPECT_EQ(Run(exclusive), kBtrFileInUse);
  auto replace = [&](RecordEngine& e) -> int {
    return CreateWith(e, path, FileDef(8, {{{1, 4, 0}}}), 0);
  };
  EXPECT_EQ(Run(replace), kBtrFileInUse);
  ASSERT_EQ(engine_.Call(kBtrClose, main_.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);

  // Held exclusively by a live process: others get 85 until it ends.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = Spawn([&](RecordEngine& e) {
    Block b;
    if (OpenWith(e, b, path, -4) != kBtrOk) return 1;
    char c = 'r';
    if (::write(ready[1], &c, 1) != 1) return 2;
    for (;;) ::pause();
  });
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_EQ(Open(main_, "f.dat"), kBtrFileInUse);
  ::kill(pid, SIGKILL);
  Wait(pid);
  EXPECT_EQ(Eventually(kBtrOk, [&] { return Open(main_, "f.dat"); }), kBtrOk);
  EXPECT_EQ(Walk(main_, 0, 1), (std::vector<std::string>{"A", "B", "C"}));
  ::close(ready[0]);
  ::close(ready[1]);
}

// The sidecar lock file is the SQLite files' own.
class SqliteLocks : public EngineTest {};

TEST_F(SqliteLocks, AFileBeingCreatedIsInUseNotMissing) {
  // What Create holds while it builds the file: an opener waits (85) rather than
  // racing into a Create of its own (12).
  std::unique_ptr<LockFile> creating;
  ASSERT_EQ(LockFile::Acquire(PathOf("new.dat"), LockFile::Mode::kExclusive, creating), kBtrOk);
  Block b;
  EXPECT_EQ(Open(b, "new.dat"), kBtrFileInUse);
  EXPECT_EQ(Create("new.dat", FileDef(8, {{{1, 4, 0}}})), kBtrFileInUse);
  creating.reset();
  EXPECT_EQ(Open(b, "new.dat"), kBtrFileNotFound);
  EXPECT_EQ(Create("new.dat", FileDef(8, {{{1, 4, 0}}})), kBtrOk);
  EXPECT_EQ(Open(b, "new.dat"), kBtrOk);
}

TEST_P(Locks, AReadSeesEveryCommitMadeBeforeIt) {
  int told[2];
  ASSERT_EQ(::pipe(told), 0);
  const std::string path = PathOf("f.dat");
  constexpr int kRounds = 200;
  const pid_t pid = Spawn([&](RecordEngine& e) {
    Block b;
    if (OpenWith(e, b, path) != kBtrOk) return 1;
    for (int i = 1; i <= kRounds; ++i) {
      if (GetWith(e, kBtrGetEqual, b, 0, "A   ").status != kBtrOk) return 2;
      std::string rec = Rec("A");
      const auto n = static_cast<uint16_t>(i);
      rec.replace(4, 2, Le16(n));
      uint32_t len = 8;
      if (e.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0) != kBtrOk) return 3;
      if (::write(told[1], &n, sizeof n) != sizeof n) return 4;
    }
    return 0;
  });
  // After the writer says it committed round n, this process reads n or later, though
  // it keeps reading all along.
  int stale = 0;
  for (int i = 1; i <= kRounds; ++i) {
    uint16_t n = 0;
    ASSERT_EQ(::read(told[0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
    // A server engine learns of the commit from its notice, a moment after it.
    uint16_t seen = 0;
    for (int attempt = 0; attempt < (OnServer() ? 500 : 1); ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      const Got g = Get(kBtrGetEqual, main_, 0, "A   ");
      ASSERT_EQ(g.status, kBtrOk);
      seen = static_cast<uint16_t>(static_cast<uint8_t>(g.record[4]) |
                                   static_cast<uint8_t>(g.record[5]) << 8);
      if (seen >= n) break;
    }
    if (seen < n) ++stale;
  }
  EXPECT_EQ(stale, 0);
  EXPECT_EQ(Wait(pid), 0);
  ::close(told[0]);
  ::close(told[1]);
}

TEST_P(Locks, AForkedChildLeavesTheParentsFilesAlone) {
  // The process's own engine (behind BTRCALL) has the file open when a child forks
  // and exits normally; the parent's file and locks carry on.
  const std::string path = PathOf("f.dat");
  Block b;
  char owner[5] = {};
  uint32_t len = 5;
  std::string name = path + '\0';
  ASSERT_EQ(BTRCALL(kBtrOpen, b.bytes, owner, &len, name.data(),
                    static_cast<uint8_t>(path.size()), 0),
            kBtrOk);
  std::string rec(8, ' ');
  len = 8;
  char key[255];
  ASSERT_EQ(BTRCALL(kBtrGetFirst + 200, b.bytes, rec.data(), &len, key, 255, 0), kBtrOk);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // In the child, the parent's block is not open, and a fresh engine serves it.
    uint32_t n = 8;
    std::string r(8, ' ');
    const int code = BTRCALL(kBtrGetFirst, b.bytes, r.data(), &n, key, 255, 0) ==
                             kBtrFileNotOpen ? 0 : 1;
    std::exit(code);  // runs the exit handlers
  }
  EXPECT_EQ(Wait(pid), 0);
  EXPECT_EQ(Get(kBtrGetEqual + 200, main_, 0, "A   ").status, kBtrRecordInUse);
  ASSERT_EQ(Insert(main_, Rec("D")), kBtrOk);
  len = 8;
  EXPECT_EQ(BTRCALL(kBtrGetLast, b.bytes, rec.data(), &len, key, 255, 0), kBtrOk);
  EXPECT_EQ(rec, Rec("D"));
  // A child that never calls and just exits does not end the parent's bulk load (nor
  // touch its files): the load shows only when the parent ends it.
  ASSERT_EQ(BtrBeginBulk(b.bytes), kBtrOk);
  std::string e = Rec("E");
  len = 8;
  ASSERT_EQ(BTRCALL(kBtrInsert, b.bytes, e.data(), &len, key, 255, 0), kBtrOk);
  const pid_t quiet = ::fork();
  if (quiet == 0) std::exit(0);
  EXPECT_EQ(Wait(quiet), 0);
  RecordEngine later;
  Configure(later);
  Block c;
  ASSERT_EQ(OpenWith(later, c, path), kBtrOk);
  EXPECT_EQ(GetWith(later, kBtrGetLast, c, 0).record, Rec("D"));
  ASSERT_EQ(BtrEndBulk(b.bytes), kBtrOk);
  Settle();
  EXPECT_EQ(GetWith(later, kBtrGetLast, c, 0).record, Rec("E"));
  EXPECT_EQ(BTRCALL(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
}

TEST_P(Locks, AForkedChildDoesNotKeepTheParentsLocks) {
  // Only the process's own engine (behind BTRCALL) lets go in a child.
  ASSERT_EQ(engine_.Call(kBtrClose, main_.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  const std::string path = PathOf("f.dat");
  Block b;
  char owner[5] = {};
  uint32_t len = 5;
  std::string name = path + '\0';
  ASSERT_EQ(BTRCALL(kBtrOpen, b.bytes, owner, &len, name.data(),
                    static_cast<uint8_t>(path.size()), 0),
            kBtrOk);
  std::string rec(8, ' ');
  char key[255];
  len = 8;
  ASSERT_EQ(BTRCALL(kBtrGetFirst + 200, b.bytes, rec.data(), &len, key, 255, 0), kBtrOk);
  // The child says it is running (its fork handlers have run) before the parent goes
  // on, so that a slow start cannot pass for a lock the child kept.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t sleeper = ::fork();
  if (sleeper == 0) {
    ::close(ready[0]);
    const char byte = 1;
    (void)!::write(ready[1], &byte, 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char started = 0;
  ASSERT_EQ(::read(ready[0], &started, 1), 1);
  ::close(ready[0]);
  auto lock_a = [&](RecordEngine& e) -> int {
    Block o;
    if (OpenWith(e, o, path) != kBtrOk) return 1;
    return GetWith(e, kBtrGetEqual + 200, o, 0, "A   ").status;
  };
  auto exclusive = [&](RecordEngine& e) -> int {
    Block o;
    return OpenWith(e, o, path, -4);
  };
  EXPECT_EQ(Run(lock_a), kBtrRecordInUse);
  // The parent lets go; the living child must not keep the lock or the file open.
  ASSERT_EQ(BTRCALL(kBtrClose, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Run(lock_a), 0);
  EXPECT_EQ(Run(exclusive), 0);
  ::kill(sleeper, SIGKILL);
  Wait(sleeper);
}

TEST_P(Locks, WritersInSeveralProcessesAllLand) {
  const std::string path = PathOf("f.dat");
  constexpr int kEach = 150;
  std::vector<pid_t> children;
  for (char who : {'x', 'y', 'z'}) {
    children.push_back(Spawn([&, who](RecordEngine& e) {
      Block b;
      if (OpenWith(e, b, path) != kBtrOk) return 1;
      for (int i = 0; i < kEach; ++i) {
        std::string code = std::string(1, who) + std::to_string(i);
        if (InsertWith(e, b, Rec(code)) != kBtrOk) return 2;
        if (i % 10 == 0) {
          if (GetWith(e, kBtrGetEqual + 200, b, 0, Rec(code).substr(0, 4)).status != kBtrOk) {
            return 3;
          }
          std::string rec = Rec(code);
          rec[7] = '!';
          uint32_t len = 8;
          if (e.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0) != kBtrOk) return 4;
        }
      }
      return 0;
    }));
  }
  // Meanwhile this process reads along the key.
  for (int i = 0; i < 20; ++i) Walk(main_, 0, 1);
  for (pid_t pid : children) EXPECT_EQ(Wait(pid), 0);
  Settle();
  EXPECT_EQ(Walk(main_, 0, 1).size(), 3u + 3 * kEach);
  std::string buf(1536, '\0');
  uint32_t len = 1536;
  ASSERT_EQ(engine_.Call(kBtrStat, main_.bytes, buf.data(), &len, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(static_cast<uint8_t>(buf[6]) | static_cast<uint8_t>(buf[7]) << 8, 3 + 3 * kEach);
}

INSTANTIATE_BOTH_ENGINES(Locks);

}  // namespace
}  // namespace orb::btr::testing
