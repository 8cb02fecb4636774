// RecordEngine: the record manager behind BTRCALL. It owns the files opened into
// position blocks (one OpenFile each, of the engine that holds the file) and reads and writes the callers' buffers. It
// promises that no call reads or writes a caller's buffer beyond the lengths given
// (data length, key length, 128-byte position block), and that a bad call — an unknown
// operation, a garbage, closed or foreign position block, a key number out of range,
// short buffers, a nonsense create definition, a damaged file — gets a status.
// A position block holds a tag, the handle number and this engine's cookie; handles
// are never reused, so a stale block gets 3. Where a file lives is decided once, when
// it is opened or created, from the settings: a SQLite file, or a table on the
// configured PostgreSQL server for a file named inside the installation root.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/file_engine.h"
#include "platform/btrieve/postgres/pg_files.h"
#include "platform/btrieve/sqlite_files.h"

namespace orb::btr {

class RecordEngine {
 public:
  RecordEngine();
  ~RecordEngine();
  RecordEngine(const RecordEngine&) = delete;
  RecordEngine& operator=(const RecordEngine&) = delete;

  // BTRCALL's arguments, in the same order and sense.
  int16_t Call(uint16_t operation, void* position_block, void* data_buffer,
               uint32_t* data_length, void* key_buffer, uint8_t key_length,
               int8_t key_number);
  // In a forked child, on the engine inherited from the parent: lets go of the lock
  // descriptors so that the parent's locks live and die with the parent. The engine is
  // not used again.
  void AbandonAfterFork();
  int16_t BeginBulk(void* position_block);
  int16_t EndBulk(void* position_block);
  // Every open file goes idle (see OpenFile::Idle).
  void Idle();

  // Where later opens and creates find their files (see BtrConfigure).
  void Configure(const BtrSettings& settings);
  // Removes a data file (see BtrRemoveFile); lists the configured server's files.
  int16_t Remove(const std::string& name);
  int16_t ListServerFiles(std::vector<std::string>& names);
  // The last failure to reach the server, for messages; empty when none.
  std::string LastServerError() const;

 private:
  // The engine that holds the file `name` and the name it knows it by.
  FileEngine& EngineFor(const std::string& name, std::string& engine_name);
  OpenFile* Find(const void* position_block) const;
  uint32_t HandleOf(const void* position_block) const;
  int16_t Open(void* block, const void* key_buffer, uint8_t key_length, int8_t mode);
  int16_t Create(const void* data, uint32_t length, const void* key_buffer,
                 uint8_t key_length, int8_t mode);
  int16_t Close(void* block);
  int16_t Reset(void* block);
  int16_t Stat(OpenFile& file, void* data, uint32_t* data_length);
  int16_t Write(OpenFile& file, uint16_t op, const void* data, const uint32_t* data_length,
                void* key_buffer, uint8_t key_length, int8_t key_number);
  int16_t Read(OpenFile& file, uint16_t op, bool lock, void* data, uint32_t* data_length,
               void* key_buffer, uint8_t key_length, int8_t key_number);
  // Copies the current record and key value out after a successful read or write.
  int16_t Deliver(const OpenFile& file, void* data, uint32_t* data_length,
                  void* key_buffer, uint8_t key_length);

  // Drops the handle's file and its place in recent_.
  void Forget(uint32_t handle);

  std::unordered_map<uint32_t, std::unique_ptr<OpenFile>> open_;
  // The files of recently used handles, by handle modulo its size: every call looks its
  // block up, and a program reads a handful of files by turns.
  struct Recent {
    uint32_t handle = 0;
    OpenFile* file = nullptr;
  };
  mutable std::array<Recent, 64> recent_{};
  SqliteFiles sqlite_;
  BtrSettings settings_;
  std::unique_ptr<pg::PgFiles> server_;  // made on first use of the configured server
  uint32_t next_handle_ = 1;
  uint64_t cookie_ = 0;
  std::string scratch_key_;
};

}  // namespace orb::btr
