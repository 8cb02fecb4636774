// Page heads, page breaks and totals of the report, driven line by line.
#include "report_fixture.h"

namespace orb::testing {
namespace {

class ReportLayoutTest : public ReportInstallation {
 protected:
  void SetUp() override {
    ReportInstallation::SetUp();
    parameters_ = {PackedDate("20261231"), PackedCode(1), PackedCode(9999)};
    holder_ = {"GESTIO DE FINQUES PRATS", "ES40123456H"};
    owner_ = OwnerImage(PackedCode(1234), "JOAN PUIG I FERRER", "ES12345678Z", {});
    property_ = PropertyImage(PackedCode(1056), "C/ MAJOR, 1", 0, 0, 0);
    amounts_.Collected = 123456;
    amounts_.Pending = 0;
    amounts_.Expenses = -500;
    amounts_.Fees = 1493;
    amounts_.Supplements = 121;
    amounts_.Carry = 123456 + 500 - 1493 - 121;
    amounts_.PropertyHasData = true;
  }

  // Runs `body` against a layout writing a fresh print file; returns the file.
  template <typename Body>
  std::string Print(Body body) {
    Currency currency;
    currency.SetCurrency("a,E");
    Catalogue catalogue(session_);
    UserSettings settings(session_.RootDir + "Vora.ini");
    SessionReportText text(session_, catalogue, currency, settings);
    PrintFile print(session_);
    EXPECT_TRUE(print.OpenPrint(session_.Output));
    ReportLayout layout(print, text, holder_, parameters_);
    layout.StartReport();
    layout.StartOwner();
    body(layout, print);
    print.ClosePrint();
    return ReadWholeFile(dir_ / "TMP" / "orbprint.tmp");
  }

  const uint8_t* Owner() const { return reinterpret_cast<const uint8_t*>(owner_.data()); }
  const uint8_t* Property() const {
    return reinterpret_cast<const uint8_t*>(property_.data());
  }

