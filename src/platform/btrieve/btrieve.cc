#include "platform/btrieve/btrieve.h"

#include <pthread.h>

#include <memory>

#include "platform/btrieve/record_engine.h"

namespace orb {
namespace {

// The one record manager of the process, as the system library was: BTRCALL has no
// other place to keep it. A child created by fork starts with an engine of its own and
// leaves the parent's connections and descriptors alone (the fork handler marks the
// inherited engine as the parent's; asking the pid on every call would cost a system
// call each time).
struct ProcessEngineSlot {
  std::unique_ptr<btr::RecordEngine> engine;
  bool inherited = false;
};

ProcessEngineSlot& Slot() {
  static ProcessEngineSlot slot;
  return slot;
}

void MarkInherited() { Slot().inherited = true; }

btr::RecordEngine& ProcessEngine() {
  ProcessEngineSlot& slot = Slot();
  if (!slot.engine || slot.inherited) {
    static const bool registered = pthread_atfork(nullptr, nullptr, MarkInherited) == 0;
    (void)registered;
    if (slot.inherited) (void)slot.engine.release();  // the parent's; not ours to close
    slot.engine = std::make_unique<btr::RecordEngine>();
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

}  // namespace orb
