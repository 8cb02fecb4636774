#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace orb::btr::testing {
namespace {

// Records of 16 bytes: code (6, unique), amount (u16 binary, duplicates), name (8,
// collating sequence, duplicates, modifiable).
std::string PeopleLayout() {
  return FileDef(16, {{{1, 6, 0x02}}, {{7, 2, 0x05}}, {{9, 8, 0x23}}}, UpperSequence());
}

std::string Person(const std::string& code, uint16_t amount, const std::string& name) {
  std::string r = code;
  r.resize(6, ' ');
  r += Le16(amount);
  r += name;
  r.resize(16, ' ');
  return r;
}

class Engine : public BothEngines {
 protected:
  void Fill(Block& b) {
    ASSERT_EQ(Create("people.dat", PeopleLayout()), kBtrOk);
    ASSERT_EQ(Open(b, "people.dat"), kBtrOk);
    ASSERT_EQ(Insert(b, Person("C3", 256, "bravo")), kBtrOk);
    ASSERT_EQ(Insert(b, Person("C1", 2, "Alpha")), kBtrOk);
    ASSERT_EQ(Insert(b, Person("C2", 256, "alpha")), kBtrOk);
    ASSERT_EQ(Insert(b, Person("C4", 1, "Charlie")), kBtrOk);
  }
};

TEST_P(Engine, StatReturnsTheCreateLayoutWithTheRecordCount) {
  Block b;
  Fill(b);
  std::string buf(1536, '\0');
  uint32_t len = 1536;
  std::string key(255, ' ');
  ASSERT_EQ(engine_.Call(kBtrStat, b.bytes, buf.data(), &len, key.data(), 255, 0), kBtrOk);
  const std::string def = PeopleLayout();
  const size_t size = 16 + 3 * 16 + 265;
  ASSERT_EQ(len, size);
  EXPECT_EQ(buf.substr(0, 6), def.substr(0, 6));
  EXPECT_EQ(static_cast<uint8_t>(buf[6]), 4);  // record count
  EXPECT_EQ(buf.substr(16, size - 16), def.substr(16, size - 16));
  EXPECT_EQ(key, std::string(255, ' '));
  // A short buffer gets what fits and 22.
  len = 10;
  EXPECT_EQ(engine_.Call(kBtrStat, b.bytes, buf.data(), &len, key.data(), 255, 0),
            kBtrDataBufferTooShort);
  EXPECT_EQ(len, 10u);
}

TEST_P(Engine, KeysOrderByTypeSequenceAndInsertionOrder) {
  Block b;
  Fill(b);
  EXPECT_EQ(Walk(b, 0, 2), (std::vector<std::string>{"C1", "C2", "C3", "C4"}));
  // Binary: 1 < 2 < 256 < 256, duplicates in the order they came.
  EXPECT_EQ(Walk(b, 1, 2), (std::vector<std::string>{"C4", "C1", "C3", "C2"}));
  EXPECT_EQ(Walk(b, 1, 2, true), (std::vector<std::string>{"C2", "C3", "C1", "C4"}));
  // Collating sequence: "Alpha" and "alpha" are equal, kept in insertion order.
  EXPECT_EQ(Walk(b, 2, 2), (std::vector<std::string>{"C1", "C2", "C3", "C4"}));
}

TEST_P(Engine, GetsReturnRecordKeyAndLength) {
  Block b;
  Fill(b);
  Got g = Get(kBtrGetEqual, b, 1, Le16(256));
  ASSERT_EQ(g.status, kBtrOk);
  EXPECT_EQ(g.record, Person("C3", 256, "bravo"));
  EXPECT_EQ(g.key.substr(0, 2), Le16(256));
  EXPECT_EQ(Get(kBtrGetNext, b, 1).record.substr(0, 2), "C2");
  EXPECT_EQ(Get(kBtrGetEqual, b, 1, Le16(3)).status, kBtrKeyNotFound);

  EXPECT_EQ(Get(kBtrGetGreaterOrEqual, b, 1, Le16(3)).record.substr(0, 2), "C3");
  EXPECT_EQ(Get(kBtrGetGreater, b, 1, Le16(2)).record.substr(0, 2), "C3");
  EXPECT_EQ(Get(kBtrGetGreater, b, 1, Le16(256)).status, kBtrEndOfFile);
  EXPECT_EQ(Get(kBtrGetLessOrEqual, b, 1, Le16(255)).record.substr(0, 2), "C1");
  EXPECT_EQ(Get(kBtrGetLessOrEqual, b, 1, Le16(256)).record.substr(0, 2), "C2");
  EXPECT_EQ(Get(kBtrGetLess, b, 1, Le16(2)).record.substr(0, 2), "C4");
  EXPECT_EQ(Get(kBtrGetLess, b, 1, Le16(1)).status, kBtrEndOfFile);
  Got name = Get(kBtrGetEqual, b, 2, "ALPHA   ");
  EXPECT_EQ(name.record.substr(0, 2), "C1");
  EXPECT_EQ(name.key.substr(0, 8), "Alpha   ");
}

TEST_P(Engine, ShortBuffersGetStatusesAndNoMoreThanTheyHold) {
  Block b;
  Fill(b);
  // Data buffer of 5 bytes: the first 5 bytes and 22; the record is still current.
  Got g = GetWith(engine_, kBtrGetFirst, b, 0, "", 5);
  EXPECT_EQ(g.status, kBtrDataBufferTooShort);
  EXPECT_EQ(g.record, "C1   ");
  EXPECT_EQ(Get(kBtrGetNext, b, 0).record.substr(0, 2), "C2");
  // A key buffer shorter than the key: only key_length bytes are written...
  g = GetWith(engine_, kBtrGetNext, b, 0, "", 1536, 1);
  ASSERT_EQ(g.status, kBtrOk);
  EXPECT_EQ(g.key.substr(0, 2), std::string("C\0", 2));
  // ... and a search cannot read a whole key from it.
  EXPECT_EQ(GetWith(engine_, kBtrGetEqual, b, 0, "C1", 1536, 3).status,
            kBtrKeyBufferTooShort);
  // Insert and Update need a whole record.
  std::string small = "C9";
  uint32_t len = 2;
  EXPECT_EQ(engine_.Call(kBtrInsert, b.bytes, small.data(), &len, nullptr, 0, 0),
            kBtrDataBufferTooShort);
  EXPECT_EQ(engine_.Call(kBtrInsert, b.bytes, nullptr, nullptr, nullptr, 0, 0),
            kBtrDataBufferTooShort);
}

TEST_P(Engine, BadCallsGetStatuses) {
  Block b;
  Fill(b);
  Block garbage;
  std::memset(garbage.bytes, 0x5A, sizeof garbage.bytes);
  EXPECT_EQ(Get(kBtrGetFirst, garbage, 0).status, kBtrFileNotOpen);
  Block never;
  EXPECT_EQ(Get(kBtrGetFirst, never, 0).status, kBtrFileNotOpen);
  EXPECT_EQ(engine_.Call(kBtrGetFirst, nullptr, nullptr, nullptr, nullptr, 0, 0),
            kBtrFileNotOpen);
  EXPECT_EQ(Get(99, b, 0).status, kBtrInvalidOperation);
  EXPECT_EQ(Get(kBtrInsert + 200, b, 0).status, kBtrInvalidOperation);
  EXPECT_EQ(Get(kBtrGetFirst, b, 3).status, kBtrInvalidKeyNumber);
  EXPECT_EQ(Get(kBtrGetFirst, b, -1).status, kBtrInvalidKeyNumber);
  EXPECT_EQ(Get(kBtrGetEqual, b, 127).status, kBtrInvalidKeyNumber);

  Block fresh;
  ASSERT_EQ(Open(fresh, "people.dat"), kBtrOk);
  EXPECT_EQ(Get(kBtrGetNext, fresh, 0).status, kBtrInvalidPositioning);
  EXPECT_EQ(Get(kBtrGetPrevious, fresh, 0).status, kBtrInvalidPositioning);
  EXPECT_EQ(Get(kBtrGetPosition, fresh, 0).status, kBtrInvalidPositioning);
  EXPECT_EQ(engine_.Call(kBtrDelete, fresh.bytes, nullptr, nullptr, nullptr, 0, 0),
            kBtrInvalidPositioning);
  ASSERT_EQ(Get(kBtrGetFirst, fresh, 0).status, kBtrOk);
  EXPECT_EQ(Get(kBtrGetNext, fresh, 1).status, kBtrDifferentKeyNumber);

  Block copy = b;
  ASSERT_EQ(engine_.Call(kBtrClose, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetFirst, copy, 0).status, kBtrFileNotOpen);
  EXPECT_EQ(engine_.Call(kBtrClose, copy.bytes, nullptr, nullptr, nullptr, 0, 0),
            kBtrFileNotOpen);
  // A block of another engine (another process) is not ours.
  RecordEngine other;
  Configure(other);
  EXPECT_EQ(GetWith(other, kBtrGetFirst, fresh, 0).status, kBtrFileNotOpen);
  // Reset closes everything; the blocks go stale.
  EXPECT_EQ(engine_.Call(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetFirst, fresh, 0).status, kBtrFileNotOpen);
}

TEST_P(Engine, OpenFindsOnlyOurFiles) {
  Block b;
  EXPECT_EQ(Open(b, "missing.dat"), kBtrFileNotFound);
  EXPECT_EQ(Open(b, "nodir/missing.dat"), kBtrFileNotFound);
  char empty[1] = {0};
  uint32_t len = 0;
  EXPECT_EQ(engine_.Call(kBtrOpen, b.bytes, nullptr, &len, empty, 0, 0), kBtrFileNotFound);
  EXPECT_EQ(engine_.Call(kBtrOpen, b.bytes, nullptr, &len, nullptr, 200, 0), kBtrFileNotFound);
  ASSERT_EQ(Create("people.dat", PeopleLayout()), kBtrOk);
  EXPECT_EQ(Open(b, "people.dat", 5), kBtrInvalidOperation);
  // Suite names with backslashes and another case reach the same file.
  const std::string suite = dir_.string() + "\\PEOPLE.DAT";
  EXPECT_EQ(OpenWith(engine_, b, suite), kBtrOk);
}

TEST_P(Engine, CreateRefusesNonsenseAndExistingFiles) {
  EXPECT_EQ(Create("p.dat", PeopleLayout()), kBtrOk);
  EXPECT_EQ(Create("p.dat", PeopleLayout()), kBtrFileAlreadyExists);
  EXPECT_EQ(Create("p.dat", PeopleLayout(), 0), kBtrOk);  // overwrite allowed

  struct Case {
    const char* what;
    std::string def;
    int16_t status;
  };
  std::string zero_keys = PeopleLayout();
  Put16(zero_keys, 4, 0);
  std::string bad_page = PeopleLayout();
  Put16(bad_page, 2, 1000);
  std::string no_sequence = FileDef(16, {{{9, 8, 0x20}}});
  std::string past_end = FileDef(16, {{{10, 8, 0}}});
  std::string long_key = FileDef(600, {{{1, 200, 0}, {201, 200, 0}}});
  std::string endless = FileDef(16, {{{1, 2, 0x10}}});  // segment chain runs off the buffer
  endless.resize(32);
  const std::vector<Case> cases = {
      {"spaces (missing dictionary)", std::string(1536, ' '), kBtrPageSizeError},
      {"short", PeopleLayout().substr(0, 10), kBtrDataBufferTooShort},
      {"no keys", zero_keys, kBtrNumberOfKeysError},
      {"page size", bad_page, kBtrPageSizeError},
      {"sequence missing", no_sequence, kBtrInvalidSequence},
      {"key past the record", past_end, kBtrInvalidKeyPosition},
      {"key too long", long_key, kBtrInvalidKeyLength},
      {"segments beyond the buffer", endless, kBtrNumberOfKeysError},
      {"zero record length", FileDef(0, {{{1, 1, 0}}}), kBtrRecordLengthError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Create("bad.dat", c.def), c.status) << c.what;
    EXPECT_FALSE(std::filesystem::exists(PathOf("bad.dat"))) << c.what;
  }
  uint32_t len = 0;
  EXPECT_EQ(engine_.Call(kBtrCreate, nullptr, nullptr, &len, nullptr, 0, -1),
            kBtrDataBufferTooShort);
}

TEST_P(Engine, PositionsAreStableAndGetDirectSetsThePlace) {
  Block b;
  Fill(b);
  Got c2 = Get(kBtrGetEqual, b, 0, "C2    ");
  ASSERT_EQ(c2.status, kBtrOk);
  Got pos = Get(kBtrGetPosition, b, 0);
  ASSERT_EQ(pos.status, kBtrOk);
  ASSERT_EQ(pos.record.size(), 4u);

  // Get Direct along key 1 (amount): Get Next goes on from C2 along key 1.
  Got first = Get(kBtrGetFirst, b, 0);
  ASSERT_EQ(first.status, kBtrOk);
  Got direct = Get(kBtrGetDirect, b, 1, pos.record);
  ASSERT_EQ(direct.status, kBtrOk);
  EXPECT_EQ(direct.record.substr(0, 2), "C2");
  EXPECT_EQ(direct.key.substr(0, 2), Le16(256));
  EXPECT_EQ(Get(kBtrGetPrevious, b, 1).record.substr(0, 2), "C3");

  // Updating C2 (its name) keeps its position; deleting C3 does not free a position.
  ASSERT_EQ(Get(kBtrGetDirect, b, 0, pos.record).status, kBtrOk);
  std::string rec = Person("C2", 256, "zulu");
  uint32_t len = 16;
  ASSERT_EQ(engine_.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetPosition, b, 0).record, pos.record);
  EXPECT_EQ(Walk(b, 2, 2).back(), "C2");
  ASSERT_EQ(Get(kBtrGetEqual, b, 0, "C3    ").status, kBtrOk);
  const std::string c3_pos = Get(kBtrGetPosition, b, 0).record;
  ASSERT_EQ(engine_.Call(kBtrDelete, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetDirect, b, 0, c3_pos).status, kBtrInvalidRecordAddress);
  ASSERT_EQ(Insert(b, Person("C5", 7, "echo")), kBtrOk);
  EXPECT_NE(Get(kBtrGetPosition, b, 0).record, c3_pos);
  EXPECT_EQ(Get(kBtrGetDirect, b, 0, std::string(4, '\0')).status, kBtrInvalidRecordAddress);
  EXPECT_EQ(Get(kBtrGetDirect, b, 0, std::string("\x01\x02\x03\x04")).status,
            kBtrInvalidRecordAddress);
}

