// A CSV file for the data tool's import: rows, records built from them, and messages.
#include "fuzz_helper.h"
#include "orbdata/csv_reader.h"
#include "orbdata/record_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the kind of record; the rest is the file.
  const auto& kinds = orb::RecordKinds();
  const orb::RecordKindInfo& kind = kinds[data[0] % kinds.size()];
  orb::orbdata::CsvReader reader(std::string_view(reinterpret_cast<const char*>(data + 1),
                                                  size - 1));
  orb::orbdata::CsvRow row;
  if (!reader.Next(row)) {
    orb::orbdata::Printable(reader.error());
    return 0;
  }
  orb::orbdata::RecordBuilder builder(kind, reader.separator() == ';');
  std::string error, record;
  const bool header = builder.SetHeader(row.fields, error);
  while (reader.Next(row)) {
    for (const std::string& field : row.fields) orb::orbdata::Printable(field);
    if (header && !row.Blank() && !builder.Build(row.fields, record, error)) {
      orb::orbdata::Printable(error);
    }
  }
  orb::orbdata::Printable(reader.error());
  return 0;
}
