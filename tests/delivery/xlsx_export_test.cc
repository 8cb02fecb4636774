// The XLSX export over many rows (its cells are written on a thread of their own while
// the report walks): every row arrives in order, and an abandoned export leaves nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "../core/temp_dir.h"
#include "delivery/report_export.h"

namespace orb {
namespace {

class XlsxExportTest : public testing::TempDirTest {
 protected:
  std::string File() const { return (dir_ / "m.xlsx").string(); }
  static ExportTexts Texts() {
    ExportTexts texts;
    for (size_t c = 0; c < texts.header.size(); ++c) texts.header[c] = "h" + std::to_string(c);
    texts.kinds = {"property", "owner", "grand"};
    return texts;
  }
  // Feeds OWNERS owners of one property each, then the grand total.
  static void Feed(ReportExport& out, int owners) {
    const std::string name(30, 'N'), code("\x01\x02", 2);
    for (int i = 0; i < owners; ++i) {
      ReportLine line;
      line.owner_code = code;
      line.owner_name = name;
      line.property_code = code;
      line.property_name = name;
      line.amounts = {static_cast<double>(i), 0, 0, 0, 0, 0};
      out.OnReportLine(line);
      line.kind = ReportLineKind::kOwnerTotal;
      out.OnReportLine(line);
    }
    ReportLine total;
    total.kind = ReportLineKind::kGrandTotal;
    total.amounts = {123456.0, 0, 0, 0, 0, 0};
    out.OnReportLine(total);
  }
  // The sheet's row count and the last row's first figure, read back through Python.
  static std::string ReadBack(const std::string& file) {
    const std::string command =
        "python3 -c \"import re,sys,zipfile; x=zipfile.ZipFile(sys.argv[1]).read("
        "'xl/worksheets/sheet1.xml').decode(); rows=re.findall(r'<row [^>]*>(.*?)</row>', x);"
        " print(len(rows), re.search(r'r=\\\"E[0-9]+\\\"[^>]*><v>([^<]*)</v>', rows[-1]).group(1))\" " +
        file;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    char buffer[128] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
    ::pclose(pipe);
    return std::string(buffer, n);
  }
};

TEST_F(XlsxExportTest, EveryRowOfALongReportArrivesInOrder) {
  std::string error;
  auto out = MakeXlsxExport(File(), Texts());
  ASSERT_TRUE(out->Open(error)) << error;
  Feed(*out, 3000);  // several batches for the writer
  ASSERT_TRUE(out->Commit(error)) << error;
  EXPECT_FALSE(std::filesystem::exists(File() + ".part"));
  EXPECT_EQ(ReadBack(File()), "6002 1234.56\n");  // header, 6,000 lines, grand total
}

TEST_F(XlsxExportTest, AnAbandonedExportLeavesNothingBehind) {
  std::string error;
  {
    auto out = MakeXlsxExport(File(), Texts());
    ASSERT_TRUE(out->Open(error)) << error;
    Feed(*out, 1000);
    out->Abandon();
    Feed(*out, 10);  // lines after abandoning are dropped
  }
  {
    auto out = MakeXlsxExport(File(), Texts());
    ASSERT_TRUE(out->Open(error)) << error;
    Feed(*out, 700);
  }  // dropped without a commit
  EXPECT_FALSE(std::filesystem::exists(File()));
  EXPECT_FALSE(std::filesystem::exists(File() + ".part"));
}

}  // namespace
}  // namespace orb
