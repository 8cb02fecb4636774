// The form definition file FORMS\RPTCARRY.OPN.
#include "fuzz_helper.h"
#include "ui/form_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = orb::fuzz::PutFile("FORMS/RPTCARRY.OPN", data, size);
  orb::FormTable table;
  const auto translate = [](const std::string& text) { return "T" + text; };
  orb::LoadForm(file, translate, "010624", table);
  return 0;
}
