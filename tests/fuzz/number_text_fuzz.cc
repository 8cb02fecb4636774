// Numbers written as text, and the conversion of the suite's text files.
#include "core/number_text.h"
#include "core/text_file.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  size_t used = 0;
  if (const auto value = orb::LeadingNumber(bytes, &used)) {
    if (used > size) __builtin_trap();
    orb::RoundToInt16(*value);
  }
  orb::WithCrLfLineEnds(orb::TextFileAsCp850(bytes));
  return 0;
}
