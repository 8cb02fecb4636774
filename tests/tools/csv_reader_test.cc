// The data tool's CSV reader: the separator chosen by the header line, line ends of
// every kind, and messages that never carry control bytes.
#include "orbdata/csv_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orb::orbdata {
namespace {

struct Rows {
  std::vector<size_t> lines;
  std::vector<std::vector<std::string>> fields;
  char separator = 0;
  std::string error;
};

Rows ReadAll(std::string_view text) {
  CsvReader reader(text);
  Rows rows;
  CsvRow row;
  while (reader.Next(row)) {
    rows.lines.push_back(row.line);
    rows.fields.push_back(row.fields);
  }
  rows.separator = reader.separator();
  rows.error = reader.error();
  return rows;
}

using Fields = std::vector<std::vector<std::string>>;

TEST(CsvReaderTest, TheHeaderLineChoosesTheSeparator) {
  Rows rows = ReadAll("code;name;tax_id\n1;\"Garcia; Maria\";4,5\n");
  EXPECT_EQ(rows.separator, ';');
  EXPECT_EQ(rows.fields, (Fields{{"code", "name", "tax_id"}, {"1", "Garcia; Maria", "4,5"}}));
  rows = ReadAll("\xef\xbb\xbf\n\ncode,name\n1,\"a;b\"\n");
  EXPECT_EQ(rows.separator, ',');
  EXPECT_EQ(rows.fields, (Fields{{"code", "name"}, {"1", "a;b"}}));
  // Separators inside the header's quotes do not count.
  EXPECT_EQ(ReadAll("\"a;b;c\",d\n").separator, ',');
  EXPECT_EQ(ReadAll("\"a,b,c\";d\n").separator, ';');
  EXPECT_EQ(ReadAll("code\n").separator, ',');
}

TEST(CsvReaderTest, CrOnlyLfAndCrLfLineEndsCountLines) {
  Rows rows = ReadAll("a,b\r1,2\r\r3,\"x\ry\"\r4,5\n6,7\r\n8,9");
  EXPECT_EQ(rows.fields, (Fields{{"a", "b"}, {"1", "2"}, {"3", "x\ry"}, {"4", "5"}, {"6", "7"},
                                 {"8", "9"}}));
  EXPECT_EQ(rows.lines, (std::vector<size_t>{1, 2, 4, 6, 7, 8}));
  // A quote after a quoted field's CR-only line end is a new row, not text after it.
  rows = ReadAll("a\r\"b\"\r\"c\"");
  EXPECT_EQ(rows.fields, (Fields{{"a"}, {"b"}, {"c"}}));
  EXPECT_EQ(rows.error, "");
}

TEST(CsvReaderTest, RowsOfSeparatorsOnlyAreBlank) {
  CsvReader reader("a;b;c\n;;\n;\"\";\n;x;\n");
  CsvRow row;
  std::vector<bool> blank;
  while (reader.Next(row)) blank.push_back(row.Blank());
  EXPECT_EQ(blank, (std::vector<bool>{false, true, true, false}));
}

TEST(CsvReaderTest, PrintableEscapesControlsAndBrokenUtf8Only) {
  EXPECT_EQ(Printable("unknown column 'co\x1b[31mde'"), "unknown column 'co\\x1b[31mde'");
  EXPECT_EQ(Printable("a\tb\r\n\x07\x7f"), "a\\tb\\r\\n\\x07\\x7f");
  EXPECT_EQ(Printable("\xc3\x80ngels \xe2\x82\xac DADES\\PropietV"),
            "\xc3\x80ngels \xe2\x82\xac DADES\\PropietV");
  EXPECT_EQ(Printable("\xc2\x9b" "1m \xff \xc3"), "\\xc2\\x9b1m \\xff \\xc3");
}

}  // namespace
}  // namespace orb::orbdata
