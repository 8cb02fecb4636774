// The report over small data files: which collections and payments count, the fee,
// VAT and withholding rules per owner and regime, the owner range.
#include "report_fixture.h"

namespace orb::testing {
namespace {

class ReportGatheringTest : public ReportInstallation {
 protected:
  // Owner 1 is a person (no withholding), owner 2 an entity (withholding, the holder
  // being a person), owner 3 has only properties without data, owner 4 lies beyond
  // the usual range.
  void WriteMixedInstallation() {
    const std::string p101 = PackedCode(101), p102 = PackedCode(102), p103 = PackedCode(103);
    const std::string p201 = PackedCode(201), p202 = PackedCode(202), p203 = PackedCode(203);
    const std::string p301 = PackedCode(301), p401 = PackedCode(401);
    const std::string closing = PackedDate("20261231"), next_day = PackedDate("20270101");
    const std::string early = PackedDate("20260315");
    WriteData(
        {OwnerImage(PackedCode(1), "JOAN PUIG I FERRER", "ES12345678Z",
                    {{p101, 0}, {p102, 0}, {p103, 0}, {std::string(2, '\0'), 0},
                     {PackedCode(999), 0}}),
         OwnerImage(PackedCode(2), "INVERSIONS DEL PLA, SL", "ESB12345678",
                    {{p201, 0}, {p202, 1}, {p203, 0}}),
         OwnerImage(PackedCode(3), "MARIA ROCA", "ES87654321X", {{p301, 0}}),
         OwnerImage(PackedCode(4), "FORA DE RANG", "ES11111111H", {{p401, 0}})},
        {PropertyImage(p101, "C/ MAJOR, 1", 10, 0, 0),
         PropertyImage(p102, "PL. DE LA VILA, 2", 0, 500, 2000),
         PropertyImage(p103, "C/ DEL MIG, 3", 0, 0, 0),
         PropertyImage(p201, "AV. DIAGONAL, 201", 0, 100, 1000),
         PropertyImage(p202, "RBLA. NOVA, 202", 0, 100, 1000),
         PropertyImage(p203, "C/ DEL SOL, 203", 5, 0, 0),
         PropertyImage(p301, "C/ BUIDA, 301", 0, 0, 0),
         PropertyImage(p401, "C/ LLUNYANA, 401", 0, 0, 5000)},
        {UnitImage(p101, 1), UnitImage(p103, 1), UnitImage(p203, 1), UnitImage(p203, 2),
         UnitImage(p301, 1)},
        {CollectionImage(p101 + PackedCode(1), closing, 12345, 'C', 0, 0, 'P'),
         CollectionImage(p101 + PackedCode(1), next_day, 99999, 'C', 0, 0, 'P'),
         CollectionImage(p103 + PackedCode(1), early, 5000, 'C', 0, 0, 'L'),
         CollectionImage(p203 + PackedCode(1), early, 1000, 'C', 100, 50, 'P'),
         CollectionImage(p203 + PackedCode(1), closing, 1000, 'I', 100, 50, 'P'),
         CollectionImage(p203 + PackedCode(2), early, 1000, 'X', 100, 50, 'P'),
         CollectionImage(p301 + PackedCode(1), early, 7000, 'C', 0, 0, 'C')},
        {PaymentImage(p203, early, 300, 'P'), PaymentImage(p203, closing, 7, 'P'),
         PaymentImage(p203, early, 4000, 'L'), PaymentImage(p203, next_day, 8000, 'P'),
         PaymentImage(p301, early, 900, 'X')});
  }
};

TEST_F(ReportGatheringTest, MixedOwnersAndRegimes) {
  WriteMixedInstallation();
  const std::string print = RunReport("20261231", 1, 3);
  EXPECT_TRUE(outcome_.print_file_written);
  ExpectSameAsFile(print, "gathering_mixed.prn");
}

TEST_F(ReportGatheringTest, PropertyAmountsFromCollectionsAndPayments) {
  WriteMixedInstallation();
  QuietDataMessages messages;
  FileTable table(session_, messages);
  ReportFiles files(session_, table);
  ASSERT_EQ(files.OpenReportFiles(), 0);
  EXPECT_EQ(files.Holder().HolderName, "GESTIO DE FINQUES PRATS");
  EXPECT_EQ(files.Rates().FeeWithholding[1], 19.0f);
  ReportParameters parameters{PackedDate("20261231"), PackedCode(1), PackedCode(9999)};
  int16_t status = 0;
  table.GetByKey(ReportFiles::kOwnerFile, 0, PackedCode(2), 0, status);
  ASSERT_EQ(status, 0);

  auto gather = [&](int code, int16_t regime) {
    const std::string p = PackedCode(code);
    files.PropertyArea()[0] = static_cast<uint8_t>(p[0]);
    files.PropertyArea()[1] = static_cast<uint8_t>(p[1]);
    PropertyAmounts a;
    GatherProperty(files, parameters, regime, a);
    return a;
  };
  // Kinds C and I: net to collected, the amount to add to expenses; X: net to pending.
  // Open payments up to the closing date add to expenses.
  const PropertyAmounts a = gather(203, 0);
  EXPECT_EQ(a.Collected, 1900);
  EXPECT_EQ(a.Pending, 950);
  EXPECT_EQ(a.Expenses, 100 + 300 + 7);
  EXPECT_EQ(a.Fees, 95 + 20 - 14);
  EXPECT_EQ(a.Supplements, 0);
  EXPECT_EQ(a.Carry, 1900 - 407 - 101);
  EXPECT_TRUE(a.PropertyHasData);
  // Entity owner, regime 0: 1000 + 210 - 150 and 100 + 21 - 15.
  const PropertyAmounts b = gather(201, 0);
  EXPECT_EQ(b.Fees, 1060);
  EXPECT_EQ(b.Supplements, 106);
  // Regime 1 has no supplement VAT, hence no supplement withholding.
  const PropertyAmounts c = gather(202, 1);
  EXPECT_EQ(c.Fees, 1000 + 100 - 190);
  EXPECT_EQ(c.Supplements, 100);
  // Unknown property: nothing.
  const PropertyAmounts d = gather(999, 0);
  EXPECT_FALSE(d.PropertyHasData);
  EXPECT_EQ(d.Fees, 0);

  // The person owner: collection dated the closing date counts, the next day's not;
  // 1234.5 rounds to 1234, then 21% VAT (259.14) gives 1493.
  table.GetByKey(ReportFiles::kOwnerFile, 0, PackedCode(1), 0, status);
  const PropertyAmounts e = gather(101, 0);
  EXPECT_EQ(e.Collected, 12345);
  EXPECT_EQ(e.Fees, 1493);
  // A collection that is not open does not make the property printable.
  EXPECT_FALSE(gather(103, 0).PropertyHasData);
  files.CloseReportFiles();
}

TEST_F(ReportGatheringTest, OneOwnerWhenFirstEqualsLast) {
  WriteMixedInstallation();
  ExpectSameAsFile(RunReport("20261231", 2, 2), "gathering_one_owner.prn");
}

TEST_F(ReportGatheringTest, NoOwnerInRangeGivesOnlyTheDeviceLine) {
  WriteMixedInstallation();
  EXPECT_EQ(RunReport("20261231", 5, 9999), "DEVICEPANTALLA\r\n");
  // An owner whose entries find no data prints nothing either.
  EXPECT_EQ(RunReport("20261231", 3, 3), "DEVICEPANTALLA\r\n");
}

TEST_F(ReportGatheringTest, EarlierClosingDateLeavesLaterEntriesOut) {
  WriteMixedInstallation();
  ExpectSameAsFile(RunReport("20260630", 1, 2), "gathering_june.prn");
}

}  // namespace
}  // namespace orb::testing
