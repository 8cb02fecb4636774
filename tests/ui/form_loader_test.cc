#include "ui/form_loader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/cp850.h"

namespace orb {
namespace {

std::string Crlf(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

// A small valid form: selection window of three fields, a confirmation, one list.
std::string MinimalForm() {
  return Crlf({"2,3",
               "\"d,1b\",3,0,0,0,0,0",
               "2,3,\"Data: \",10,0,0,0,1,0,\"\"",
               "4,3,\"Del: \",4,0,0,8,2,1,\"\"",
               "6,3,\"Al: \",4,0,0,8,2,1,\"\"",
               "\"d\",1,0,18,20,20,60",
               "1,3,\"Confirmeu: \",1,0,2,0,0,0,\"|S,S\xa1|N,No\"",
               "1",
               "505,0,4,20,20,60,0,\"CODI__NOM\",0"});
}

FormLoadResult Parse(const std::string& bytes, FormTable& table,
                     const TextTranslator& translate = nullptr) {
  return ParseForm(bytes, "FORMS\\TEST.OPN", translate, table);
}

TEST(FormLoaderTest, ReadsWindowsFieldsAndLists) {
  FormTable table;
  FormLoadResult result = Parse(MinimalForm(), table);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(table.WindowCount(), 2);
  EXPECT_EQ(table.MaxFields(), 3);
  EXPECT_EQ(table.Window(1).ExitKeys, "d,1b");
  EXPECT_FALSE(table.Window(1).HasBox());
  EXPECT_EQ(table.Window(2).Box, (std::array<int16_t, 4>{18, 20, 20, 60}));
  const FormField& from = table.Field(1, 2);
  EXPECT_EQ(from.Row, 4);
  EXPECT_EQ(from.Label, "Del: ");  // trailing blank kept
  EXPECT_EQ(from.Len, 4);
  EXPECT_EQ(from.Flags, 8);
  EXPECT_EQ(from.Type, 2);
  EXPECT_EQ(from.List, 1);
  EXPECT_EQ(from.Number(2), 4);
  EXPECT_EQ(from.Value, "    ");
  EXPECT_EQ(table.Field(2, 1).Options, "|S,S\xa1|N,No");  // commas kept inside quotes
  EXPECT_EQ(table.List(1).Spec, (std::array<int16_t, 8>{505, 0, 4, 20, 20, 60, 0, 0}));
  EXPECT_EQ(table.List(1).Title, "CODI__NOM");
}

TEST(FormLoaderTest, ItemRules) {
  // Leading blanks dropped, trailing kept; tabs dropped from unquoted items; blanks after
  // a closing quote skipped; numbers rounded halves to even; records spread over lines
  // and two records on one line read the same.
  std::string bytes = Crlf({"2,  3",
                            "\"d,1b\"  ,3,0",
                            "0,0,0,0",
                            "   2,3,   Da\tta  ,10,0,0,0,1,0,,4,3,\"Del: \",4,0,0,8,2,1,\"\"",
                            "6,3,\"Al: \",4.5,0,0,8,2,1,\"\"",
                            "\"d\",1,0,18,20,20,60,1,3,x,1,0,2,0,0,0,\"|S,S|N,N\"",
                            "1,505,0,4,20,20,60,0,  \"CODI__NOM\"  ,0"});
  FormTable table;
  FormLoadResult result = Parse(bytes, table);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(table.Field(1, 1).Label, "Data  ");
  EXPECT_EQ(table.List(1).Title, "CODI__NOM");
  EXPECT_EQ(table.Field(1, 1).Options, "");
  EXPECT_EQ(table.Field(1, 3).Len, 4);  // 4.5 rounds to even
  EXPECT_EQ(table.Field(2, 1).Label, "x");
}

TEST(FormLoaderTest, CommentLinesOnlyWhereARecordBegins) {
  std::string with_comments = Crlf({"' header", "2,3", "  ' window 1", "\"d,1b\",3,0,0,0,0,0",
                                    "2,3,\"Data: \",10,0,0,0,1,0,\"\"",
                                    "4,3,\"Del: \",4,0,0,8,2,1,\"\"",
                                    "6,3,\"Al: \",4,0,0,8,2,1,\"\"", "' window 2",
                                    "\"d\",1,0,0,0,0,0", "1,3,\"C: \",1,0,0,0,0,0,\"\"",
                                    "' lists", "1", "' list 1",
                                    "505,0,4,20,20,60,0,\"CODI__NOM\",0"});
  FormTable table;
  FormLoadResult result = Parse(with_comments, table);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(table.List(1).Title, "CODI__NOM");

  // Between field records an apostrophe line is data: here it becomes a field's row
  // item, which is not a number, so the file is refused at that line.
  std::string inside = Crlf({"2,3", "\"d,1b\",3,0,0,0,0,0", "2,3,\"Data: \",10,0,0,0,1,0,\"\"",
                             "' not a comment", "4,3,\"Del: \",4,0,0,8,2,1,\"\""});
  result = Parse(inside, table);
  ASSERT_FALSE(result.ok);
  EXPECT_NE(result.error.find("FORMS\\TEST.OPN, line 4:"), std::string::npos) << result.error;
  EXPECT_EQ(table.WindowCount(), 0);
}

TEST(FormLoaderTest, EndOfFileMarkEndsTheFile) {
  std::string bytes = MinimalForm() + "\x1a" + "garbage,\"\r\n";
  FormTable table;
  EXPECT_TRUE(Parse(bytes, table).ok);
  std::string cut = MinimalForm();
  cut.insert(cut.find("505"), "\x1a");
  FormLoadResult result = Parse(cut, table);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("ends before list 1"), std::string::npos) << result.error;
}

TEST(FormLoaderTest, TranslatesLabelsOptionsAndTitles) {
  std::vector<std::string> asked;
  TextTranslator translate = [&](const std::string& key) {
    asked.push_back(key);
    if (key == "Del: ") return std::string("Desde: ");
    if (key == "CODI__NOM") return std::string("COD__NOMBRE");
    if (key == "|S,S\xa1|N,No") return std::string("|S,Si|N,Non");
    return key;
  };
  FormTable table;
  ASSERT_TRUE(Parse(MinimalForm(), table, translate).ok);
  EXPECT_EQ(table.Field(1, 2).Label, "Desde: ");
  EXPECT_EQ(table.Field(2, 1).Options, "|S,Si|N,Non");
  EXPECT_EQ(table.List(1).Title, "COD__NOMBRE");
  EXPECT_EQ(table.Window(1).ExitKeys, "d,1b");  // never translated
  EXPECT_EQ(asked.size(), 4u * 2 + 1);          // label and options per field, one title
}

TEST(FormLoaderTest, RefusesBrokenForms) {
  struct Case {
    std::string from, to, message;
  };
  const std::vector<Case> cases = {
      {"2,3", "1,3", "window 2"},
      {"2,3", "40000,3", "not a number"},
      {"\"d,1b\",3,0", "\"d,1b\",2,0", "needs 3 fields"},
      {"\"d\",1,0", "\"d\",0,0", "needs a field"},
      {"2,3,\"Data: \",10", "2,3,\"Data: \",0", "field length"},
      {"2,3,\"Data: \",10", "2,3,\"Data: \",-5", "field length"},
      {"4,3,\"Del: \"", "4,30000,\"Del: \"", "field column"},
      {"6,3,\"Al: \",4,0", "6,3,\"Al: \",4,9", "line width"},
      {"6,3,\"Al: \",4,0,0", "6,3,\"Al: \",4,0,250", "extra length"},
      {"\"d\",1,0,18,20,20,60", "\"d\",1,0,18,20,10,60", "box"},
      {"\"d\",1,0,18", "\"d\",1,2,18", "loop"},
      {"4,3,\"Del: \",4,0,0,8,2,1", "4,3,\"Del: \",4,0,0,8,2,7", "list 7"},
      {"Del: \",4", "Del: \",x4", "not a number"},
  };
  for (const Case& c : cases) {
    std::string bytes = MinimalForm();
    size_t at = bytes.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    bytes.replace(at, c.from.size(), c.to);
    FormTable table;
    FormLoadResult result = Parse(bytes, table);
    EXPECT_FALSE(result.ok) << c.to;
    EXPECT_NE(result.error.find(c.message), std::string::npos) << c.to << ": " << result.error;
    EXPECT_EQ(result.error.rfind("FORMS\\TEST.OPN, line ", 0), 0u) << result.error;
  }
}

TEST(FormLoaderTest, TruncatedAndRandomBytesNeverCrash) {
  std::string good = MinimalForm();
  for (size_t n = 0; n < good.size(); ++n) {
    FormTable table;
    FormLoadResult result = Parse(good.substr(0, n), table);
    EXPECT_FALSE(result.ok && table.WindowCount() < 2) << n;
  }
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) {
      bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
    }
    FormTable table;
    FormLoadResult result = Parse(bytes, table);
    if (result.ok) {
      ASSERT_GE(table.Window(1).FieldCount(), 3);
      ASSERT_GE(table.Window(2).FieldCount(), 1);
      for (int w = 1; w <= table.WindowCount(); ++w)
        for (int k = 1; k <= table.Window(w).FieldCount(); ++k)
          ASSERT_EQ(table.Field(w, k).Value.size(), static_cast<size_t>(table.Field(w, k).Len));
    }
  }
}

