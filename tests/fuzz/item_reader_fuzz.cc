// The item reader of the definition files, every way its readers use it.
#include "core/item_reader.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  orb::ItemReader items(bytes);
  // Alternates the ways of reading by the first byte's bits, as the form loader does.
  unsigned pattern = size > 0 ? data[0] : 0;
  for (int steps = 0; !items.AtEnd() && steps < 100000; ++steps) {
    switch (pattern & 3) {
      case 0: items.ReadText(); break;
      case 1: items.ReadInteger(); break;
      case 2: items.ReadLine(); break;
      default: items.SkipCommentLines(); items.ReadText(); break;
    }
    pattern = (pattern >> 2) | ((pattern & 3) << 6);
    items.LineNumber();
  }
  items.Seek(size / 2);
  items.LineNumber();
  return 0;
}
