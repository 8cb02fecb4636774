// Terminal input bytes through the key decoder, fed in pieces as reads deliver them.
#include "fuzz_helper.h"
#include "platform/terminal/key_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::KeyDecoder decoder;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Pieces of 1 to 8 bytes, the lengths taken from the bytes themselves.
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t piece = 1 + static_cast<uint8_t>(bytes[at]) % 8;
    decoder.Feed(bytes.substr(at, piece));
    at += piece;
    for (int events = 0; decoder.Next(false); ++events) {
      if (events > 1 << 16) __builtin_trap();  // more events than bytes fed: a loop
    }
  }
  // With the terminal quiet, whatever is pending is decided and the decoder empties.
  for (int events = 0; decoder.Next(true) || decoder.HasPending(); ++events) {
    if (events > 1 << 16) __builtin_trap();
  }
  return 0;
}
