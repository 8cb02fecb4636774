#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "csv_reader.h"
#include "data/file_table.h"
#include "data/records.h"
#include "data_file_access.h"
#include "platform/btrieve/btrieve.h"
#include "platform/cp850.h"
#include "platform/host_path.h"
#include "record_builder.h"

namespace orb::orbdata {
namespace {

constexpr int kDone = 0, kFailed = 1, kBadInput = 2;

uint16_t U16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

// Suite names for the host path layer and the record manager.
std::string SuiteName(const std::string& argument) { return cp850::FromUtf8(argument); }

// Reports on stderr; whatever the message quotes from the input is shown escaped.
int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "orbdata: %s\n", Printable(message).c_str());
  return code;
}

// The create definition a dictionary holds, or an error.
bool ReadDictionary(const std::string& argument, std::string& definition,
                    std::string& error) {
  std::string bytes;
  if (!ReadFile(SuiteName(argument), bytes, 2 + 65535)) {
    error = argument + ": cannot be read";
    return false;
  }
  if (bytes.size() < 2) {
    error = argument + ": not a dictionary (shorter than its 2-byte count)";
    return false;
  }
  const size_t count = U16(bytes, 0);
  if (count < 16 || count > bytes.size() - 2) {
    error = argument + ": not a dictionary (count " + std::to_string(count) + ", " +
            std::to_string(bytes.size() - 2) + " bytes follow)";
    return false;
  }
  definition = bytes.substr(2, count);
  return true;
}

int CreateFrom(const std::string& data_file, const std::string& definition,
               const std::string& dictionary_name) {
  const int16_t status = DataFileAccess::Create(DataFilePath(data_file), definition);
  if (status == kBtrOk) return kDone;
  if (status == kBtrFileAlreadyExists) {
    return Fail(kFailed, data_file + ": already exists");
  }
  return Fail(status == kBtrIoError || status == kBtrDiskFull || status == kBtrFileInUse
                  ? kFailed
                  : kBadInput,
              data_file + ": cannot be created from " + dictionary_name + " (" +
                  StatusText(status) + ")");
}

std::string KeyOf(const RecordKindInfo& kind, const std::string& record) {
  std::string key;
  for (const KeySegmentSpec& segment : kind.key0) {
    key += record.substr(segment.position - 1, segment.length);
  }
  return key;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

// The dictionary a missing data file is created from, when the command line names none:
// ../ddf/NAME.xdf from the data file's directory, else the kind's own layout.
bool ImportDictionary(const RecordKindInfo& kind, const std::string& data_file,
                      const std::string& given, std::string& definition,
                      std::string& name, std::string& error) {
  if (!given.empty()) {
    name = given;
    return ReadDictionary(given, definition, error);
  }
  const DataFileName parts = SplitDataFileName(data_file);
  const std::string beside = parts.directory + "../ddf/" + parts.base + ".xdf";
  if (FileExists(SuiteName(beside))) {
    name = beside;
    return ReadDictionary(beside, definition, error);
  }
  name = std::string("the layout of ") + kind.name;
  definition = DictionaryBytes(kind).substr(2);
  return true;
}

}  // namespace

std::string DataFilePath(const std::string& argument) {
  const std::string name = SuiteName(argument);
  const DataFileName parts = SplitDataFileName(name);
  return parts.directory + parts.base + parts.extension;
}

int CreateCommand(const std::string& data_file, const std::string& dictionary) {
  std::string definition, error;
  if (!ReadDictionary(dictionary, definition, error)) return Fail(kBadInput, error);
  return CreateFrom(data_file, definition, dictionary);
}

int DictionaryCommand(const std::string& kind_name, const std::string& dictionary) {
  const RecordKindInfo* kind = FindRecordKind(kind_name);
  if (kind == nullptr) return Fail(kBadInput, "unknown kind '" + kind_name + "'");
  if (!WriteFile(SuiteName(dictionary), DictionaryBytes(*kind))) {
    return Fail(kFailed, dictionary + ": cannot be written");
  }
  return kDone;
}