  ReportParameters parameters_;
  InstallationHolder holder_;
  std::string owner_;
  std::string property_;
  PropertyAmounts amounts_;
};

TEST_F(ReportLayoutTest, OnePropertyReport) {
  const std::string file = Print([&](ReportLayout& layout, PrintFile& print) {
    layout.PrintDetail(Property(), amounts_);
    EXPECT_EQ(print.LineNo(), 7);  // six lines of head, one of detail
    layout.PrintOwnerTotal(Owner());
    layout.PrintGrandTotal();
    EXPECT_EQ(layout.GrandTotals()[0], 123456);
  });
  ExpectSameAsFile(file, "layout_one_property.prn");
}

TEST_F(ReportLayoutTest, DetailBreaksAfterSixtyLines) {
  // 54 lines after the head fill the page to line 60: the 55th stays, the 56th breaks.
  const std::string file = Print([&](ReportLayout& layout, PrintFile& print) {
    for (int i = 0; i < 54; ++i) layout.PrintDetail(Property(), amounts_);
    EXPECT_EQ(print.LineNo(), 60);
    layout.PrintDetail(Property(), amounts_);
    EXPECT_EQ(layout.PageNo(), 1);
    EXPECT_EQ(print.LineNo(), 61);
    layout.PrintDetail(Property(), amounts_);
    EXPECT_EQ(layout.PageNo(), 2);
    EXPECT_EQ(print.LineNo(), 7);
  });
  ExpectSameAsFile(file, "layout_detail_break.prn");
}

TEST_F(ReportLayoutTest, TotalBreaksAfterFiftyNineLines) {
  const std::string file = Print([&](ReportLayout& layout, PrintFile& print) {
    for (int i = 0; i < 54; ++i) layout.PrintDetail(Property(), amounts_);
    EXPECT_EQ(print.LineNo(), 60);
    layout.PrintOwnerTotal(Owner());  // 60 > 59: on a new page
    EXPECT_EQ(layout.PageNo(), 2);
    EXPECT_EQ(print.LineNo(), 8);
  });
  ExpectSameAsFile(file, "layout_total_break.prn");
}

TEST_F(ReportLayoutTest, GrandTotalAfterABreakKeepsTheRuleAtTheFoot) {
  // 51 details (line 57), the subtotal (59), the rule (60): the total goes overleaf.
  const std::string file = Print([&](ReportLayout& layout, PrintFile& print) {
    for (int i = 0; i < 51; ++i) layout.PrintDetail(Property(), amounts_);
    layout.PrintOwnerTotal(Owner());
    EXPECT_EQ(print.LineNo(), 59);
    layout.PrintGrandTotal();
    EXPECT_EQ(layout.PageNo(), 2);
  });
  ExpectSameAsFile(file, "layout_grand_total_break.prn");
}

TEST_F(ReportLayoutTest, PageTwelveIsNumberedInFourPositions) {
  const std::string file = Print([&](ReportLayout& layout, PrintFile&) {
    for (int i = 0; i < 12; ++i) layout.PrintPageHead();
  });
  EXPECT_NE(file.find(" 85 ,P\xb7GINA   12, 2 \r\n"), std::string::npos);
  EXPECT_NE(file.find(" 85 ,P\xb7GINA    9, 2 \r\n"), std::string::npos);
}

TEST_F(ReportLayoutTest, SpanishSessionTakesEveryTextFromTheCatalogue) {
  session_.Language = "SPA";
  WriteFile("LOCALE/RPTCARRY.LNG",
            "\"P\xb7GINA \",\"P\xb5GINA \",\"P\xb5XINA \",\"P\xb5GINA \"\r\n"
            "\"R\xe3SSEC DE VERTICAL ENTRE EL PROPIETARI \","
            "\"ARRASTRE DE VERTICAL ENTRE EL PROPIETARIO \",x,x\r\n"
            "\" I EL \",\" Y EL \",\" E O \",\" E ETH \"\r\n"
            "\" A \",\" A \",\" A \",\" A \"\r\n"
            "PRO.,PRO.,PRO.,PRO.\r\nCOD,COD,COD,COD\r\nFINCA,FINCA,FINCA,FINCA\r\n"
            "\"     COBRAT\",\"    COBRADO\",x,x\r\n"
            "\"    PENDENT\",\"  PENDIENTE\",x,x\r\n"
            "\"   DESPESES\",\"     GASTOS\",x,x\r\n"
            "\"  HONORARIS\",\"  HONORARIOS\",x,x\r\n"
            "\"   SUPLERTS\",\"  SUPLIDOS\",x,x\r\n"
            "\"     R\xe3SSEC\",\"   ARRASTRE\",x,x\r\n"
            "TOTAL,TOTAL ES,TOTAL GL,TOTAL OC\r\n");
  const std::string file = Print([&](ReportLayout& layout, PrintFile&) {
    layout.PrintDetail(Property(), amounts_);
    layout.PrintOwnerTotal(Owner());
    layout.PrintGrandTotal();
  });
  ExpectSameAsFile(file, "layout_spanish.prn");
}

TEST_F(ReportLayoutTest, LongTitleGivesAColumnOfZeroOrLess) {
  holder_.HolderName = std::string(40, 'N');
  session_.Language = "SPA";
  WriteFile("LOCALE/RPTCARRY.LNG", "\"R\xe3SSEC DE VERTICAL ENTRE EL PROPIETARI \",\"" +
                                       std::string(120, 'T') + "\",x,x\r\n");
  const std::string file = Print([&](ReportLayout& layout, PrintFile&) {
    layout.PrintPageHead();
  });
  // 120 + 1 + 6 + 4 + 3 + 10 characters: (96 - 144) / 2 = -24.
  EXPECT_NE(file.find("\r\n-24 ," + std::string(120, 'T')), std::string::npos);
}

}  // namespace
}  // namespace orb::testing