// Every column of a table, as text, to compare two loads.
std::string Describe(const FormTable& table) {
  std::string out;
  for (int w = 1; w <= table.WindowCount(); ++w) {
    const FormWindow& window = table.Window(w);
    out += "W" + window.ExitKeys + "|" + std::to_string(window.Next);
    for (int16_t corner : window.Box) out += "," + std::to_string(corner);
    out += "\n";
    for (int k = 1; k <= window.FieldCount(); ++k) {
      const FormField& field = table.Field(w, k);
      for (int i = 0; i < 8; ++i) out += std::to_string(field.Number(i)) + ",";
      out += field.Label + "|" + field.Options + "|" + field.Value + "\n";
    }
  }
  for (int i = 1; i <= table.ListCount(); ++i) {
    for (int16_t n : table.List(i).Spec) out += std::to_string(n) + ",";
    out += table.List(i).Title + "\n";
  }
  return out;
}

TEST(FormLoaderTest, LineFeedLineEndsAndUtf8LoadTheSameTable) {
  std::ifstream in(std::string(ORB_TEST_DATA) + "/../demo/FORMS/RPTCARRY.OPN", std::ios::binary);
  const std::string demo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_NE(demo.find("\r\n"), std::string::npos);
  FormTable expected;
  ASSERT_TRUE(Parse(demo, expected).ok);

  std::string lf = demo;
  for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  const std::string utf8 = cp850::ToUtf8(lf);
  ASSERT_NE(utf8, lf);  // the demo form has accented texts
  for (const std::string& bytes : {lf, utf8, "\xef\xbb\xbf" + utf8}) {
    FormTable table;
    const FormLoadResult result = Parse(bytes, table);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Describe(table), Describe(expected));
  }

  // A broken LF-only file names the line where reading stopped.
  std::string broken = lf;
  broken.replace(broken.find("\n") + 1, 0, "x,");
  FormTable table;
  const FormLoadResult result = Parse(broken, table);
  ASSERT_FALSE(result.ok);
  EXPECT_EQ(result.error.rfind("FORMS\\TEST.OPN, line 2:", 0), 0u) << result.error;
}

TEST(FormLoaderTest, LoadFormSetsSelectionDefaults) {
  FormTable table;
  FormLoadResult result = LoadForm(std::string(ORB_TEST_DATA) + "/../demo/FORMS/RPTCARRY.OPN",
                                   nullptr, "31122026", table);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(table.Value(1, 1), "31122026  ");
  EXPECT_EQ(table.Value(1, 2), "1   ");
  EXPECT_EQ(table.Value(1, 3), "9999");
  EXPECT_EQ(table.Field(1, 2).List, 1);
  EXPECT_EQ(table.Field(2, 1).Options, "|S,S\xa1|N,No");
  EXPECT_EQ(table.List(1).Spec[0], 505);

  // Defaults are cut to the field's length.
  std::string bytes = MinimalForm();
  bytes.replace(bytes.find("\"Al: \",4"), 8, "\"Al: \",2");
  ASSERT_TRUE(Parse(bytes, table).ok);
  table.SetValue(1, 3, "9999");
  EXPECT_EQ(table.Value(1, 3), "99");

  result = LoadForm("/nonexistent/FORMS/RPTCARRY.OPN", nullptr, "", table);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("RPTCARRY.OPN"), std::string::npos);
}

}  // namespace
}  // namespace orb
