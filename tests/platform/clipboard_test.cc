#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/host_path.h"

namespace orb {
namespace {

TEST(ClipboardTest, Osc52CarriesBase64OfUtf8) {
  EXPECT_EQ(Osc52Sequence(""), "\x1b]52;c;\x07");
  EXPECT_EQ(Osc52Sequence("a"), "\x1b]52;c;YQ==\x07");
  EXPECT_EQ(Osc52Sequence("ab"), "\x1b]52;c;YWI=\x07");
  EXPECT_EQ(Osc52Sequence("abc"), "\x1b]52;c;YWJj\x07");
  EXPECT_EQ(Osc52Sequence("\xc3\xa0"), "\x1b]52;c;w6A=\x07");  // "à"
}

TEST(ClipboardTest, CopyTellsTheTerminalAndPasteReadsTheFile) {
  // No graphical session: pasting reads the clipboard file.
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("DISPLAY");
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "clipboard_test";
  std::filesystem::create_directories(dir);
  std::string sent;
  SystemClipboard clipboard(dir.string() + "/", [&](std::string_view bytes) { sent = bytes; });
  clipboard.Copy("Pla\x87" "a");  // "Plaça" in code page 850
  EXPECT_EQ(sent, Osc52Sequence("Pla\xc3\xa7" "a"));
  std::string stored;
  ASSERT_TRUE(ReadFile(clipboard.FileName(), stored));
  EXPECT_EQ(stored, "Pla\xc3\xa7" "a");
  EXPECT_EQ(clipboard.Paste(), "Pla\x87" "a");

  // Characters code page 850 lacks, and broken UTF-8, arrive as byte 0.
  ASSERT_TRUE(WriteFile(clipboard.FileName(), "a\xe2\x82\xac\xe4\xb8\xad\xff" "b"));
  EXPECT_EQ(clipboard.Paste(), std::string("a\xd5\0\0b", 5));
  std::filesystem::remove_all(dir);
  EXPECT_EQ(clipboard.Paste(), "");
}

}  // namespace
}  // namespace orb
