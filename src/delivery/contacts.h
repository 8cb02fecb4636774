// Contacts: the owners' mail addresses for mailing the statements, from a UTF-8 CSV file
// with a header line naming its columns: "owner" and "email" (required) and "name"
// (optional), in any order; other columns are ignored. A row's owner code is one to four
// digits; an empty address means the owner has none. A file that breaks any rule is
// refused as a whole, with the line that breaks it, before anything is sent.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

struct Contact {
  std::string owner;  // four digits ("0012")
  std::string email;  // empty: no address
  std::string name;   // UTF-8, may be empty
  int line = 0;       // where it was read, for messages
};

class ContactList {
 public:
  // Parses the file's bytes; false with "FILE line N: reason" in `error`.
  bool Parse(std::string_view bytes, std::string_view file_name, std::string& error);

  // The contact of an owner (four digits), or null.
  const Contact* Find(std::string_view owner) const;
  const std::vector<Contact>& All() const { return contacts_; }

 private:
  std::vector<Contact> contacts_;
  std::map<std::string, size_t> by_owner_;
};

// True when the text is a plain mail address: local part "@" domain, printable ASCII
// without blanks, quotes, angle brackets, commas, semicolons or backslashes, a domain of
// dot-separated labels. Anything else could not be written safely into a header.
bool IsMailAddress(std::string_view text);

}  // namespace orb
