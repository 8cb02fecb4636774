// The print file orbprint.tmp as the print program reads it.
#include "fuzz_helper.h"
#include "orbprint/device.h"
#include "orbprint/print_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  orb::print::PrintDocument document;
  orb::print::ParsePrintDocument(bytes, document);
  orb::print::Device device;
  std::string error;
  if (orb::print::ParseDevice(document.device, device, error)) {
    orb::print::OutputFileName(device, orb::fuzz::WorkDir());
  }
  int32_t value = 0;
  orb::print::ParsePrintNumber(bytes.substr(0, 16), value);
  return 0;
}
