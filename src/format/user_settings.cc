#include "format/user_settings.h"

#include "core/settings.h"

namespace orb {

std::string UserSettings::Load(const char* key, size_t width, const char* fallback) const {
  std::string value = ReadIniValue(vora_ini_, "Usuari", key);
  value.resize(width, ' ');
  if (value.find_first_not_of(' ') == std::string::npos) value = fallback;
  return value;
}

char UserSettings::DateSeparator() {
  if (!date_separator_) date_separator_ = Load("DatCaracter", 1, "/")[0];
  return *date_separator_;
}

const std::string& UserSettings::DateOrder() {
  if (!date_order_) date_order_ = Load("DatOrdre", 3, "DMA");
  return *date_order_;
}

char UserSettings::DecimalSeparator() {
  if (!decimal_separator_) decimal_separator_ = Load("DecCaracter", 1, "'")[0];
  return *decimal_separator_;
}

char UserSettings::ThousandsSeparator() {
  if (!thousands_separator_) thousands_separator_ = Load("MilCaracter", 1, ".")[0];
  return *thousands_separator_;
}

}  // namespace orb
