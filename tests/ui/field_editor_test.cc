#include "ui/field_editor.h"

#include <gtest/gtest.h>

#include "platform/memory_console.h"

namespace orb {
namespace {

class FakeClipboard : public Clipboard {
 public:
  void Copy(std::string_view text) override { copied = std::string(text); ++copies; }
  std::string Paste() override { return pasted; }
  std::string copied, pasted;
  int copies = 0;
};

class CalculatorStub : public HotKeyPopups {
 public:
  std::string RunCalculator() override { ++runs; return result; }
  std::string result = "12";
  int runs = 0;
};

class FieldEditorTest : public ::testing::Test {
 protected:
  FieldEditorTest() { exit_keys.SetExitKeys("ea", "d,1b"); }

  // Edits text at row 5, column 10 and returns the ending key.
  int16_t Edit(std::string& text, int16_t position = 1, int16_t line_width = 0) {
    int16_t key = 0;
    editor.EditField(5, 10, line_width, text, position, key);
    last_position = position;
    return key;
  }

  MemoryConsole console;
  Session session;
  ColourSelector colours{console, session};
  CalculatorStub popups;
  KeyReader reader{console, popups};
  ExitKeySet exit_keys;
  FakeClipboard clipboard;
  FieldEditor editor{console, colours, reader, exit_keys, clipboard};
  int16_t last_position = 0;
};

TEST(ExitKeySetTest, SaveAddDeleteRestore) {
  ExitKeySet set;
  EXPECT_TRUE(set.Empty());
  set.SetExitKeys("+ea", "d,1b,4f00=d, zz ,3b00");
  EXPECT_EQ(set.Result(13), 13);
  EXPECT_EQ(set.Result(0x4f00), 13);   // reported as Enter
  EXPECT_EQ(set.Result(0x3b00), 0x3b00);
  EXPECT_FALSE(set.Contains(0x4800));  // "zz" is no key and is skipped
  set.SetExitKeys("+ea", "4800");
  EXPECT_FALSE(set.Contains(13));
  set.SetExitKeys("d", "4800=1b");
  EXPECT_TRUE(set.Empty());
  set.SetExitKeys("-", "");
  EXPECT_TRUE(set.Contains(0x3b00));
  set.SetExitKeys("-", "");
  set.SetExitKeys("-", "");  // nothing saved: no change
  EXPECT_TRUE(set.Empty());
  set.SetExitKeys("h", "");
  EXPECT_EQ(set.HiddenEcho(), 'X');
  set.SetExitKeys("V", "");
  EXPECT_EQ(set.HiddenEcho(), 0);
}

TEST_F(FieldEditorTest, OverwriteTypingAndCursorKeys) {
  std::string text = "abcdef";
  // Right, X over "b", End, Backspace (removes "f"), Home, Delete (removes "a").
  console.PushKeyCode(keys::kRight);
  console.PushKeys("X");
  console.PushKeyCode(keys::kEnd);
  console.PushKeyCode(keys::kBackspace);
  console.PushKeyCode(keys::kHome);
  console.PushKeyCode(keys::kDelete);
  console.PushKeyCode(keys::kEnter);
  EXPECT_EQ(Edit(text), keys::kEnter);
  EXPECT_EQ(text, "Xcde  ");
  EXPECT_EQ(console.TextAt(5, 10, 6), "Xcde  ");
  EXPECT_EQ(last_position, 1);
  EXPECT_FALSE(console.CursorVisible());
  EXPECT_EQ(console.CursorRow(), 5);
  EXPECT_EQ(console.CursorColumn(), 10);
}

TEST_F(FieldEditorTest, InsertModeShiftsAndRefusesAFullText) {
  std::string text = "ab  ";
  console.PushKeyCode(keys::kInsert);
  console.PushKeys("XYZ");  // X and Y fit, Z finds no blank at the end
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "XYab");
  EXPECT_TRUE(editor.InsertMode());  // the mode stays for the next field
  std::string full = "abcd";
  console.PushKeys("Q");
  console.PushKeyCode(keys::kEnter);
  Edit(full, 2);
  EXPECT_EQ(full, "abcd");
}

TEST_F(FieldEditorTest, ClearingWordsAndLines) {
  std::string text = "one, two.three";
  console.PushKeyCode(keys::kEnd);
  console.PushKeyCode(keys::kLeft, kLeftCtrl);   // to "three"
  console.PushKeyCode(keys::kLeft, kLeftCtrl);   // to "two"
  console.PushKeys("T");
  console.PushKeyCode(keys::kRight, kLeftCtrl);  // to "three"
  console.PushKeys("H");
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "one, Two.Hhree");
  console.PushKeyCode(keys::kCtrlY);
  console.PushKeyCode(keys::kEnter);
  Edit(text, 5);
  EXPECT_EQ(text, std::string(14, ' '));
  EXPECT_EQ(last_position, 1);

