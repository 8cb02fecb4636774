// The colour selector as it reaches the screen.
#include <gtest/gtest.h>

#include "core/colour.h"
#include "platform/memory_console.h"

namespace orb {
namespace {

TEST(ColourOutputTest, SelectedAttributeReachesCellsAndOutOfRangeColoursAreKept) {
  MemoryConsole console;
  Session session;
  session.Colours[1][0] = 14;  // n: yellow on blue
  session.Colours[1][1] = 1;
  session.Colours[4][0] = 20;  // u: foreground out of range, background red
  session.Colours[4][1] = 4;
  ColourSelector colour(console, session);
  colour.SetColour("+n");
  console.PrintText("x");
  EXPECT_EQ(console.ReadCellAttribute(1, 1), 14 + 16 * 1);
  colour.SetColour("u");
  EXPECT_EQ(console.CurrentAttribute(), 14 + 16 * 4);
  colour.SetColour("-");
  EXPECT_EQ(console.CurrentAttribute(), 15);
  colour.SetColour("   ");
  EXPECT_EQ(console.CurrentAttribute(), 15);
}

}  // namespace
}  // namespace orb
