// The file and key definition a Create receives, and what is made of an accepted one.
#include <string>

#include "fuzz_helper.h"
#include "platform/btrieve/key_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::btr::FileLayout layout;
  if (orb::btr::ParseFileLayout(data, size, layout) != 0) return 0;
  orb::btr::FileLayout again;
  const std::string stat = orb::btr::StatBytes(layout, 7);
  orb::btr::ParseFileLayout(reinterpret_cast<const uint8_t*>(stat.data()), stat.size(), again);
  const std::string record(layout.record_length, '\x5a');
  std::string value, image;
  for (const orb::btr::KeyDef& key : layout.keys) {
    orb::btr::ExtractKey(key, reinterpret_cast<const uint8_t*>(record.data()), value);
    orb::btr::MakeKeyImage(layout, key, reinterpret_cast<const uint8_t*>(value.data()), image);
    orb::btr::IsNullKey(key, reinterpret_cast<const uint8_t*>(value.data()));
  }
  return 0;
}