  // A field of two lines of 4: Down and Up move by a line, Up on the first line ends.
  std::string lines = "abcdefgh";
  exit_keys.SetExitKeys("a", "4800");
  console.PushKeyCode(keys::kDown);
  console.PushKeys("X");
  console.PushKeyCode(keys::kUp);
  console.PushKeyCode(keys::kUp);
  EXPECT_EQ(Edit(lines, 2, 4), keys::kUp);
  EXPECT_EQ(lines, "abcdeXgh");
  EXPECT_EQ(console.TextAt(6, 10, 4), "eXgh");
}

TEST_F(FieldEditorTest, HiddenEntryShowsTheEchoOverTheWholeLength) {
  std::string text = "      ";
  exit_keys.SetExitKeys("h", "");
  console.PushKeys("pw");
  console.PushKeyCode(keys::kCtrlC);  // never copied
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "pw    ");
  EXPECT_EQ(console.TextAt(5, 10, 7), "XXXXXX ");
  EXPECT_EQ(clipboard.copies, 0);
}

TEST_F(FieldEditorTest, EndingKeys) {
  std::string text = "ab";
  // Enter reports End when End is an exit key; Tab stays Enter; F5 is ignored by a
  // non-empty set; Ctrl+F4 becomes Escape.
  exit_keys.SetExitKeys("a", "4f00");
  console.PushKeyCode(keys::kEnter);
  EXPECT_EQ(Edit(text), keys::kEnd);
  console.PushKeyCode(keys::kTab);
  EXPECT_EQ(Edit(text), keys::kEnter);
  console.PushKeyCode(0x3f00);
  console.PushKeyCode(keys::kF4, kLeftCtrl);
  EXPECT_EQ(Edit(text), keys::kEscape);
  // With an empty set every key the editor does not handle ends editing.
  exit_keys.SetExitKeys("e", "");
  console.PushKeyCode(0x3f00);
  EXPECT_EQ(Edit(text), 0x3f00);
  console.PushKeyCode(keys::kF1, kShift);
  EXPECT_EQ(Edit(text), 0x5400);
  console.PushKeyCode(keys::kF1, kLeftAlt);
  EXPECT_EQ(Edit(text), 0x6800);
}

TEST_F(FieldEditorTest, AltKeypadDigitsGiveACharacter) {
  int16_t key, button, row, column;
  console.PushKeyCode(0x4f00, kLeftAlt);  // 1
  console.PushKeyCode(0x4d00, kLeftAlt);  // 6
  console.PushKeyCode(0x4c00, kLeftAlt);  // 5
  console.PushKeyCode('q');
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 165);
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 'q');  // the key that ended the digits is kept
  console.PushKeyCode(0x5100, kLeftAlt);  // 3
  console.PushKeyCode(0x5200, kLeftAlt);  // 0
  console.PushKeyCode(0x5200, kLeftAlt);  // 0
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 44);  // 300 modulo 256
  for (uint16_t digit : {0x4f00, 0x5000, 0x5100, 0x4b00}) {  // 1, 2, 3, 4
    console.PushKeyCode(static_cast<int16_t>(digit), kLeftAlt);
  }
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 1234 % 256);  // every digit counts, not only the last three
  console.PushKeyCode(keys::kAltE);
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 213);
}

