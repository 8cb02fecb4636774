// PgFiles: the server engine's side of FileEngine. Data files are tables in a
// PostgreSQL database, listed in its catalogue table orb_files by their installation
// names (see POSTGRES.md). Each open position block gets a connection of its own, so
// that its record locks (advisory locks of that session) conflict with every other
// block's and end with the connection; creating and replacing files uses one more.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/btrieve/file_engine.h"

namespace orb::btr::pg {

class PgConnection;

// What the files of one engine share: the count of changes made to each file through
// this engine (by table OID), so that a block drops what it read ahead as soon as
// another block of the process writes; and the last server failure, for messages.
struct EngineShared {
  std::map<uint32_t, std::shared_ptr<uint64_t>> versions;
  std::string last_error;
  std::shared_ptr<uint64_t> VersionOf(uint32_t oid);
};

class PgFiles final : public FileEngine {
 public:
  // conninfo: a libpq connection string. With prepare_database, Create sets up the
  // catalogue of a database that has none.
  PgFiles(std::string conninfo, bool prepare_database);
  ~PgFiles() override;

  int16_t Create(const std::string& name, const FileLayout& layout, bool overwrite) override;
  int16_t Open(const std::string& name, OpenMode mode,
               std::unique_ptr<OpenFile>& out) override;
  int16_t Remove(const std::string& name) override;
  void AbandonAfterFork() override;
  // The names of every data file in the catalogue, in name order.
  int16_t List(std::vector<std::string>& names);

  const std::string& LastError() const { return shared_->last_error; }

 private:
  int16_t Connect(std::unique_ptr<PgConnection>& out);
  int16_t Fail(int16_t status, const std::string& text);
  int16_t NoCatalogue(const PgConnection& connection);
  int16_t Utility();

  std::string conninfo_;
  bool prepare_;
  std::shared_ptr<EngineShared> shared_;
  std::unique_ptr<PgConnection> utility_;  // Create's connection, kept between calls
};

}  // namespace orb::btr::pg
