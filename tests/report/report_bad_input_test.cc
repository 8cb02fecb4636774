// Records with impossible values still give a well-formed report.
#include <cmath>
#include <limits>

#include "report_fixture.h"

namespace orb::testing {
namespace {

class ReportBadInputTest : public ReportInstallation {};

TEST_F(ReportBadInputTest, ImpossibleValuesGiveAWellFormedReport) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const int32_t max = std::numeric_limits<int32_t>::max();
  const int32_t min = std::numeric_limits<int32_t>::min();
  const std::string p1 = PackedCode(1), p2 = PackedCode(2), p3 = PackedCode(3);
  const std::string p4 = PackedCode(4);
  const std::string odd("\x00\xff", 2);  // not packed digits
  const std::string date = PackedDate("20261001");
  WriteData(
      {OwnerImage(PackedCode(10), std::string("NOM AMB \x01\t\r\n CONTROLS", 22),
                  "ESB12345678", {{p1, 0}, {p2, 7}, {p3, -1}, {p4, 1}, {odd, 0}})},
      {PropertyImage(p1, "PERCENTATGE NO NUMERIC", nan, 100, 0),
       PropertyImage(p2, "PERCENTATGE ENORME", 3e38f, 100, 0),
       PropertyImage(p3, "PERCENTATGE INFINIT", inf, min, max),
       PropertyImage(p4, "IMPORTS QUE DESBORDEN", 10, max, max),
       PropertyImage(odd, "CODI NO EMPAQUETAT", 0, 0, 100)},
      {UnitImage(p1, 1), UnitImage(p2, 1), UnitImage(p4, 1)},
      {CollectionImage(p1 + PackedCode(1), date, 10000, 'C', 0, 0, 'P'),
       CollectionImage(p2 + PackedCode(1), date, 10000, 'C', 0, 0, 'P'),
       CollectionImage(p4 + PackedCode(1), date, max, 'C', min, max, 'P'),
       CollectionImage(p4 + PackedCode(1), date, max, 'I', min, max, 'P'),
       CollectionImage(p4 + PackedCode(1), date, max, 'X', min, max, 'P')},
      {PaymentImage(p4, date, min, 'P'), PaymentImage(p4, date, min, 'P')});
  const std::string print = RunReport("20261231", 1, 9999);
  ExpectSameAsFile(print, "bad_input.prn");
  // Every line ends with CR LF and no control byte is left inside a line.
  for (size_t i = 0; i < print.size(); ++i) {
    const auto c = static_cast<unsigned char>(print[i]);
    if (c == '\r') {
      ASSERT_LT(i + 1, print.size());
      EXPECT_EQ(print[i + 1], '\n');
    } else if (c == '\n') {
      EXPECT_EQ(print[i - 1], '\r');
    } else {
      EXPECT_GE(c, 32) << "control byte at " << i;
    }
  }
}

TEST_F(ReportBadInputTest, RatesThatAreNotNumbersReadAsZero) {
  WriteVoraIni("[Iva0]\r\nHonoraris=vint-i-u\r\nSuplerts=\r\n[Ret0]\r\nHonoraris=1e999\r\n"
               "[Titular]\r\nNom=X\r\nNIF=ES4\r\n");
  const ReportRates rates = ReadReportRates(session_);
  EXPECT_EQ(rates.FeeVat[0], 0);
  EXPECT_EQ(rates.SupplementVat[0], 0);
  EXPECT_EQ(rates.FeeWithholding[0], 1);  // the number ends at the "e"
  EXPECT_EQ(rates.FeeVat[1], 0);          // missing section
}

TEST_F(ReportBadInputTest, PrintFileThatCannotBeCreatedIsNamed) {
  WriteData({}, {}, {}, {}, {});
  session_.TempDir = root_ + "NO-SUCH-DIR/";
  RunReport("20261231", 1, 9999);
  EXPECT_FALSE(outcome_.print_file_written);
  EXPECT_NE(outcome_.message.find("NO-SUCH-DIR/orbprint.tmp: No such file or directory"),
            std::string::npos)
      << outcome_.message;
}

TEST_F(ReportBadInputTest, PrintFileCutShortIsNeverHandedToThePrintProgram) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  WriteData({OwnerImage(PackedCode(1), "OWNER", "ES12345678Z", {{PackedCode(10), 0}})},
            {PropertyImage(PackedCode(10), "PROPERTY", 0, 0, 5000)}, {}, {}, {});
  int started = 0;
  print_program_ = [&started](const Session&) {
    ++started;
    return PrintProgramRun{0, "", ""};
  };
  RunReport("20261231", 1, 9999);
  ASSERT_TRUE(outcome_.print_file_written);
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(outcome_.print_program_started);

  // A full disk: the lines are refused when the file is written out.
  std::filesystem::remove(dir_ / "TMP" / "orbprint.tmp");
  std::filesystem::create_symlink("/dev/full", dir_ / "TMP" / "orbprint.tmp");
  RunReport("20261231", 1, 9999);
  EXPECT_FALSE(outcome_.print_file_written);
  EXPECT_EQ(outcome_.reason, "No space left on device");
  EXPECT_NE(outcome_.message.find("orbprint.tmp: No space left on device"), std::string::npos)
      << outcome_.message;
  EXPECT_EQ(started, 1);
  EXPECT_FALSE(outcome_.print_program_started);
}

}  // namespace
}  // namespace orb::testing
