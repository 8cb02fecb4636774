// The module's print file writer and the print program agree: what PrintFile writes,
// orbprint reads back and lays out at the intended columns.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "orbprint/page_layout.h"
#include "orbprint/print_document.h"
#include "orbprint/text_render.h"
#include "platform/host_path.h"
#include "report/print_file.h"

namespace orb::print {
namespace {

TEST(OrbprintRoundTripTest, ReportPageHeadAndTotalsLineUp) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("roundtrip_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  Session session;
  session.TempDir = dir.string() + "/";
  {
    PrintFile print(session);
    ASSERT_TRUE(print.OpenPrint("TXT"));
    print.NewPage(66);
    print.PrintCommand("@e");
    print.PrintAt(1, "FINQUES \x8aS", 0);
    print.SetJustify("D");
    print.PrintAt(85, "P\xb7GINA    1", 2);
    print.PrintCommand("q");
    print.PrintAt(13, "FINCA", 0);
    print.SetJustify("D");
    print.PrintAt(55, "     COBRAT", 0);
    print.PrintAt(69, "     R\xe3SSEC", 1);
    print.PrintAt(13, "C/ MAJOR, 1\tA", 0);  // a comma and a tab in the text
    print.PrintAt(55, "   1.234'56", 0);
    print.PrintAt(69, "     -0'05", 1);
    print.PrintAt(55, std::string(25, '-'), 1);
    ASSERT_TRUE(print.ClosePrint());
  }
  std::string bytes;
  ASSERT_TRUE(ReadFile(session.TempDir + kPrintFileName, bytes));
  std::filesystem::remove_all(dir);

  PrintDocument doc;
  ASSERT_TRUE(ParsePrintDocument(bytes, doc).ok);
  EXPECT_EQ(doc.device, "TXT");
  EXPECT_EQ(RenderText(LayOutPages(doc)),
            "FINQUES \xc3\xa8S" + std::string(74, ' ') + "P\xc3\x80GINA    1\n"
            "\n" +
            std::string(12, ' ') + "FINCA" + std::string(37, ' ') + "     COBRAT   " +
            "     R\xc3\x92SSEC\n" +
            std::string(12, ' ') + "C/ MAJOR, 1 A" + std::string(29, ' ') + "   1.234'56" +
            "        -0'05\n" +
            std::string(54, ' ') + std::string(25, '-') + "\n");
}

}  // namespace
}  // namespace orb::print
