// The browse list's work file Browse.tmp, its entries followed both ways.
#include <cstdio>
#include <set>

#include "fuzz_helper.h"
#include "ui/browse_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::BrowseFile browse(orb::fuzz::WorkDir() + orb::kBrowseWorkFile);
  if (!browse.Create()) return 0;
  // The file as something else left it, under the list's open handle.
  orb::fuzz::PutFile(orb::kBrowseWorkFile, data, size);
  std::set<uint32_t> seen;
  uint32_t position = 1, last = 0;
  while (seen.insert(position).second) {
    const auto entry = browse.Read(position);
    if (!entry) break;
    last = entry->position;
    position = entry->NextPosition();
  }
  seen.clear();
  while (last != 0 && seen.insert(last).second) {
    const auto entry = browse.Read(last);
    if (!entry) break;
    last = entry->previous;
  }
  browse.Read(static_cast<uint32_t>(size));
  browse.Remove();
  return 0;
}