TEST_P(Engine, DeleteKeepsThePlaceForNextAndPrevious) {
  Block b;
  Fill(b);
  ASSERT_EQ(Get(kBtrGetEqual, b, 0, "C2    ").status, kBtrOk);
  ASSERT_EQ(engine_.Call(kBtrDelete, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetNext, b, 0).record.substr(0, 2), "C3");
  ASSERT_EQ(Get(kBtrGetEqual, b, 0, "C3    ").status, kBtrOk);
  ASSERT_EQ(engine_.Call(kBtrDelete, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Get(kBtrGetPrevious, b, 0).record.substr(0, 2), "C1");
  EXPECT_EQ(Walk(b, 1, 2), (std::vector<std::string>{"C4", "C1"}));
  EXPECT_EQ(Walk(b, 2, 2), (std::vector<std::string>{"C1", "C4"}));
}

TEST_P(Engine, UniqueAndUnmodifiableKeysRefuseChangesWholly) {
  Block b;
  Fill(b);
  EXPECT_EQ(Insert(b, Person("C1", 9, "dup")), kBtrDuplicateKey);
  // Nothing of the refused record reached the other keys.
  EXPECT_EQ(Walk(b, 1, 2).size(), 4u);
  EXPECT_EQ(Walk(b, 2, 2).size(), 4u);

  ASSERT_EQ(Get(kBtrGetEqual, b, 0, "C1    ").status, kBtrOk);
  std::string rec = Person("C1", 9, "x");  // amount is not modifiable
  uint32_t len = 16;
  EXPECT_EQ(engine_.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0),
            kBtrKeyNotModifiable);
  rec = Person("C2", 2, "Alpha");  // code is modifiable but unique
  EXPECT_EQ(engine_.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0),
            kBtrDuplicateKey);
  rec = Person("C0", 2, "Alpha");
  EXPECT_EQ(engine_.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(Walk(b, 0, 2), (std::vector<std::string>{"C0", "C2", "C3", "C4"}));
  EXPECT_EQ(Walk(b, 1, 2), (std::vector<std::string>{"C4", "C0", "C3", "C2"}));
}

