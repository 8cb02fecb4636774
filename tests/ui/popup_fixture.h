// The screen services of the calendar and calculator pop-ups over the in-memory
// console, in a fresh directory per test (work files and the calculator's memory file),
// with the screen taken down each time a key is read.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "format/packed_digits.h"
#include "platform/memory_console.h"
#include "ui/hot_key_popups.h"

namespace orb::testing {

// Keeps the screen as it was when each key of the script was read.
class SnapshotConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    std::vector<std::string> rows, colours;
    for (int16_t r = 1; r <= ScreenRows(); ++r) {
      rows.push_back(RowText(r));
      std::string row_colours;
      for (int16_t c = 1; c <= ScreenColumns(); ++c) {
        row_colours.push_back(static_cast<char>(ReadCellAttribute(r, c)));
      }
      colours.push_back(std::move(row_colours));
    }
    std::string key = MemoryConsole::ReadKey();
    if (!key.empty()) {
      screens.push_back(std::move(rows));
      attributes.push_back(std::move(colours));
    }
    return key;
  }
  // Row `row` of the screen shown when key `index` was read (-1: the last key).
  std::string ShownRow(int index, int16_t row) const {
    const auto& screen = screens.at(index < 0 ? screens.size() + index : index);
    return screen.at(row - 1);
  }
  // The colour attribute of a cell on that screen.
  uint8_t ShownAttribute(int index, int16_t row, int16_t column) const {
    const auto& screen = attributes.at(index < 0 ? attributes.size() + index : index);
    return static_cast<uint8_t>(screen.at(row - 1).at(column - 1));
  }
  std::vector<std::vector<std::string>> screens;
  std::vector<std::vector<std::string>> attributes;
};

class PopupTest : public ::testing::Test {
 protected:
  PopupTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("orbpopup_" + std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    session.TempDir = dir_.string() + "/";
    session.TerminalDir = dir_.string() + "/";
    session.RootDir = dir_.string() + "/";
    session.Language = "CAT";
    session.Colours[1][0] = 14;  // n
    session.Colours[4][0] = 15;  // u
    session.Colours[4][1] = 4;
    hot_keys.AttachKeyReader(keys);
  }
  ~PopupTest() override { std::filesystem::remove_all(dir_); }

  PopupServices Services() {
    return PopupServices{console, colours, windows, exit_keys, keys, settings, session, clock};
  }
  void SetWorkDate(int year, int month, int day) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", year, month, day);
    session.WorkDate = PackDigits(digits);
  }
  void PushKeys(std::initializer_list<uint16_t> codes) {
    for (uint16_t code : codes) console.PushKeyCode(code);
  }
  // Fills the screen with a pattern, so that what a pop-up leaves behind shows.
  void Paint() {
    for (int16_t r = 1; r <= console.ScreenRows(); ++r) {
      console.SetConsoleColour(static_cast<int16_t>(r % 16), static_cast<int16_t>(r % 8));
      console.LocateCursor(r, 1);
      for (int16_t c = 1; c <= console.ScreenColumns(); ++c) {
        console.PrintText(std::string(1, static_cast<char>('a' + (r + c) % 26)));
      }
    }
    console.LocateCursor(5, 7);
  }
  std::string Screen() {
    std::string cells;
    for (int16_t r = 1; r <= console.ScreenRows(); ++r) {
      for (int16_t c = 1; c <= console.ScreenColumns(); ++c) {
        cells += static_cast<char>(console.ReadCellChar(r, c));
        cells += static_cast<char>(console.ReadCellAttribute(r, c));
      }
    }
    return cells;
  }
  std::filesystem::path MemoryPath() const { return dir_ / "ORBCALC.TMP"; }
  std::string ReadMemoryFile() const {
    std::ifstream in(MemoryPath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteMemoryFile(const std::string& bytes) const {
    std::ofstream(MemoryPath(), std::ios::binary) << bytes;
  }

  std::filesystem::path dir_;
  SnapshotConsole console;
  Session session;
  ColourSelector colours{console, session};
  WindowStack windows{console, colours, session};
  ExitKeySet exit_keys;
  UserSettings settings{"no such dir\\Vora.ini"};
  FixedClock clock{CalendarDate{2026, 12, 8}};
  PopupHotKeys hot_keys{console, colours, windows, exit_keys, settings, session, clock};
  KeyReader keys{console, hot_keys};
};

}  // namespace orb::testing
