#include "platform/btrieve/btrieve.h"

#include <pthread.h>

#include <memory>

#include "platform/btrieve/record_engine.h"

namespace orb {
namespace {

// The one record manager of the process, as the system library was: BTRCALL has no
// other place to keep it. A child created by fork starts with an engine of its own and
// leaves the parent's connections and descriptors alone. The fork is noticed by an
// atfork handler rather than by asking for the process id on every call, which costs a
// system call per record read.
struct ProcessEngineHolder {
  std::unique_ptr<btr::RecordEngine> engine;
  bool forked = false;
};

ProcessEngineHolder& Holder() {
  static ProcessEngineHolder holder;
  return holder;
}

void MarkForked() { Holder().forked = true; }

btr::RecordEngine& ProcessEngine() {
  static const bool registered = ::pthread_atfork(nullptr, nullptr, &MarkForked) == 0;
  (void)registered;
  ProcessEngineHolder& holder = Holder();
  if (!holder.engine || holder.forked) {
    if (holder.engine) (void)holder.engine.release();  // the parent's; not ours to close
    holder.engine = std::make_unique<btr::RecordEngine>();
    holder.forked = false;
  }
  return *holder.engine;
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

int16_t BtrShareReadSnapshots(void* position_block, bool share) {
  return ProcessEngine().ShareReadSnapshots(position_block, share);
}

}  // namespace orb
