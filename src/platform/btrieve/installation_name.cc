#include "platform/btrieve/installation_name.h"

#include <vector>

namespace orb::btr {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The components of an absolute path, "." and ".." resolved.
std::vector<std::string> Components(std::string_view path, std::string_view cwd) {
  std::string text(path);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  if (text.empty() || text[0] != '/') {
    std::string base(cwd);
    for (char& c : base) {
      if (c == '\\') c = '/';
    }
    text = base + "/" + text;
  }
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('/', at);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(at, end - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  return parts;
}

}  // namespace

std::string NameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = Upper(c);
  return key;
}

std::optional<std::string> InstallationName(std::string_view file, std::string_view root,
                                            std::string_view cwd) {
  if (root.empty()) return std::nullopt;
  const std::vector<std::string> base = Components(root, cwd);
  std::vector<std::string> parts = Components(file, cwd);
  if (parts.size() <= base.size()) return std::nullopt;
  for (size_t i = 0; i < base.size(); ++i) {
    if (NameKey(parts[i]) != NameKey(base[i])) return std::nullopt;
  }
  std::string& last = parts.back();
  if (const size_t dot = last.find('.'); dot != std::string::npos && dot > 0 &&
                                         NameKey(last.substr(dot)) == ".DAT") {
    last.resize(dot);
  }
  std::string name;
  for (size_t i = base.size(); i < parts.size(); ++i) {
    if (!name.empty()) name += '\\';
    name += parts[i];
  }
  return name;
}

}  // namespace orb::btr
