// Mailing over a stand-in transport that keeps each message: who is sent, skipped or
// failed, what the log says, and no second send for the same closing date.
#include "delivery/mailing.h"

#include <gtest/gtest.h>

#include <sstream>

#include "../core/temp_dir.h"
#include "platform/host_path.h"

namespace orb::testing {
namespace {

class KeepingTransport : public MailTransport {
 public:
  bool Send(std::string_view message, std::string& error) override {
    messages.emplace_back(message);
    if (message.find("To: fails@x.example") != std::string_view::npos ||
        message.find("<fails@x.example>") != std::string_view::npos) {
      error = "sendmail ended with exit code 75";
      return false;
    }
    return true;
  }
  std::vector<std::string> messages;
};

class MailingTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    for (const char* owner : {"0001", "0002", "0003", "0004"}) {
      const std::string file = (dir_ / (std::string(owner) + ".pdf")).string();
      WriteFile(file, std::string("%PDF-1.3 statement of ") + owner);
      statements_.push_back({owner, "OWNER", file});
    }
    std::string error;
    ASSERT_TRUE(contacts_.Parse("owner,email,name\n1,joan@x.example,Joan\n2,fails@x.example,\n"
                                "3,,Nobody\n",
                                "c.csv", error))
        << error;
    setup_ = {"Finques", "admin@finques.example", "Subject", "Body\n", "2026-12-31", false};
  }

  MailingSummary Run(SendLog& log, bool resend = false) {
    MailingSetup setup = setup_;
    setup.resend = resend;
    Mailing mailing(setup, contacts_, log, transport_, clock_);
    std::ostringstream err;
    MailingSummary s = mailing.SendAll(statements_, err);
    told_ = err.str();
    return s;
  }

  std::vector<WrittenStatement> statements_;
  ContactList contacts_;
  MailingSetup setup_;
  KeepingTransport transport_;
  FixedClock clock_{CalendarDate{2026, 12, 31}};
  std::string told_;
};

TEST_F(MailingTest, SentSkippedAndFailedAreLoggedAndNotSentTwice) {
  SendLog log((dir_ / "sent.csv").string());
  std::string error;
  ASSERT_TRUE(log.Load(error));
  MailingSummary s = Run(log);
  EXPECT_EQ(s.sent, 1);
  EXPECT_EQ(s.failed, 1);
  EXPECT_EQ(s.skipped, 2);  // 0003 has no address, 0004 is not in the contacts
  ASSERT_EQ(transport_.messages.size(), 2u);
  EXPECT_NE(transport_.messages[0].find("To: \"Joan\" <joan@x.example>"), std::string::npos);
  EXPECT_NE(transport_.messages[0].find("From: \"Finques\" <admin@finques.example>"),
            std::string::npos);
  EXPECT_NE(told_.find("owner 0002 <fails@x.example>: not sent: sendmail ended with exit code 75"),
            std::string::npos)
      << told_;
  const std::string text = Read("sent.csv");
  EXPECT_NE(text.find("0001,joan@x.example,"), std::string::npos);
  EXPECT_NE(text.find(",2026-12-31,2026-12-31T00:00:00+00:00,sent,"), std::string::npos) << text;
  EXPECT_NE(text.find(",failed,sendmail ended with exit code 75"), std::string::npos);
  EXPECT_NE(text.find("0003,,"), std::string::npos);
  EXPECT_NE(text.find(",skipped,no address"), std::string::npos);

  // The same closing date again: only the failed owner is tried.
  transport_.messages.clear();
  SendLog again((dir_ / "sent.csv").string());
  ASSERT_TRUE(again.Load(error));
  s = Run(again);
  EXPECT_EQ(s.sent, 0);
  EXPECT_EQ(s.already_sent, 1);
  EXPECT_EQ(s.failed, 1);
  ASSERT_EQ(transport_.messages.size(), 1u);
  EXPECT_NE(transport_.messages[0].find("To: fails@x.example\n"), std::string::npos);

  // Asked to resend: everyone with an address again.
  transport_.messages.clear();
  s = Run(again, true);
  EXPECT_EQ(s.sent, 1);
  EXPECT_EQ(transport_.messages.size(), 2u);
}

TEST_F(MailingTest, AStatementThatCannotBeReadFailsAloneAndTheOthersGoOn) {
  std::filesystem::remove(dir_ / "0001.pdf");
  contacts_ = ContactList();
  std::string error;
  ASSERT_TRUE(contacts_.Parse("owner,email\n1,a@x.example\n4,d@x.example\n", "c.csv", error));
  SendLog log((dir_ / "sent.csv").string());
  ASSERT_TRUE(log.Load(error));
  const MailingSummary s = Run(log);
  EXPECT_EQ(s.failed, 1);
  EXPECT_EQ(s.sent, 1);
  EXPECT_NE(Read("sent.csv").find("failed,cannot read the statement"), std::string::npos);
  ASSERT_EQ(transport_.messages.size(), 1u);
  EXPECT_NE(transport_.messages[0].find("To: d@x.example\n"), std::string::npos);
}

}  // namespace
}  // namespace orb::testing
