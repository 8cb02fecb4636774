#include "ui/browse_file.h"

#include "platform/host_path.h"

namespace orb {
namespace {

void PutLittleEndian(unsigned char* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetLittleEndian(const unsigned char* in, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

}  // namespace

bool BrowseFile::Create() {
  Close();
  file_ = OpenFile(name_, "w+b");
  end_ = 1;
  last_ = 0;
  return file_ != nullptr;
}

void BrowseFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void BrowseFile::Remove() {
  Close();
  RemoveFile(name_);
}

uint32_t BrowseFile::Append(int32_t record_position, std::string_view line) {
  if (file_ == nullptr) return 0;
  if (line.size() > kMaxLine) line = line.substr(0, kMaxLine);
  const uint64_t after = uint64_t{end_} + BrowseEntry::kHeaderSize + line.size();
  if (after > INT32_MAX) return 0;  // beyond what the 32-bit positions can name

  unsigned char header[BrowseEntry::kHeaderSize];
  PutLittleEndian(header, last_, 4);
  PutLittleEndian(header + 4, static_cast<uint32_t>(record_position), 4);
  PutLittleEndian(header + 8, static_cast<uint32_t>(line.size()), 2);
  if (std::fseek(file_, static_cast<long>(end_ - 1), SEEK_SET) != 0 ||
      std::fwrite(header, 1, sizeof header, file_) != sizeof header ||
      std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      std::fflush(file_) != 0) {
    return 0;
  }
  const uint32_t position = end_;
  last_ = position;
  end_ = static_cast<uint32_t>(after);
  return position;
}

std::optional<BrowseEntry> BrowseFile::Read(uint32_t position) {
  if (file_ == nullptr || position < 1 || position > INT32_MAX) return std::nullopt;
  if (std::fseek(file_, 0, SEEK_END) != 0) return std::nullopt;
  const long size = std::ftell(file_);
  if (size < 0) return std::nullopt;
  const uint64_t start = position - 1;
  if (start + BrowseEntry::kHeaderSize > static_cast<uint64_t>(size)) return std::nullopt;

  unsigned char header[BrowseEntry::kHeaderSize];
  if (std::fseek(file_, static_cast<long>(start), SEEK_SET) != 0 ||
      std::fread(header, 1, sizeof header, file_) != sizeof header) {
    return std::nullopt;
  }
  BrowseEntry entry;
  entry.position = position;
  entry.previous = GetLittleEndian(header, 4);
  entry.record_position = static_cast<int32_t>(GetLittleEndian(header + 4, 4));
  const uint32_t length = GetLittleEndian(header + 8, 2);
  if (length < 1 || length > kMaxLine) return std::nullopt;
  if (entry.previous >= position) return std::nullopt;
  if (start + BrowseEntry::kHeaderSize + length > static_cast<uint64_t>(size)) {
    return std::nullopt;
  }
  entry.line.resize(length);
  if (std::fread(entry.line.data(), 1, length, file_) != length) return std::nullopt;
  return entry;
}

}  // namespace orb
