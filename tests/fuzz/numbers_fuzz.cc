// Picture masks and typed numbers: the first line is the mask, the rest the number.
#include <cstring>

#include "core/number_text.h"
#include "format/numbers.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orb::fuzz::SplitInput input = orb::fuzz::SplitAtLineFeed(data, size);
  if (input.head.size() > 256) return 0;  // masks are a field's width
  orb::UserSettings settings(orb::fuzz::WorkDir() + "Vora.ini");
  orb::IsBadNumber(input.rest, input.head);
  double value = orb::NumericValue(input.rest);
  orb::FormatNumber(input.head, value, settings);
  if (input.rest.size() >= sizeof value) {
    std::memcpy(&value, input.rest.data(), sizeof value);  // any double, NaN included
    orb::FormatNumber(input.head, value, settings);
  }
  orb::Currency currency;
  currency.SetCurrency(input.rest.substr(0, 3));
  orb::FormatAmount(input.head, value, currency, settings);
  currency.SetCurrency("p");
  orb::FormatAmount(input.head, value, currency, settings);
  return 0;
}
