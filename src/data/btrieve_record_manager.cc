// The program's own record manager (BTRCALL) and the table that uses it.
#include <memory>
#include <random>

#include "data/file_table.h"
#include "platform/btrieve/btrieve.h"
#include "platform/cp850.h"

namespace orb {
namespace {

// Stateless, so one instance serves every table.
BtrieveRecordManager& SharedRecordManager() {
  static BtrieveRecordManager manager;
  return manager;
}

RandomFraction HostRandom() {
  auto engine = std::make_shared<std::mt19937_64>(std::random_device{}());
  return [engine]() { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

}  // namespace

int16_t BtrieveRecordManager::Call(uint16_t operation, void* position_block,
                                   void* data_buffer, uint32_t* data_length,
                                   void* key_buffer, uint8_t key_length,
                                   int8_t key_number) {
  return BTRCALL(operation, position_block, data_buffer, data_length, key_buffer, key_length,
                 key_number);
}

// The record manager learns here, before the table's first open, where this
// installation keeps its data files.
FileTable::FileTable(const Session& session, DataMessages& messages)
    : FileTable(session, messages, SharedRecordManager(), HostRandom()) {
  BtrSettings settings;
  settings.server = cp850::ToUtf8(session.DataServer);
  settings.root = session.RootDir;
  BtrConfigure(settings);
}

}  // namespace orb
