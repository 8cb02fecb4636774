// UserSettings: the operator's date order and separators from the suite file Vora.ini,
// section [Usuari]: DatCaracter, DatOrdre, DecCaracter and MilCaracter. Each is read the
// first time it is asked for and kept for the run; a missing file, key or a blank value
// gives the default.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace orb {

class UserSettings {
 public:
  // `vora_ini`: the suite name of the settings file, Session.RootDir + "Vora.ini".
  explicit UserSettings(std::string vora_ini) : vora_ini_(std::move(vora_ini)) {}

  char DateSeparator();            // DatCaracter, default '/'
  const std::string& DateOrder();  // DatOrdre: 3 characters as stored, default "DMA"
  char DecimalSeparator();         // DecCaracter, default '\''
  char ThousandsSeparator();       // MilCaracter, default '.'

 private:
  // The value cut or padded with spaces to `width`, or `fallback` when all blank.
  std::string Load(const char* key, size_t width, const char* fallback) const;

  std::string vora_ini_;
  std::optional<char> date_separator_;
  std::optional<std::string> date_order_;
  std::optional<char> decimal_separator_;
  std::optional<char> thousands_separator_;
};

}  // namespace orb