TEST_P(Engine, UpdateOfARecordChangedElsewhereIsAConflict) {
  Block a, b;
  Fill(a);
  ASSERT_EQ(Open(b, "people.dat"), kBtrOk);
  ASSERT_EQ(Get(kBtrGetEqual, a, 0, "C1    ").status, kBtrOk);
  ASSERT_EQ(Get(kBtrGetEqual, b, 0, "C1    ").status, kBtrOk);
  std::string rec = Person("C1", 2, "first");
  uint32_t len = 16;
  ASSERT_EQ(engine_.Call(kBtrUpdate, a.bytes, rec.data(), &len, nullptr, 0, 0), kBtrOk);
  rec = Person("C1", 2, "second");
  EXPECT_EQ(engine_.Call(kBtrUpdate, b.bytes, rec.data(), &len, nullptr, 0, 0), kBtrConflict);
  // Block b sees a's change at once, even in the middle of a walk.
  ASSERT_EQ(Get(kBtrGetFirst, b, 0).status, kBtrOk);
  ASSERT_EQ(Insert(a, Person("C15", 3, "new")), kBtrOk);
  EXPECT_EQ(Get(kBtrGetNext, b, 0).record.substr(0, 3), "C15");
}

TEST_P(Engine, ChangesFromElsewhereShowAtOnceAndFilesKeepThem) {
  Block a;
  Fill(a);
  RecordEngine other;  // as another process would
  Configure(other);
  Block b;
  ASSERT_EQ(OpenWith(other, b, PathOf("people.dat")), kBtrOk);
  ASSERT_EQ(GetWith(other, kBtrGetFirst, b, 0).status, kBtrOk);  // C1; a walk begins
  ASSERT_EQ(Insert(a, Person("C11", 5, "new")), kBtrOk);
  Settle();
  EXPECT_EQ(GetWith(other, kBtrGetNext, b, 0).record.substr(0, 3), "C11");
  // A locking read returns the record as it is now.
  ASSERT_EQ(Get(kBtrGetEqual, a, 0, "C4    ").status, kBtrOk);
  std::string rec = Person("C4", 1, "changed");
  uint32_t len = 16;
  ASSERT_EQ(engine_.Call(kBtrUpdate, a.bytes, rec.data(), &len, nullptr, 0, 0), kBtrOk);
  EXPECT_EQ(GetWith(other, kBtrGetEqual + 200, b, 0, "C4    ").record, rec);
  Settle();
  EXPECT_EQ(GetWith(other, kBtrGetEqual, b, 0, "C4    ").record, rec);

  // Closed and opened again by a new engine, the file holds the same records at the
  // same positions.
  ASSERT_EQ(Get(kBtrGetEqual, a, 0, "C3    ").status, kBtrOk);
  const std::string pos = Get(kBtrGetPosition, a, 0).record;
  ASSERT_EQ(engine_.Call(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  ASSERT_EQ(other.Call(kBtrReset, nullptr, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  RecordEngine later;
  Configure(later);
  Block c;
  ASSERT_EQ(OpenWith(later, c, PathOf("people.dat")), kBtrOk);
  EXPECT_EQ(GetWith(later, kBtrGetDirect, c, 0, pos).record, Person("C3", 256, "bravo"));
  EXPECT_EQ(GetWith(later, kBtrGetNext, c, 0).record, rec);
  EXPECT_EQ(GetWith(later, kBtrGetLast, c, 1).record.substr(0, 2), "C2");
}

TEST_P(Engine, ExtendedTypesAndDescendingSegmentsOrder) {
  // key 0: signed 16-bit integer, descending string; key 1: float.
  const std::string def =
      FileDef(8, {{{1, 2, 0x100, 1}, {3, 2, 0x42}}, {{5, 4, 0x101, 2}}});
  ASSERT_EQ(Create("t.dat", def), kBtrOk);
  Block b;
  ASSERT_EQ(Open(b, "t.dat"), kBtrOk);
  auto rec = [](int16_t n, const char* s, float f) {
    std::string r = Le16(static_cast<uint16_t>(n)) + s;
    char fb[4];
    std::memcpy(fb, &f, 4);
    return r + std::string(fb, 4);
  };
  ASSERT_EQ(Insert(b, rec(5, "aa", 1.5f)), kBtrOk);
  ASSERT_EQ(Insert(b, rec(-3, "aa", -2.0f)), kBtrOk);
  ASSERT_EQ(Insert(b, rec(5, "bb", -0.5f)), kBtrOk);
  ASSERT_EQ(Insert(b, rec(300, "aa", 100.0f)), kBtrOk);
  const auto by0 = Walk(b, 0, 4);
  ASSERT_EQ(by0.size(), 4u);
  EXPECT_EQ(by0[0], rec(-3, "aa", 0).substr(0, 4));
  EXPECT_EQ(by0[1], rec(5, "bb", 0).substr(0, 4));
  EXPECT_EQ(by0[2], rec(5, "aa", 0).substr(0, 4));
  EXPECT_EQ(by0[3], rec(300, "aa", 0).substr(0, 4));
  const auto by1 = Walk(b, 1, 4);
  EXPECT_EQ(by1[0], rec(-3, "aa", 0).substr(0, 4));
  EXPECT_EQ(by1[1], rec(5, "bb", 0).substr(0, 4));
  EXPECT_EQ(by1[3], rec(300, "aa", 0).substr(0, 4));
}

TEST_P(Engine, TextTypesOrderByTheirText) {
  // key 0: zero-terminated text (4); key 1: text with a length byte (4).
  ASSERT_EQ(Create("z.dat", FileDef(8, {{{1, 4, 0x103, 11}}, {{5, 4, 0x103, 10}}})), kBtrOk);
  Block b;
  ASSERT_EQ(Open(b, "z.dat"), kBtrOk);
  ASSERT_EQ(Insert(b, std::string("ab\0x", 4) + std::string("\x02" "abz", 4)), kBtrOk);
  ASSERT_EQ(Insert(b, std::string("a\0yy", 4) + std::string("\x01" "bzz", 4)), kBtrOk);
  ASSERT_EQ(Insert(b, std::string("abc\0", 4) + std::string("\x03" "abc", 4)), kBtrOk);
  EXPECT_EQ(Walk(b, 0, 3), (std::vector<std::string>{std::string("a\0y", 3),
                                                      std::string("ab\0", 3), "abc"}));
  // Equal ignores what follows the zero byte.
  EXPECT_EQ(Get(kBtrGetEqual, b, 0, std::string("ab\0q", 4)).record.substr(0, 2), "ab");
  // By length byte: "ab" < "abc" < "b".
  EXPECT_EQ(Walk(b, 1, 1).size(), 3u);
  EXPECT_EQ(Get(kBtrGetLast, b, 1).record.substr(4, 2), "\x01" "b");
  EXPECT_EQ(Get(kBtrGetFirst, b, 1).record.substr(4, 1), "\x02");
}

TEST_P(Engine, BulkLoadIsSeenWhenItEnds) {
  ASSERT_EQ(Create("bulk.dat", PeopleLayout()), kBtrOk);
  Block w, r;
  ASSERT_EQ(Open(w, "bulk.dat"), kBtrOk);
  RecordEngine reader;
  Configure(reader);
  ASSERT_EQ(OpenWith(reader, r, PathOf("bulk.dat")), kBtrOk);
  ASSERT_EQ(engine_.BeginBulk(w.bytes), kBtrOk);
  for (int i = 0; i < 500; ++i) {
    ASSERT_EQ(Insert(w, Person("K" + std::to_string(i), static_cast<uint16_t>(i), "n")), kBtrOk);
  }
  EXPECT_EQ(Insert(w, Person("K7", 1, "dup")), kBtrDuplicateKey);
  EXPECT_EQ(Walk(w, 1, 2).size(), 500u);
  EXPECT_EQ(GetWith(reader, kBtrGetFirst, r, 0).status, kBtrEndOfFile);
  ASSERT_EQ(engine_.EndBulk(w.bytes), kBtrOk);
  Settle();
  Got g = GetWith(reader, kBtrGetLast, r, 1);
  ASSERT_EQ(g.status, kBtrOk);
  EXPECT_EQ(g.record.substr(0, 4), "K499");
  // Only EndBulk commits a load: Close and Reset roll back what it added.
  ASSERT_EQ(engine_.BeginBulk(w.bytes), kBtrOk);
  ASSERT_EQ(Insert(w, Person("Z", 1, "z")), kBtrOk);
  ASSERT_EQ(engine_.Call(kBtrClose, w.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  Settle();
  EXPECT_EQ(GetWith(reader, kBtrGetLast, r, 0).record.substr(0, 1), "K");
  EXPECT_EQ(engine_.BeginBulk(w.bytes), kBtrFileNotOpen);
  ASSERT_EQ(Open(w, "bulk.dat"), kBtrOk);
  ASSERT_EQ(engine_.BeginBulk(w.bytes), kBtrOk);
  ASSERT_EQ(Insert(w, Person("Z", 1, "z")), kBtrOk);
  ASSERT_EQ(engine_.Call(kBtrReset, w.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  Settle();
  EXPECT_EQ(GetWith(reader, kBtrGetLast, r, 0).record.substr(0, 1), "K");
  ASSERT_EQ(Open(w, "bulk.dat"), kBtrOk);
  std::string stat(1536, '\0');
  uint32_t len = 1536;
  std::string key(255, ' ');
  ASSERT_EQ(engine_.Call(kBtrStat, w.bytes, stat.data(), &len, key.data(), 255, 0), kBtrOk);
  EXPECT_EQ(static_cast<uint8_t>(stat[6]) | static_cast<uint8_t>(stat[7]) << 8, 500);
}

TEST_P(Engine, TheEntryPointServesTheProcess) {
  const std::string path = PathOf("entry.dat");
  std::string def = PeopleLayout();
  uint32_t len = 1536;
  std::string key = path + '\0';
  ASSERT_EQ(BTRCALL(kBtrCreate, nullptr, def.data(), &len, key.data(),
                    static_cast<uint8_t>(path.size()), -1),
            kBtrOk);
  Block b;
  char owner[5] = {};
  len = 5;
  ASSERT_EQ(BTRCALL(kBtrOpen, b.bytes, owner, &len, key.data(),
                    static_cast<uint8_t>(path.size()), 0),
            kBtrOk);
  std::string rec = Person("E1", 1, "e");
  len = 16;
  char kb[255];
  ASSERT_EQ(BTRCALL(kBtrInsert, b.bytes, rec.data(), &len, kb, 255, 0), kBtrOk);
  std::string out(1536, ' ');
  len = 1536;
  ASSERT_EQ(BTRCALL(kBtrGetFirst + 200, b.bytes, out.data(), &len, kb, 255, 0), kBtrOk);
  EXPECT_EQ(out.substr(0, len), rec);
  EXPECT_EQ(BTRCALL(kBtrUnlock, b.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  Block scratch;
  EXPECT_EQ(BTRCALL(kBtrReset, scratch.bytes, nullptr, nullptr, nullptr, 0, 0), kBtrOk);
  len = 1536;
  EXPECT_EQ(BTRCALL(kBtrGetFirst, b.bytes, out.data(), &len, kb, 255, 0), kBtrFileNotOpen);
}

TEST_P(Engine, SearchesAnywhereAfterAWalkFindTheirRecords) {
  // Enough records that a walk reads ahead in several batches; then searches jump
  // before, inside and after what was read, in both directions.
  ASSERT_EQ(Create("many.dat", PeopleLayout()), kBtrOk);
  Block b;
  ASSERT_EQ(Open(b, "many.dat"), kBtrOk);
  auto code = [](int i) { return "M" + std::to_string(10000 + i); };
  for (int i = 0; i < 3000; i += 2) ASSERT_EQ(Insert(b, Person(code(i), 1, "m")), kBtrOk);
  ASSERT_EQ(Walk(b, 0, 6).size(), 1500u);
  for (int i : {2998, 0, 1500, 10, 2990, 700, 702, 4, 1200}) {
    const Got g = Get(kBtrGetEqual, b, 0, Person(code(i), 0, "").substr(0, 6));
    ASSERT_EQ(g.status, kBtrOk) << i;
    EXPECT_EQ(g.record.substr(0, 6), code(i));
    EXPECT_EQ(Get(kBtrGetEqual, b, 0, Person(code(i + 1), 0, "").substr(0, 6)).status,
              kBtrKeyNotFound) << i + 1;
    const Got after = Get(kBtrGetGreaterOrEqual, b, 0, Person(code(i + 1), 0, "").substr(0, 6));
    if (i + 2 < 3000) {
      EXPECT_EQ(after.record.substr(0, 6), code(i + 2)) << i;
    } else {
      EXPECT_EQ(after.status, kBtrEndOfFile);
    }
    const Got before = Get(kBtrGetLessOrEqual, b, 0, Person(code(i + 1), 0, "").substr(0, 6));
    EXPECT_EQ(before.record.substr(0, 6), code(i)) << i;
    if (i > 0) EXPECT_EQ(Get(kBtrGetPrevious, b, 0).record.substr(0, 6), code(i - 2)) << i;
  }
}

TEST_P(Engine, AWalkThatSearchesItsWayForwardFindsTheFirstOfEachKey) {
  // Key 1 has duplicates: three records for each even amount. Searches a little past
  // the last record read (as the report walks) must give what a fresh search gives.
  ASSERT_EQ(Create("walk.dat", PeopleLayout()), kBtrOk);
  Block b;
  ASSERT_EQ(Open(b, "walk.dat"), kBtrOk);
  std::vector<std::pair<int, std::string>> model;  // (amount, code) in key 1 order
  for (int copy = 0; copy < 3; ++copy) {
    for (int a = 0; a < 60; a += 2) {
      const std::string code = "W" + std::to_string(1000 + copy * 100 + a);
      ASSERT_EQ(Insert(b, Person(code, static_cast<uint16_t>(a), "w")), kBtrOk);
    }
  }
  for (int a = 0; a < 60; a += 2) {
    for (int copy = 0; copy < 3; ++copy) model.push_back({a, "W" + std::to_string(1000 + copy * 100 + a)});
  }
  auto first_from = [&](int amount, bool after) {
    for (size_t i = 0; i < model.size(); ++i) {
      if (after ? model[i].first > amount : model[i].first >= amount) return i;
    }
    return model.size();
  };
  auto expect_at = [&](const Got& g, size_t i, const std::string& what) {
    if (i == model.size()) {
      EXPECT_EQ(g.status, kBtrEndOfFile) << what;
    } else {
      ASSERT_EQ(g.status, kBtrOk) << what;
      EXPECT_EQ(g.record.substr(0, 5), model[i].second) << what;
    }
  };
  for (int t : {0, 1, 2, 2, 3, 6, 7, 7, 8, 20, 19, 21, 22, 40, 58, 59, 60}) {
    const std::string what = "target " + std::to_string(t);
    const std::string key = Le16(static_cast<uint16_t>(t));
    size_t at = first_from(t, false);
    expect_at(Get(kBtrGetGreaterOrEqual, b, 1, key), at, what + " >=");
    if (at < model.size()) expect_at(Get(kBtrGetNext, b, 1), at + 1, what + " next");
    const Got equal = Get(kBtrGetEqual, b, 1, key);
    if (t % 2 == 0 && t < 60) {
      expect_at(equal, at, what + " =");
    } else {
      EXPECT_EQ(equal.status, kBtrKeyNotFound) << what;
    }
    at = first_from(t, true);
    expect_at(Get(kBtrGetGreater, b, 1, key), at, what + " >");
    if (at + 1 < model.size()) expect_at(Get(kBtrGetNext, b, 1), at + 1, what + " next");
  }
}

INSTANTIATE_BOTH_ENGINES(Engine);

}  // namespace
}  // namespace orb::btr::testing
