// BrowseFile: the browse list's work file (TempDir + "Browse.tmp"), rebuilt for every
// opening of a list. Each record listed is appended as one entry linked to the entry
// written before it, so that the list can step back and page up without reading the
// data file backwards, and knows the physical position of every line's record.
//
// Entry layout, integers little-endian: the 1-based position in the file of the entry
// written before (4 bytes, 0 for the first), the record's physical position in the
// data file (4), the length of the line (2), the line.
//
// Promises: an entry is read only when it lies wholly inside the file as it is now and
// is sound (a line of 1 .. kMaxLine bytes, a previous entry that lies before it).
// Anything else reads as no entry, so a damaged or truncated file ends the list where
// the damage starts; nothing is ever read outside the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace orb {

// The work file's name inside the work directory (Session.TempDir).
inline constexpr char kBrowseWorkFile[] = "Browse.tmp";

struct BrowseEntry {
  static constexpr uint32_t kHeaderSize = 10;
  uint32_t position = 0;        // 1-based, in the work file
  uint32_t previous = 0;        // the entry written before, 0 for the first
  int32_t record_position = 0;  // physical position in the data file
  std::string line;

  // Where the entry written after this one starts.
  uint32_t NextPosition() const {
    return position + kHeaderSize + static_cast<uint32_t>(line.size());
  }
};

class BrowseFile {
 public:
  static constexpr size_t kMaxLine = 4096;

  // name: the suite name of the work file.
  explicit BrowseFile(std::string name) : name_(std::move(name)) {}
  ~BrowseFile() { Close(); }
  BrowseFile(const BrowseFile&) = delete;
  BrowseFile& operator=(const BrowseFile&) = delete;

  // Creates the file empty (or empties it) and keeps it open; false when it cannot.
  bool Create();
  void Close();
  // Closes the file and deletes it.
  void Remove();

  // Appends an entry for the line (cut to kMaxLine) and returns its position, or 0 when
  // nothing could be written.
  uint32_t Append(int32_t record_position, std::string_view line);
  // The entry at a 1-based position, when a sound one is there.
  std::optional<BrowseEntry> Read(uint32_t position);

  // Where the next entry will be written, and the entry written last (0 when none).
  uint32_t EndPosition() const { return end_; }
  uint32_t LastEntry() const { return last_; }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  std::FILE* file_ = nullptr;
  uint32_t end_ = 1;
  uint32_t last_ = 0;
};

}  // namespace orb
