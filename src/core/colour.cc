#include "core/colour.h"

namespace orb {

void ColourSelector::SetColour(std::string_view mode) {
  std::string upper(mode);
  bool blank = true;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != ' ') blank = false;
  }
  if (blank) return;

  if (upper.find('+') != std::string::npos) saved_.push_back(static_cast<char>(current_));
  int index;
  if (upper.find('-') != std::string::npos) {
    if (saved_.empty()) {
      index = 0;
    } else {
      index = static_cast<unsigned char>(saved_.back());
      saved_.pop_back();
    }
  } else if (upper.find('U') != std::string::npos) {
    index = 4;
  } else {
    index = (upper.find('R') != std::string::npos ? 2 : 0) +
            (upper.find('N') != std::string::npos ? 1 : 0);
  }
  if (index < 0 || index > 4) index = 0;
  // Foreground and background of each index where the screen shows no colours.
  static constexpr int16_t kWithoutColours[5][2] = {{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}};
  const auto& colours = console_.ShowsColours() ? session_.Colours : kWithoutColours;
  console_.SetConsoleColour(colours[index][0], colours[index][1]);
  current_ = index;
}

}  // namespace orb
