// A Stat block as the record manager returns it, read by the file table.
#include <algorithm>
#include <cstring>

#include "data/file_table_impl.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t block[orb::kStatSize] = {};
  std::memcpy(block, data, std::min<size_t>(size, sizeof block));
  const orb::KeyLayout layout = orb::ParseStatBlock(block);
  for (int32_t key = -1; key <= layout.key_count; ++key) layout.KeyLength(key);
  return 0;
}
