// Names on a data server and what one position block reads ahead along a key.
#include <gtest/gtest.h>

#include "platform/btrieve/installation_name.h"
#include "platform/btrieve/postgres/read_ahead.h"

namespace orb::btr {
namespace {

TEST(InstallationName, IsTheNameBelowTheRootAsTheSuiteWritesIt) {
  const std::string root = "/srv/agency/";
  EXPECT_EQ(InstallationName("/srv/agency/DADES\\PropietV.dat", root, "/"), "DADES\\PropietV");
  EXPECT_EQ(InstallationName("/srv/agency/dades/propietv.DAT", root, "/"), "dades\\propietv");
  EXPECT_EQ(InstallationName("/SRV/Agency//DADES/./x/../PagamV.dat", root, "/"), "DADES\\PagamV");
  EXPECT_EQ(InstallationName("DADES\\CobramV", root, "/srv/agency"), "DADES\\CobramV");
  EXPECT_EQ(InstallationName("/srv/agency/DADES/A.B.C", "/srv/agency", "/"), "DADES\\A.B.C");
  // Outside the root, the root itself, or no root: not a server file.
  EXPECT_FALSE(InstallationName("/srv/other/DADES/PropietV.dat", root, "/"));
  EXPECT_FALSE(InstallationName("/srv/agencyX/DADES/PropietV.dat", root, "/"));
  EXPECT_FALSE(InstallationName("/srv/agency/", root, "/"));
  EXPECT_FALSE(InstallationName("/srv/agency/DADES/PropietV.dat", "", "/"));
  EXPECT_EQ(NameKey("Dades\\PropietV"), "DADES\\PROPIETV");
}

pg::Row R(const std::string& image, uint32_t position) { return {image, position, "d"}; }

TEST(KeyRows, AnswersInsideTheStretchAndAsksBeyondIt) {
  pg::KeyRows rows;
  EXPECT_EQ(rows.Forward({"b", 0}).answer, pg::KeyRows::Answer::kFetch);
  // Fetched from "b" on: b/1, b/7, d/2, and more beyond.
  rows.Replace({"b", 0}, true, {R("b", 1), R("b", 7), R("d", 2)}, false);
  auto look = rows.Forward({"b", 2});
  ASSERT_EQ(look.answer, pg::KeyRows::Answer::kRow);
  EXPECT_EQ(rows.At(look.index).position, 7u);
  look = rows.Forward({"c", 0});  // nothing at c: the next record, d/2
  ASSERT_EQ(look.answer, pg::KeyRows::Answer::kRow);
  EXPECT_EQ(rows.At(look.index).image, "d");
  EXPECT_EQ(rows.Forward({"d", 3}).answer, pg::KeyRows::Answer::kExtend);
  EXPECT_EQ(rows.Forward({"e", 0}).answer, pg::KeyRows::Answer::kFetch);
  EXPECT_EQ(rows.Forward({"a", 0}).answer, pg::KeyRows::Answer::kFetch);
  // Backwards from inside the stretch, and before its start.
  look = rows.Backward({"c", 0});
  ASSERT_EQ(look.answer, pg::KeyRows::Answer::kRow);
  EXPECT_EQ(rows.At(look.index).position, 7u);
  EXPECT_EQ(rows.Backward({"b", 0}).answer, pg::KeyRows::Answer::kExtend);
  EXPECT_EQ(rows.Backward({"a", 0}).answer, pg::KeyRows::Answer::kFetch);
  // The rest of the key: the end is known, so past it there is nothing.
  pg::Place from;
  ASSERT_TRUE(rows.Beyond(true, from));
  EXPECT_EQ(from.image, "d");
  EXPECT_EQ(from.position, 3);
  rows.Append(true, {R("f", 4)}, true);
  EXPECT_EQ(rows.Forward({"g", 0}).answer, pg::KeyRows::Answer::kNone);
  EXPECT_EQ(rows.Forward({"e", 0}).answer, pg::KeyRows::Answer::kRow);
  // Trimmed for a forward walk, the stretch starts at the first row kept.
  rows.Trim(2, true);
  EXPECT_EQ(rows.Forward({"b", 0}).answer, pg::KeyRows::Answer::kFetch);
  EXPECT_EQ(rows.Forward({"d", 2}).answer, pg::KeyRows::Answer::kRow);
  // Fetched backwards from the end of the key: nothing before the first row.
  rows.Replace({"z", 0}, false, {R("y", 3), R("x", 9)}, true);
  EXPECT_EQ(rows.Backward({"a", 0}).answer, pg::KeyRows::Answer::kNone);
  EXPECT_EQ(rows.At(rows.Backward({"y", 5}).index).image, "y");
}

}  // namespace
}  // namespace orb::btr
