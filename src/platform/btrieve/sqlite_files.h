// SqliteFiles: the embedded engine's side of FileEngine: each data file is a SQLite
// database at the host path its suite name resolves to (see SCHEMA.md), never on a
// network file system unless the user allows it (file_system.h).
#pragma once

#include "platform/btrieve/file_engine.h"

namespace orb::btr {

class SqliteFiles final : public FileEngine {
 public:
  int16_t Create(const std::string& name, const FileLayout& layout, bool overwrite) override;
  int16_t Open(const std::string& name, OpenMode mode,
               std::unique_ptr<OpenFile>& out) override;
  int16_t Remove(const std::string& name) override;
  // Why the last open or create was refused for the file system (94), else empty.
  const std::string& LastRefusal() const { return last_refusal_; }

 private:
  int16_t CheckFileSystem(const std::string& path);
  std::string last_refusal_;
};

}  // namespace orb::btr
