// The send log: what a later run learns from it, how it grows, and logs it refuses.
#include "delivery/send_log.h"

#include <gtest/gtest.h>

#include "../core/temp_dir.h"

namespace orb::testing {
namespace {

class SendLogTest : public TempDirTest {
 protected:
  std::string LogFile() const { return (dir_ / "sent.csv").string(); }
  SendLogEntry Entry(const std::string& owner, const std::string& date, const std::string& result) {
    return {owner, owner + "@x.example", "/st/" + owner + ".pdf", date, "2026-12-31T10:00:00+01:00",
            result, result == "failed" ? "sendmail ended with exit code 75" : ""};
  }
};

TEST_F(SendLogTest, OnlySentLinesOfTheSameClosingDateCount) {
  {
    SendLog log(LogFile());
    std::string error;
    ASSERT_TRUE(log.Load(error)) << error;  // no file yet
    EXPECT_TRUE(log.Append(Entry("0001", "2026-12-31", "sent")));
    EXPECT_TRUE(log.Append(Entry("0002", "2026-12-31", "failed")));
    EXPECT_TRUE(log.Append(Entry("0003", "2026-12-31", "skipped")));
    EXPECT_TRUE(log.Append(Entry("0004", "2026-12-15", "sent")));
    EXPECT_TRUE(log.AlreadySent("0001", "2026-12-31"));  // known at once
  }
  const std::string text = Read("sent.csv");
  EXPECT_EQ(text.rfind("owner,email,file,closing_date,time,result,detail\r\n", 0), 0u);
  EXPECT_NE(text.find("0002,0002@x.example,/st/0002.pdf,2026-12-31,2026-12-31T10:00:00+01:00,"
                      "failed,sendmail ended with exit code 75\r\n"),
            std::string::npos);

  SendLog again(LogFile());
  std::string error;
  ASSERT_TRUE(again.Load(error)) << error;
  EXPECT_TRUE(again.AlreadySent("0001", "2026-12-31"));
  EXPECT_FALSE(again.AlreadySent("0002", "2026-12-31"));
  EXPECT_FALSE(again.AlreadySent("0003", "2026-12-31"));
  EXPECT_FALSE(again.AlreadySent("0004", "2026-12-31"));  // another closing date
  EXPECT_TRUE(again.AlreadySent("0004", "2026-12-15"));
  // Appending keeps one header.
  EXPECT_TRUE(again.Append(Entry("0002", "2026-12-31", "sent")));
  const std::string grown = Read("sent.csv");
  EXPECT_EQ(grown.find("owner,email"), grown.rfind("owner,email"));
}

TEST_F(SendLogTest, ALastLineWithoutItsEndIsClosedBeforeTheNext) {
  Write("sent.csv", "owner,email,file,closing_date,time,result,detail\r\n"
                    "0001,a@x.example,f,2026-12-31,t,sent,");
  SendLog log(LogFile());
  std::string error;
  ASSERT_TRUE(log.Load(error)) << error;
  EXPECT_TRUE(log.AlreadySent("0001", "2026-12-31"));
  ASSERT_TRUE(log.Append(Entry("0002", "2026-12-31", "sent")));
  EXPECT_NE(Read("sent.csv").find("sent,\r\n0002,"), std::string::npos);
}

TEST_F(SendLogTest, MalformedLogsAreRefusedWithTheirLine) {
  const struct {
    const char* content;
    const char* error;
  } cases[] = {
      {"owner,email\r\n", "line 1: not the header of a send log"},
      {"owner,email,file,closing_date,time,result,detail\r\n0001,a,f,d,t,sent\r\n",
       "line 2: 6 fields where a send log has 7"},
      {"owner,email,file,closing_date,time,result,detail\r\n0001,\"a,f,d,t,sent,\r\n",
       "line 2: a quoted field is not closed"},
  };
  for (const auto& c : cases) {
    Write("sent.csv", c.content);
    SendLog log(LogFile());
    std::string error;
    EXPECT_FALSE(log.Load(error)) << c.content;
    EXPECT_EQ(error, LogFile() + " " + c.error);
  }
  std::filesystem::remove(dir_ / "sent.csv");
  std::filesystem::create_directories(dir_ / "sent.csv");
  SendLog directory(LogFile());
  std::string error;
  EXPECT_FALSE(directory.Load(error));
}

TEST_F(SendLogTest, RandomAndTruncatedLogsNeverCrash) {
  const std::string good = "owner,email,file,closing_date,time,result,detail\r\n"
                           "0001,a@x.example,\"/st/a,b.pdf\",2026-12-31,t,sent,\r\n";
  uint32_t seed = 11;
  for (int round = 0; round < 300; ++round) {
    std::string bytes = good.substr(0, round < 100 ? round * good.size() / 100 : good.size());
    for (int k = 0; round >= 100 && k < 3; ++k) {
      seed = seed * 1664525u + 1013904223u;
      bytes[(seed >> 8) % bytes.size()] = "\",\r\n\0x"[(seed >> 4) % 6];
    }
    Write("sent.csv", bytes);
    SendLog log(LogFile());
    std::string error;
    if (!log.Load(error)) {
      EXPECT_EQ(error.rfind(LogFile() + " line ", 0), 0u) << error;
    }
  }
}

}  // namespace
}  // namespace orb::testing
