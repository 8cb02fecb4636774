#include "platform/btrieve/btrieve.h"

#include <pthread.h>

#include <memory>
#include <vector>

#include "platform/btrieve/postgres/pg_connection.h"
#include "platform/btrieve/record_engine.h"

namespace orb {
namespace {

// Engines inherited through fork: the parent's, so never closed nor freed here; kept
// reachable (the list itself is never destroyed) so that leak checkers stay quiet.
std::vector<btr::RecordEngine*>& Abandoned() {
  static auto* list = new std::vector<btr::RecordEngine*>;
  return *list;
}

// The one record manager of the process, as the system library was: BTRCALL has no
// other place to keep it. A child created by fork starts with an engine of its own and
// leaves the parent's connections and descriptors alone (the fork handler marks the
// inherited engine as the parent's; asking the pid on every call would cost a system
// call each time).
struct ProcessEngineSlot {
  std::unique_ptr<btr::RecordEngine> engine;
  BtrSettings settings;  // kept for the fresh engine of a forked child
  bool inherited = false;
  // At exit the engine closes its files (ending bulk loads); a forked child that exits
  // must not close the parent's connections, which would commit the parent's bulk load
  // from the child.
  ~ProcessEngineSlot() {
    if (inherited && engine) Abandoned().push_back(engine.release());
  }
};

ProcessEngineSlot& Slot() {
  static ProcessEngineSlot slot;
  return slot;
}

void MarkInherited() {
  ProcessEngineSlot& slot = Slot();
  if (slot.engine && !slot.inherited) slot.engine->AbandonAfterFork();
  slot.inherited = true;
}

btr::RecordEngine& ProcessEngine() {
  ProcessEngineSlot& slot = Slot();
  static const bool registered = pthread_atfork(nullptr, nullptr, MarkInherited) == 0;
  (void)registered;
  if (!slot.engine || slot.inherited) {
    if (slot.inherited && slot.engine) Abandoned().push_back(slot.engine.release());
    slot.engine = std::make_unique<btr::RecordEngine>();
    slot.engine->Configure(slot.settings);
    slot.inherited = false;
  }
  return *slot.engine;
}

}  // namespace

int16_t BTRCALL(uint16_t operation, void* position_block, void* data_buffer,
                uint32_t* data_length, void* key_buffer, uint8_t key_length,
                int8_t key_number) {
  return ProcessEngine().Call(operation, position_block, data_buffer, data_length,
                              key_buffer, key_length, key_number);
}

int16_t BtrBeginBulk(void* position_block) {
  return ProcessEngine().BeginBulk(position_block);
}

int16_t BtrEndBulk(void* position_block) { return ProcessEngine().EndBulk(position_block); }

void BtrIdle() {
  // Without an engine of its own (none yet, or the parent's after fork) there is
  // nothing of this process's to let go.
  ProcessEngineSlot& slot = Slot();
  if (slot.engine && !slot.inherited) slot.engine->Idle();
}

void BtrConfigure(const BtrSettings& settings) {
  ProcessEngine().Configure(settings);
  Slot().settings = settings;
}

int16_t BtrRemoveFile(const std::string& name) { return ProcessEngine().Remove(name); }

int16_t BtrListServerFiles(std::vector<std::string>& names) {
  return ProcessEngine().ListServerFiles(names);
}

std::string BtrLastServerError() { return ProcessEngine().LastServerError(); }

std::string BtrDescribeEngine(const std::string& server) {
  if (server.empty()) return "SQLite files";
  return "PostgreSQL server " + btr::pg::DescribeServer(server);
}

}  // namespace orb
