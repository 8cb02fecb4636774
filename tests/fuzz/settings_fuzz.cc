// Settings files: Vora.ini as the lookups and the user settings read it.
#include "core/settings.h"
#include "format/user_settings.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = orb::fuzz::PutFile("Vora.ini", data, size);
  orb::ReadIniValue(file, "Dades", "Servidor");
  orb::ReadIniValue(file, "Menu", "Titol");
  orb::IniUpper(std::string_view(reinterpret_cast<const char*>(data), size));
  orb::UserSettings settings(file);
  settings.DateSeparator();
  settings.DateOrder();
  settings.DecimalSeparator();
  settings.ThousandsSeparator();
  return 0;
}
