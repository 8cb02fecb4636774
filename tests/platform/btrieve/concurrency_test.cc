// Several processes on one file at once, on each engine, for a bounded time: readers
// stepping along both keys, writers inserting and updating, lockers holding records.
// Afterwards nothing is lost or duplicated, positions are unique, and no lock is left.
// On the server, a connection cut in the middle of the work gives statuses and a
// message, never a crash or a silent success.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <set>

#include "engine_fixture.h"

namespace orb::btr::testing {
namespace {

using Clock = std::chrono::steady_clock;

// 16 bytes: code (8, unique), group (u16 binary, duplicates, modifiable), note (6).
std::string Layout() { return FileDef(16, {{{1, 8, 0x02}}, {{9, 2, 0x07}}}); }

std::string Rec(const std::string& code, uint16_t group, const std::string& note = "") {
  std::string r = code;
  r.resize(8, ' ');
  r += Le16(group);
  r += note;
  r.resize(16, '.');
  return r;
}

class Concurrency : public BothEngines {
 protected:
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
  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
  }
};

TEST_P(Concurrency, ReadersWritersAndLockersLoseNothing) {
  ASSERT_EQ(Create("c.dat", Layout()), kBtrOk);
  Block main;
  ASSERT_EQ(Open(main, "c.dat"), kBtrOk);
  constexpr int kSeed = 200;
  for (int i = 0; i < kSeed; ++i) {
    ASSERT_EQ(Insert(main, Rec("S" + std::to_string(1000 + i), static_cast<uint16_t>(i % 7))),
              kBtrOk);
  }
  const std::string path = PathOf("c.dat");
  const auto until = Clock::now() + std::chrono::milliseconds(1500);
  int inserted[2][2];  // per writer: a pipe for its count
  std::vector<pid_t> pids;

  // Readers: every walk along key 0 is strictly ascending (no record twice, none out of
  // order), along key 1 never descending.
  for (int key = 0; key < 2; ++key) {
    pids.push_back(Spawn([&, key](RecordEngine& e) {
      Block b;
      if (OpenWith(e, b, path) != kBtrOk) return 1;
      while (Clock::now() < until) {
        Got g = GetWith(e, kBtrGetFirst, b, static_cast<int8_t>(key));
        std::string last;
        int n = 0;
        while (g.status == kBtrOk) {
          const std::string k = key == 0 ? g.record.substr(0, 8)
                                         : std::string{g.record[9], g.record[8]};
          if (!last.empty() && (key == 0 ? k <= last : k < last)) return 2;
          last = k;
          ++n;
          g = GetWith(e, kBtrGetNext, b, static_cast<int8_t>(key));
        }
        if (g.status != kBtrEndOfFile) return 3;
        if (n < kSeed) return 4;
      }
      return 0;
    }));
  }
  // Writers: insert their own codes, and now and then lock one and update it.
  for (int w = 0; w < 2; ++w) {
    if (::pipe(inserted[w]) != 0) FAIL();
    pids.push_back(Spawn([&, w](RecordEngine& e) {
      Block b;
      if (OpenWith(e, b, path) != kBtrOk) return 1;
      int n = 0;
      while (Clock::now() < until) {
        const std::string code = std::string(1, static_cast<char>('W' + w)) + std::to_string(n);
        const int16_t s = InsertWith(e, b, Rec(code, static_cast<uint16_t>(n % 5)));
        if (s == kBtrFileInUse) continue;
        if (s != kBtrOk) return 2;
        ++n;
        if (n % 5 == 0) {
          const Got g = GetWith(e, kBtrGetEqual + 200, b, 0, Rec(code, 0).substr(0, 8));
          if (g.status == kBtrRecordInUse) continue;
          if (g.status != kBtrOk) return 3;
          std::string changed = g.record;
          changed.replace(8, 2, Le16(9));
          uint32_t len = 16;
          const int16_t u = e.Call(kBtrUpdate, b.bytes, changed.data(), &len, nullptr, 0, 0);
          if (u != kBtrOk && u != kBtrRecordInUse) return 4;
        }
      }
      if (::write(inserted[w][1], &n, sizeof n) != sizeof n) return 5;
      return 0;
    }));
  }
  // Lockers: take seeded records, hold them a moment, move on; an update elsewhere of a
  // locked record must wait (84), never slip past.
  for (int l = 0; l < 2; ++l) {
    pids.push_back(Spawn([&, l](RecordEngine& e) {
      Block b;
      if (OpenWith(e, b, path) != kBtrOk) return 1;
      int i = l;
      while (Clock::now() < until) {
        const std::string code = "S" + std::to_string(1000 + (i++ * 37) % kSeed);
        const Got g = GetWith(e, kBtrGetEqual + 200, b, 0, Rec(code, 0).substr(0, 8));
        if (g.status != kBtrOk && g.status != kBtrRecordInUse) return 2;
        if (g.status == kBtrOk) {
          std::string changed = g.record;
          changed[15] = static_cast<char>('a' + l);
          uint32_t len = 16;
          const int16_t u = e.Call(kBtrUpdate, b.bytes, changed.data(), &len, nullptr, 0, 0);
          if (u != kBtrOk && u != kBtrConflict) return 3;
        }
        ::usleep(500);
        if (e.Call(kBtrUnlock, b.bytes, nullptr, nullptr, nullptr, 0, 0) != kBtrOk) return 4;
      }
      return 0;
    }));
  }
  for (pid_t pid : pids) EXPECT_EQ(Wait(pid), 0);
  int total = kSeed;
  std::set<std::string> expected;
  for (int w = 0; w < 2; ++w) {
    int n = 0;
    ASSERT_EQ(::read(inserted[w][0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
    ::close(inserted[w][0]);
    ::close(inserted[w][1]);
    total += n;
    for (int i = 0; i < n; ++i) expected.insert(std::string(1, static_cast<char>('W' + w)) + std::to_string(i));
  }
  Settle();

  // Nothing lost, nothing twice, positions unique; every record can be locked again.
  std::set<std::string> codes;
  std::set<std::string> positions;
  Got g = Get(kBtrGetFirst + 200, main, 0);
  while (g.status == kBtrOk) {
    std::string code = g.record.substr(0, 8);
    code.erase(code.find_last_not_of(' ') + 1);
    EXPECT_TRUE(codes.insert(code).second) << code << " twice";
    const Got pos = Get(kBtrGetPosition, main, 0);
    EXPECT_TRUE(positions.insert(pos.record).second) << "position of " << code << " twice";
    g = Get(kBtrGetNext + 200, main, 0);
  }
  EXPECT_EQ(g.status, kBtrEndOfFile);
  EXPECT_EQ(static_cast<int>(codes.size()), total);
  for (const std::string& code : expected) EXPECT_TRUE(codes.count(code)) << code << " lost";
  EXPECT_EQ(static_cast<int>(Walk(main, 1, 8).size()), total);
  ASSERT_EQ(engine_.Call(kBtrClose, main.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  Block alone;
  EXPECT_EQ(Open(alone, "c.dat", -4), kBtrOk) << "a file lock was left";
}

// SQLite files have no connection to lose.
class ServerConnection : public EngineTest {
 protected:
  EngineKind Kind() const override { return EngineKind::kPostgres; }
};

TEST_F(ServerConnection, ACutConnectionGivesStatusesNeverSuccess) {
  ASSERT_EQ(Create("cut.dat", Layout()), kBtrOk);
  Block b;
  ASSERT_EQ(Open(b, "cut.dat"), kBtrOk);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(Insert(b, Rec("K" + std::to_string(100 + i), 1)), kBtrOk);
  ASSERT_EQ(Get(kBtrGetFirst, b, 0).status, kBtrOk);
  ASSERT_EQ(engine_.BeginBulk(b.bytes), kBtrOk);
  ASSERT_EQ(Insert(b, Rec("BULK", 2)), kBtrOk);
  ASSERT_TRUE(schema_.CutConnections());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Whatever comes next fails with 20 and says why, naming the server.
  EXPECT_EQ(Get(kBtrGetEqual, b, 0, Rec("K120", 0).substr(0, 8)).status, kBtrServerUnavailable);
  EXPECT_EQ(Insert(b, Rec("LATE", 1)), kBtrServerUnavailable);
  EXPECT_EQ(engine_.EndBulk(b.bytes), kBtrIoError);
  EXPECT_EQ(Get(kBtrGetNext + 200, b, 0).status, kBtrServerUnavailable);
  const std::string why = engine_.LastServerError();
  EXPECT_NE(why.find("PostgreSQL server"), std::string::npos) << why;
  // A new block gets a new connection; the bulk load was never committed.
  Block again;
  ASSERT_EQ(Open(again, "cut.dat"), kBtrOk);
  EXPECT_EQ(Walk(again, 0, 4).size(), 50u);
  EXPECT_EQ(Get(kBtrGetEqual, again, 0, Rec("BULK", 0).substr(0, 8)).status, kBtrKeyNotFound);
}

INSTANTIATE_BOTH_ENGINES(Concurrency);

}  // namespace
}  // namespace orb::btr::testing
