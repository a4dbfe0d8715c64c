// The memory services of the 32-bit call record (64-bit records have none: modules use
// their own heap there). A handle is a pointer to the block's master
// pointer, which may move when the size changes; blocks are plain. Every block and
// handle is tracked so that leaks can be counted and a bad pointer is refused instead of
// freed.
#include <fmx/FMHostServices.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "objects.hpp"

namespace velmora::fmw {

namespace {

// The master pointer must be the first member: the handle points at it.
struct HandleBlock {
  char* data;
  std::int32_t size;
};

struct Memory {
  std::mutex mutex;
  std::unordered_set<void*> blocks;
  std::unordered_set<HandleBlock*> handles;
  std::int16_t last_error = 0;
};

Memory& memory() {
  static Memory* m = new Memory;  // never destroyed: modules may free after static teardown
  return *m;
}

#if FMX_RECORD_HAS_MEMORY_SERVICES

constexpr std::int16_t kNoErr = 0;
constexpr std::int16_t kParamErr = -50;
constexpr std::int16_t kMemFull = -108;
constexpr std::int16_t kNilHandle = -109;

// At least one byte, so that an empty handle still has a valid master pointer.
char* raw_alloc(std::int32_t size) {
  return static_cast<char*>(std::malloc(size > 0 ? static_cast<std::size_t>(size) : 1));
}

FMX_Handle FMX_ENTRYPT new_handle(std::int32_t size) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  if (size < 0) {
    m.last_error = kParamErr;
    return nullptr;
  }
  if (handle_fault_due()) {
    m.last_error = kMemFull;
    return nullptr;
  }
  auto* h = static_cast<HandleBlock*>(std::malloc(sizeof(HandleBlock)));
  char* data = h != nullptr ? raw_alloc(size) : nullptr;
  if (data == nullptr) {
    std::free(h);
    m.last_error = kMemFull;
    return nullptr;
  }
  try {
    m.handles.insert(h);
  } catch (...) {
    std::free(data);
    std::free(h);
    m.last_error = kMemFull;
    return nullptr;
  }
  std::memset(data, 0, size > 0 ? static_cast<std::size_t>(size) : 1);
  h->data = data;
  h->size = size;
  m.last_error = kNoErr;
  return &h->data;
}

// The tracked handle behind `handle`, or null (with the error set) when it is not one.
HandleBlock* lookup(Memory& m, FMX_Handle handle) {
  if (handle == nullptr) {
    m.last_error = kNilHandle;
    return nullptr;
  }
  auto* h = reinterpret_cast<HandleBlock*>(handle);
  if (m.handles.count(h) == 0) {
    m.last_error = kParamErr;
    return nullptr;
  }
  return h;
}

void FMX_ENTRYPT set_handle_size(FMX_Handle handle, std::int32_t size) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  HandleBlock* h = lookup(m, handle);
  if (h == nullptr) return;
  if (size < 0) {
    m.last_error = kParamErr;
    return;
  }
  if (handle_fault_due()) {
    m.last_error = kMemFull;
    return;
  }
  char* data = static_cast<char*>(std::realloc(h->data, size > 0 ? size : 1));
  if (data == nullptr) {
    m.last_error = kMemFull;
    return;
  }
  if (size > h->size) std::memset(data + h->size, 0, static_cast<std::size_t>(size - h->size));
  h->data = data;
  h->size = size;
  m.last_error = kNoErr;
}

std::int32_t FMX_ENTRYPT get_handle_size(FMX_Handle handle) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  HandleBlock* h = lookup(m, handle);
  if (h == nullptr) return 0;
  m.last_error = kNoErr;
  return h->size;
}

void FMX_ENTRYPT dispose_handle(FMX_Handle handle) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  HandleBlock* h = lookup(m, handle);
  if (h == nullptr) return;
  m.handles.erase(h);
  std::free(h->data);
  std::free(h);
  m.last_error = kNoErr;
}

// Blocks never move here, so locking only checks the handle.
void FMX_ENTRYPT lock_handle(FMX_Handle handle) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  if (lookup(m, handle) != nullptr) m.last_error = kNoErr;
}

void FMX_ENTRYPT unlock_handle(FMX_Handle handle) {
  lock_handle(handle);
}

void* FMX_ENTRYPT new_block(std::int32_t size) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  if (size < 0) {
    m.last_error = kParamErr;
    return nullptr;
  }
  if (block_fault_due()) {
    m.last_error = kMemFull;
    return nullptr;
  }
  char* block = raw_alloc(size);
  if (block == nullptr) {
    m.last_error = kMemFull;
    return nullptr;
  }
  try {
    m.blocks.insert(block);
  } catch (...) {
    std::free(block);
    m.last_error = kMemFull;
    return nullptr;
  }
  m.last_error = kNoErr;
  return block;
}

void FMX_ENTRYPT dispose_block(void* block) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  if (block == nullptr) {
    m.last_error = kNoErr;
    return;
  }
  if (m.blocks.erase(block) == 0) {
    m.last_error = kParamErr;
    return;
  }
  std::free(block);
  m.last_error = kNoErr;
}

std::int16_t FMX_ENTRYPT memory_error() {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  return m.last_error;
}

#endif  // FMX_RECORD_HAS_MEMORY_SERVICES

}  // namespace

}  // namespace velmora::fmw

using namespace velmora::fmw;

extern "C" {

FMX_API void FMW_Host_InitCallRecord(FMX_ExternCallStruct* record, int16_t hostVersion) {
  if (record == nullptr) return;
  std::memset(record, 0, sizeof *record);
  record->extnVersion = hostVersion;
#if FMX_RECORD_HAS_MEMORY_SERVICES
  record->cNewHandle = new_handle;
  record->cSetHandleSize = set_handle_size;
  record->cGetHandleSize = get_handle_size;
  record->cDisposeHandle = dispose_handle;
  record->cLockHandle = lock_handle;
  record->cUnlockHandle = unlock_handle;
  record->cNewPointer = new_block;
  record->cDisposePointer = dispose_block;
  record->cMemoryError = memory_error;
#endif
}

FMX_API int32_t FMW_Host_LiveAllocations(void) {
  Memory& m = memory();
  std::lock_guard lock(m.mutex);
  return static_cast<int32_t>(m.blocks.size() + m.handles.size());
}

}  // extern "C"
