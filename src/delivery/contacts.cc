#include "delivery/contacts.h"

#include <algorithm>
#include <map>

#include "delivery/csv_fields.h"
#include "delivery/delivery_text.h"

namespace orb {
namespace {

bool IsWellFormedUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

bool IsMailAddress(std::string_view text) {
  if (text.empty() || text.size() > 254) return false;
  const size_t at = text.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= text.size()) return false;
  if (text.find('@', at + 1) != std::string_view::npos) return false;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) return false;
    if (std::string_view("\"<>(),;:\\[]").find(c) != std::string_view::npos) return false;
  }
  const std::string_view local = text.substr(0, at);
  const std::string_view domain = text.substr(at + 1);
  if (local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos)
    return false;
  if (domain.front() == '.' || domain.back() == '.' || domain.front() == '-' ||
      domain.find("..") != std::string_view::npos)
    return false;
  return true;
}

bool ContactList::Parse(std::string_view bytes, std::string_view file_name, std::string& error) {
  contacts_.clear();
  by_owner_.clear();
  const std::string name(file_name);
  auto fail = [&](int line, const std::string& reason) {
    error = name + " line " + std::to_string(line) + ": " + reason;
    contacts_.clear();
    by_owner_.clear();
    return false;
  };
  if (bytes.find('\0') != std::string_view::npos) {
    const size_t at = bytes.find('\0');
    return fail(1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + at, '\n')),
                "holds a zero byte (not a text file)");
  }
  CsvReader reader(bytes);
  std::vector<std::string> fields;
  std::string reason;
  // The header: the first record that is not blank.
  int owner_column = -1, email_column = -1, name_column = -1;
  size_t columns = 0;
  while (true) {
    if (!reader.Next(fields, reason)) {
      if (!reason.empty()) return fail(reader.Line(), reason);
      return fail(reader.Line() > 0 ? reader.Line() : 1,
                  "no header line (columns owner,email and optionally name)");
    }
    if (fields.size() == 1 && TrimBlanks(fields[0]).empty()) continue;
    break;
  }
  const int header_line = reader.Line();
  columns = fields.size();
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string column = Lower(TrimBlanks(fields[i]));
    int* slot = column == "owner" ? &owner_column
                : column == "email" ? &email_column
                : column == "name"  ? &name_column
                                    : nullptr;
    if (slot == nullptr) continue;
    if (*slot >= 0) return fail(header_line, "column \"" + column + "\" given twice");
    *slot = static_cast<int>(i);
  }
  if (owner_column < 0 || email_column < 0) {
    return fail(header_line, "the header must name the columns owner and email");
  }
  std::map<std::string, int> seen;
  while (true) {
    if (!reader.Next(fields, reason)) {
      if (!reason.empty()) return fail(reader.Line(), reason);
      break;
    }
    const int line = reader.Line();
    if (fields.size() == 1 && TrimBlanks(fields[0]).empty()) continue;  // blank line
    if (fields.size() != columns) {
      return fail(line, std::to_string(fields.size()) + " fields where the header has " +
                            std::to_string(columns));
    }
    for (const std::string& f : fields) {
      if (!IsWellFormedUtf8(f)) return fail(line, "not UTF-8 text");
    }
    Contact contact;
    contact.line = line;
    const std::string code = TrimBlanks(fields[owner_column]);
    if (code.empty() || code.size() > 4 ||
        !std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return fail(line, "owner \"" + code + "\" is not an owner code (one to four digits)");
    }
    contact.owner = std::string(4 - code.size(), '0') + code;
    contact.email = TrimBlanks(fields[email_column]);
    if (!contact.email.empty() && !IsMailAddress(contact.email)) {
      return fail(line, "email \"" + contact.email + "\" is not a mail address");
    }
    if (name_column >= 0) {
      contact.name = TrimBlanks(fields[name_column]);
      if (HasControl(contact.name)) return fail(line, "the name holds a control character");
      if (contact.name.size() > 200) return fail(line, "the name is longer than 200 bytes");
    }
    const auto [it, inserted] = seen.emplace(contact.owner, line);
    if (!inserted) {
      return fail(line, "owner " + contact.owner + " is already on line " +
                            std::to_string(it->second));
    }
    contacts_.push_back(std::move(contact));
  }
  for (size_t i = 0; i < contacts_.size(); ++i) by_owner_[contacts_[i].owner] = i;
  return true;
}

const Contact* ContactList::Find(std::string_view owner) const {
  const auto it = by_owner_.find(std::string(owner));
  return it == by_owner_.end() ? nullptr : &contacts_[it->second];
}

}  // namespace orb
