// The message catalogue LOCALE\RPTCARRY.LNG, looked up in each translated language.
#include "core/catalogue.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::fuzz::PutFile("LOCALE/RPTCARRY.LNG", data, size);
  const orb::fuzz::SplitInput input = orb::fuzz::SplitAtLineFeed(data, size);
  for (const char* language : {"SPA", "GLG", "OCI"}) {
    const orb::Session session = orb::fuzz::WorkSession(language);
    orb::Catalogue catalogue(session);
    catalogue.Translate("Propietari");
    catalogue.Translate(input.head);
  }
  return 0;
}
