#include "orbprint/text_render.h"

#include "platform/cp850.h"

namespace orb::print {

std::vector<std::string> PageLines(const Page& page) {
  std::vector<std::string> lines;
  for (const auto& items : page.lines) {
    std::string row;
    for (const PlacedItem& item : items) {
      const size_t at = static_cast<size_t>(item.column - 1);
      if (row.size() < at + item.text.size()) row.resize(at + item.text.size(), ' ');
      row.replace(at, item.text.size(), item.text);
    }
    while (!row.empty() && row.back() == ' ') row.pop_back();
    lines.push_back(std::move(row));
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string RenderText(const std::vector<Page>& pages) {
  std::string out;
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) out += '\f';
    for (const std::string& line : PageLines(pages[p])) {
      out += cp850::ToUtf8(line);
      out += '\n';
    }
  }
  return out;
}

std::string RenderPreview(const std::vector<Page>& pages) {
  std::string out;
  const std::string total = std::to_string(pages.size());
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) {
      const std::string label = " " + std::to_string(p + 1) + "/" + total + " ";
      std::string rule;
      for (int i = 0; i < 60; ++i) rule += "\u2500";
      out += "\n" + rule + label + rule + "\n\n";
    }
    for (const std::string& line : PageLines(pages[p])) {
      out += cp850::ToUtf8(line);
      out += '\n';
    }
  }
  return out;
}

}  // namespace orb::print