TEST_F(FieldEditorTest, CalculatorResultArrivesAsTypedCharacters) {
  std::string text = "    ";
  console.PushKeyCode(keys::kAltX);
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(popups.runs, 1);
  EXPECT_EQ(text, "12  ");
}

TEST_F(FieldEditorTest, OptionFieldSelectsByLetterWithoutAccents) {
  editor.SetFieldOptions("|A,\xb7ngel|B,Bernat|C,angela");  // "Àngel"
  std::string text = "Z";
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "A");  // no code matched: the first entry
  EXPECT_EQ(console.TextAt(5, 10, 6), "\xb7ngel ");

  console.PushKeys("a");  // the next entry beginning with A: angela
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "C");
  EXPECT_EQ(console.TextAt(5, 9, 8), " angela ");  // marks blanked on leaving
  console.PushKeys("A");  // wraps to Àngel
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "A");
  console.PushKeyCode(keys::kLeft);  // previous of the first: the last
  console.PushKeys(" ");             // space as Right: wraps to the first
  console.PushKeyCode(keys::kRight);
  console.PushKeyCode(keys::kCtrlC);
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "B");
  EXPECT_EQ(clipboard.copied, "Bernat");
}

TEST_F(FieldEditorTest, PasteIsCleanedAndCutAtTheEnd) {
  clipboard.pasted = std::string("  ab\x01" "c\x7f\xff\x00  defghij  ", 20);
  std::string text = "0123456789";
  console.PushKeyCode(keys::kRight);
  console.PushKeyCode(keys::kCtrlV);
  console.PushKeyCode(keys::kEnter);
  Edit(text);
  EXPECT_EQ(text, "0abc  defg");
  EXPECT_EQ(last_position, 2);
  console.PushKeyCode(keys::kCtrlC);
  console.PushKeyCode(keys::kEnter);
  std::string padded = "  x y  ";
  Edit(padded);
  EXPECT_EQ(clipboard.copied, "x y");
}

TEST_F(FieldEditorTest, MouseClicks) {
  std::string text = "abcdef";
  console.PushMouse(kMouseReleased, kMouseLeft, 5, 13);  // inside: to position 4
  console.PushKeys("X");
  console.PushMouse(kMousePressed, kMouseLeft, 9, 30);   // presses are not reported
  console.PushMouse(kMouseReleased, kMouseLeft, 9, 30);  // outside: ends editing
  EXPECT_EQ(Edit(text), -(30 * 100 + 9));
  EXPECT_EQ(text, "abcXef");

  editor.SetFieldOptions("|S,S\xa1|N,No");
  std::string option = "N";
  console.PushMouse(kMouseReleased, kMouseLeft, 5, 12);  // the right mark
  console.PushMouse(kMouseReleased, kMouseLeft, 5, 10);  // inside: nothing
  console.PushKeyCode(keys::kEnter);
  Edit(option);
  EXPECT_EQ(option, "S");

  int16_t key = 0;
  console.PushMouse(kMouseReleased, kMouseRight, 7, 3);
  reader.WaitKey(key);
  EXPECT_EQ(key, 3 * 256 + 2 * 64 + 7);
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

TEST_F(FieldEditorTest, MouseIsOnOnlyWhileWaitingAndCtrlKeysAreMapped) {
  int16_t key, button, row, column;
  console.PushKeyCode(keys::kHome, kRightCtrl);
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, keys::kCtrlHome);
  EXPECT_FALSE(console.MouseEventsOn());  // switched off once a key came
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(console.MouseEventsOn());   // on while nothing came
  console.PushKeyCode(keys::kF10, kLeftCtrl);
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 0x6700);
  reader.SetTypeAhead("ab");
  reader.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 'a');
  EXPECT_EQ(reader.TypeAhead(), "b");
}

}  // namespace
}  // namespace orb
