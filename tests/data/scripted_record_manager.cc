#include "scripted_record_manager.h"

namespace orb::testing {
namespace {
void Put16(std::string& out, size_t at, uint16_t value) {
  out[at] = static_cast<char>(value & 0xff);
  out[at + 1] = static_cast<char>(value >> 8);
}
}  // namespace

std::string MakeStatBlock(uint16_t record_length, uint16_t page_size,
                          const std::vector<std::vector<std::pair<uint16_t, uint16_t>>>& keys,
                          const std::string& collating) {
  std::string block(16, '\0');
  Put16(block, 0, record_length);
  Put16(block, 2, page_size);
  Put16(block, 4, static_cast<uint16_t>(keys.size()));
  uint16_t position = 1;
  for (const auto& key : keys) {
    for (size_t i = 0; i < key.size(); ++i) {
      std::string spec(16, '\0');
      Put16(spec, 0, position);
      Put16(spec, 2, key[i].first);
      Put16(spec, 4, static_cast<uint16_t>(key[i].second | (i + 1 < key.size() ? 0x10 : 0)));
      position = static_cast<uint16_t>(position + key[i].first);
      block += spec;
    }
  }
  return block + collating;
}

}  // namespace orb::testing