int ImportCommand(const std::string& kind_name, const std::string& data_file,
                  const std::string& csv_file, const std::string& dictionary) {
  const RecordKindInfo* kind = FindRecordKind(kind_name);
  if (kind == nullptr) return Fail(kBadInput, "unknown kind '" + kind_name + "'");

  // Every row is read and checked before the data file is touched.
  std::string text;
  if (!ReadFile(SuiteName(csv_file), text)) return Fail(kFailed, csv_file + ": cannot be read");
  CsvReader reader(text);
  CsvRow row;
  if (!reader.Next(row)) {
    return Fail(kBadInput, csv_file + ":" + std::to_string(row.line) + ": " +
                               (reader.error().empty() ? "no header row" : reader.error()));
  }
  // Spreadsheets that separate fields by semicolons write decimal commas.
  RecordBuilder builder(*kind, reader.separator() == ';');
  std::string error;
  if (!builder.SetHeader(row.fields, error)) {
    return Fail(kBadInput, csv_file + ":" + std::to_string(row.line) + ": " + error);
  }
  std::vector<std::string> records;
  std::vector<size_t> lines;
  const bool unique = !kind->key0.front().duplicates;
  std::unordered_map<std::string, size_t> first_line;
  // Rows of separators only are what spreadsheets leave after the last row: they are
  // skipped at the end of the file, and refused as any bad row before another row.
  std::vector<CsvRow> blank_rows;
  while (reader.Next(row)) {
    if (row.Blank()) {
      blank_rows.push_back(row);
      continue;
    }
    if (!blank_rows.empty()) {
      std::string record;
      if (builder.Build(blank_rows.front().fields, record, error)) error = "a row with no values";
      return Fail(kBadInput, csv_file + ":" + std::to_string(blank_rows.front().line) +
                                 ": " + error);
    }
    std::string record;
    if (!builder.Build(row.fields, record, error)) {
      return Fail(kBadInput, csv_file + ":" + std::to_string(row.line) + ": " + error);
    }
    if (unique) {
      const auto [at, added] = first_line.emplace(KeyOf(*kind, record), row.line);
      if (!added) {
        return Fail(kBadInput, csv_file + ":" + std::to_string(row.line) +
                                   ": the same key as line " + std::to_string(at->second));
      }
    }
    records.push_back(std::move(record));
    lines.push_back(row.line);
  }
  if (!reader.error().empty()) {
    return Fail(kBadInput, csv_file + ":" + std::to_string(row.line) + ": " + reader.error());
  }

  const std::string path = DataFilePath(data_file);
  DataFileAccess file;
  int16_t status = file.Open(path);
  if (status == kBtrFileNotFound) {
    std::string definition, name;
    if (!ImportDictionary(*kind, data_file, dictionary, definition, name, error)) {
      return Fail(kBadInput, error);
    }
    if (const int code = CreateFrom(data_file, definition, name); code != kDone) {
      return code;
    }
    status = file.Open(path);
  }
  if (status != kBtrOk) {
    return Fail(status == kBtrNotABtrieveFile ? kBadInput : kFailed,
                data_file + ": cannot be opened (" + StatusText(status) + ")");
  }
  std::string block;
  if ((status = file.Stat(block)) != kBtrOk) {
    return Fail(kFailed, data_file + ": " + StatusText(status));
  }
  int32_t key_length = 0;
  for (const KeySegmentSpec& segment : kind->key0) key_length += segment.length;
  if (U16(block, 0) != kind->record_length || U16(block, 4) == 0 ||
      U16(block, 16 + 2) + ((block[16 + 4] & 0x10) ? U16(block, 32 + 2) : 0) != key_length) {
    return Fail(kBadInput, data_file + ": holds records of " + std::to_string(U16(block, 0)) +
                               " bytes or another key 0, not " + kind->name + " (" +
                               std::to_string(kind->record_length) + " bytes)");
  }
  if (unique) {
    for (size_t i = 0; i < records.size(); ++i) {
      status = file.FindEqual(KeyOf(*kind, records[i]));
      if (status == kBtrOk) {
        return Fail(kBadInput, csv_file + ":" + std::to_string(lines[i]) + ": its key is "
                               "already in " + data_file);
      }
      if (status != kBtrKeyNotFound) {
        return Fail(kFailed, data_file + ": " + StatusText(status));
      }
    }
  }
  // Added in key 0 order, the records fill the file's pages one after another; records
  // with equal keys keep the order of the CSV file, and so their order along key 0.
  std::vector<size_t> order(records.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  {
    std::vector<std::string> keys(records.size());
    for (size_t i = 0; i < records.size(); ++i) keys[i] = KeyOf(*kind, records[i]);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
  }
  if ((status = file.BeginBulk()) != kBtrOk) {
    return Fail(kFailed, data_file + ": cannot start the import (" + StatusText(status) + ")");
  }
  for (const size_t i : order) {
    status = file.Insert(records[i]);
    if (status != kBtrOk) {
      // The bulk load is not ended: closing the file rolls back what went in.
      return Fail(status == kBtrDuplicateKey ? kBadInput : kFailed,
                  csv_file + ":" + std::to_string(lines[i]) + ": refused by the record manager (" +
                      StatusText(status) + "); nothing was imported");
    }
  }
  if ((status = file.EndBulk()) != kBtrOk) {
    return Fail(kFailed, data_file + ": the import was not written (" + StatusText(status) +
                             ")");
  }
  if ((status = file.Close()) != kBtrOk) {
    return Fail(kFailed, data_file + ": " + StatusText(status));
  }
  std::printf("%zu %s imported into %s\n", records.size(), kind->name, data_file.c_str());
  return kDone;
}

int DumpCommand(const std::string& data_file) {
  DataFileAccess file;
  int16_t status = file.Open(DataFilePath(data_file));
  if (status != kBtrOk) {
    return Fail(kFailed, data_file + ": cannot be opened (" + StatusText(status) + ")");
  }
  std::string record;
  std::string out;
  for (status = file.First(record); status == kBtrOk; status = file.Next(record)) {
    out += Hex(record);
    out += '\n';
    if (out.size() > (1u << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (status != kBtrEndOfFile) {
    return Fail(kFailed, data_file + ": reading stopped (" + StatusText(status) + ")");
  }
  return kDone;
}

int StatCommand(const std::string& data_file) {
  DataFileAccess file;
  int16_t status = file.Open(DataFilePath(data_file));
  if (status != kBtrOk) {
    return Fail(kFailed, data_file + ": cannot be opened (" + StatusText(status) + ")");
  }
  std::string block;
  if ((status = file.Stat(block)) != kBtrOk) {
    return Fail(kFailed, data_file + ": " + StatusText(status));
  }
  const auto records = static_cast<uint32_t>(U16(block, 6) | (uint32_t{U16(block, 8)} << 16));
  std::printf("%s\n", data_file.c_str());
  std::printf("record length: %u bytes\n", U16(block, 0));
  std::printf("page size: %u bytes\n", U16(block, 2));
  std::printf("records: %u\n", records);
  const unsigned keys = U16(block, 4);
  std::printf("keys: %u\n", keys);
  size_t at = 16;
  for (unsigned key = 0; key < keys; ++key) {
    std::string segments;
    unsigned length = 0;
    bool duplicates = false;
    for (bool more = true; more; at += 16) {
      if (at + 16 > block.size()) return Fail(kFailed, data_file + ": Stat block runs short");
      const uint16_t flags = U16(block, at + 4);
      length += U16(block, at + 2);
      duplicates = duplicates || (flags & 0x01);
      more = (flags & 0x10) != 0;
      segments += "  segment: position " + std::to_string(U16(block, at)) + ", length " +
                  std::to_string(U16(block, at + 2));
      segments += (flags & 0x04) ? ", binary" : ", text";
      if (flags & 0x02) segments += ", modifiable";
      if (flags & 0x08) segments += ", null key";
      if (flags & 0x20) segments += ", alternate collating sequence";
      if (flags & 0x40) segments += ", descending";
      if (flags & 0x100) segments += ", extended type " + std::to_string(
                                         static_cast<uint8_t>(block[at + 10]));
      if (flags & 0x400) segments += ", case-insensitive";
      segments += "\n";
    }
    std::printf("key %u: %u bytes, %s\n%s", key, length,
                duplicates ? "duplicates allowed" : "unique", segments.c_str());
  }
  return kDone;
}

}  // namespace orb::orbdata
