// The contacts file and the CSV records under it: what is taken, and every way a file is
// refused with its line before anything is sent.
#include "delivery/contacts.h"

#include <gtest/gtest.h>

#include <random>

#include "delivery/csv_fields.h"

namespace orb {
namespace {

TEST(CsvReaderTest, QuotesLineEndsAndErrors) {
  CsvReader reader("a,\"b, c\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",x\nlast,no end");
  std::vector<std::string> f;
  std::string error;
  ASSERT_TRUE(reader.Next(f, error));
  EXPECT_EQ(f, (std::vector<std::string>{"a", "b, c", "say \"hi\""}));
  ASSERT_TRUE(reader.Next(f, error));
  EXPECT_EQ(f, (std::vector<std::string>{"two\nlines", "x"}));
  ASSERT_TRUE(reader.Next(f, error));
  EXPECT_EQ(reader.Line(), 4);  // the quoted line end counts
  EXPECT_EQ(f, (std::vector<std::string>{"last", "no end"}));
  EXPECT_FALSE(reader.Next(f, error));
  EXPECT_TRUE(error.empty());

  CsvReader open_quote("a,\"never closed\n");
  EXPECT_FALSE(open_quote.Next(f, error));
  EXPECT_FALSE(error.empty());
  CsvReader after_quote("\"a\"b,c\n");
  EXPECT_FALSE(after_quote.Next(f, error));
  EXPECT_EQ(error, "text after a closing quote");
}

TEST(CsvReaderTest, WrittenFieldsReadBack) {
  const std::vector<std::string> fields = {"plain", "a,b", "q\"q", " lead", "", "l\r\nf"};
  const std::string record = CsvRecord(fields);
  EXPECT_EQ(record.substr(record.size() - 2), "\r\n");
  CsvReader reader(record);
  std::vector<std::string> back;
  std::string error;
  ASSERT_TRUE(reader.Next(back, error));
  EXPECT_EQ(back, fields);
}

TEST(ContactsTest, ReadsColumnsInAnyOrder) {
  ContactList list;
  std::string error;
  ASSERT_TRUE(list.Parse("\xef\xbb\xbfName,EMAIL,owner,notes\r\n"
                         "\"Puig, Joan\",joan@example.org,1,x\r\n"
                         "\r\n"
                         "Mercè,,0021,\r\n"
                         " Anna , anna.b+mes@mail.example.cat , 9999 ,\r\n",
                         "contacts.csv", error))
      << error;
  ASSERT_EQ(list.All().size(), 3u);
  const Contact* joan = list.Find("0001");
  ASSERT_NE(joan, nullptr);
  EXPECT_EQ(joan->email, "joan@example.org");
  EXPECT_EQ(joan->name, "Puig, Joan");
  EXPECT_EQ(joan->line, 2);
  ASSERT_NE(list.Find("0021"), nullptr);
  EXPECT_EQ(list.Find("0021")->email, "");  // no address
  EXPECT_EQ(list.Find("9999")->email, "anna.b+mes@mail.example.cat");
  EXPECT_EQ(list.Find("9999")->name, "Anna");
  EXPECT_EQ(list.Find("0002"), nullptr);
}

TEST(ContactsTest, MalformedFilesAreRefusedWithTheirLine) {
  const struct {
    const char* bytes;
    const char* error;
  } cases[] = {
      {"", "contacts.csv line 1: no header line"},
      {"owner,name\n1,x\n", "contacts.csv line 1: the header must name the columns owner and email"},
      {"owner,email,email\n", "contacts.csv line 1: column \"email\" given twice"},
      {"owner,email\n1,a@b.example\n2\n", "contacts.csv line 3: 1 fields where the header has 2"},
      {"owner,email\n12345,a@b.example\n", "contacts.csv line 2: owner \"12345\" is not an owner code"},
      {"owner,email\n1a,a@b.example\n", "contacts.csv line 2: owner \"1a\""},
      {"owner,email\n,a@b.example\n", "contacts.csv line 2: owner \"\""},
      {"owner,email\n1,not-an-address\n", "contacts.csv line 2: email \"not-an-address\""},
      {"owner,email\n1,\"a@b.example\nBcc: all@x.example\"\n", "contacts.csv line 2: email"},
      {"owner,email\n1,a@b.example\n3,c@b.example\n001,d@b.example\n",
       "contacts.csv line 4: owner 0001 is already on line 2"},
      {"owner,email,name\n1,a@b.example,\"open\n", "contacts.csv line 2: a quoted field is not closed"},
      {"owner,email,name\n1,a@b.example,\"x\"y\n", "contacts.csv line 2: text after a closing quote"},
      {"owner,email,name\n1,a@b.example,Merc\xe8\n", "contacts.csv line 2: not UTF-8"},
      {"owner,email,name\n1,a@b.example,\"a\tb\"\n", "contacts.csv line 2: the name holds a control"},
      {"owner,email\n1,a@b.example\n\0\n", "contacts.csv line 3: holds a zero byte"},
  };
  for (const auto& c : cases) {
    ContactList list;
    std::string error;
    const std::string bytes(c.bytes, std::string_view(c.bytes).size() +
                                         (std::string_view(c.error).find("zero") != std::string_view::npos ? 2 : 0));
    EXPECT_FALSE(list.Parse(bytes, "contacts.csv", error)) << c.bytes;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error;
    EXPECT_TRUE(list.All().empty());
  }
}

TEST(ContactsTest, MailAddresses) {
  for (const char* good : {"a@b.c", "joan.puig@finques.example", "x+y_z-1@sub.domain.cat"}) {
    EXPECT_TRUE(IsMailAddress(good)) << good;
  }
  for (const char* bad : {"", "@b.c", "a@", "a@@b.c", "a b@c.d", "a@b.c\n", "\"a\"@b.c",
                          "a@b.c>", "<a@b.c", "a,b@c.d", "a;b@c.d", ".a@b.c", "a.@b.c",
                          "a..b@c.d", "a@.b.c", "a@b..c", "a@b.c.", "a@-b.c",
                          "mer\xc3\xa8@b.c", "a\\b@c.d"}) {
    EXPECT_FALSE(IsMailAddress(bad)) << bad;
  }
  EXPECT_FALSE(IsMailAddress(std::string(250, 'a') + "@b.cat"));
}

TEST(ContactsTest, RandomAndTruncatedBytesNeverCrash) {
  const std::string good =
      "owner,email,name\r\n1,joan@example.org,\"Puig, Joan\"\r\n2,,Merc\xc3\xa8\r\n";
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    ContactList list;
    std::string error;
    list.Parse(good.substr(0, cut), "c.csv", error);
  }
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = good;
    for (int k = 0; k < 4; ++k) {
      bytes[random() % bytes.size()] = "\",\r\n\0a@\xff"[random() % 8];
    }
    ContactList list;
    std::string error;
    if (!list.Parse(bytes, "c.csv", error)) {
      EXPECT_EQ(error.rfind("c.csv line ", 0), 0u) << error;
    }
  }
}

}  // namespace
}  // namespace orb
