// Form loader: reads the module's form definition file (CRLF text in code page 850:
// form header, window records with their field records, list header, list records;
// items separated by commas or line ends; comment lines beginning with an apostrophe
// where a new record begins) into a FormTable, translating labels, options and list
// titles, and puts the selection defaults into window 1. Files saved with LF-only line
// ends, or in UTF-8, read as their CR LF, code page 850 form (core/text_file.h).
//
// Promises: a file that is missing, ends before the records its headers announce, or
// describes a form the program cannot run (sizes out of range, a field of length 0, a
// selection window with fewer than three fields, no confirmation field, a continuation
// chain that loops, a list number that does not exist) is refused with a message that
// names the file and the line where reading stopped; the table is then left empty.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ui/form_table.h"

namespace orb {

// Gives the text of a fixed text in the operator's language.
using TextTranslator = std::function<std::string(const std::string&)>;

struct FormLoadResult {
  bool ok = false;
  std::string error;  // "FORMS\RPTCARRY.OPN, line 7: ..." when not ok
};

// Parses form definition bytes; file_name only names the file in messages.
FormLoadResult ParseForm(std::string_view bytes, std::string_view file_name,
                         const TextTranslator& translate, FormTable& table);

// Reads the file (a suite file name), parses it and sets the window 1 defaults:
// field 1 = date_default (the session date in its compact form), field 2 = "1",
// field 3 = "9999".
FormLoadResult LoadForm(std::string_view file_name, const TextTranslator& translate,
                        std::string_view date_default, FormTable& table);

}  // namespace orb
