// Every failed allocation of the process, counted in the malloc, calloc and
// realloc that every module calls: C code (libarchive, the decompressors)
// and each library's own C++ runtime turn a failed allocation into an error
// of their own, and the check must still name the memory limit. These and
// free are defined only where no sanitizer owns them
// (MOKURENA_WATCH_ALLOCATIONS); elsewhere the count stays 0.
#include "platform/WorkerProcess.h"

#include <atomic>
#include <cstddef>

namespace platform {
namespace {
std::atomic<std::uint64_t> g_failed{0};
}  // namespace

std::uint64_t FailedAllocations() { return g_failed.load(std::memory_order_relaxed); }

}  // namespace platform

#if defined(MOKURENA_WATCH_ALLOCATIONS)

extern "C" {
// The C library's allocator under the names it exports for this, which an
// allocator preloaded in its place (LD_PRELOAD) defines as well. free is
// passed on too, so that a preloaded allocator without these names is
// bypassed as a whole rather than given blocks it did not make.
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) {
  void* block = __libc_malloc(size);
  if (!block) platform::g_failed.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void* calloc(std::size_t count, std::size_t size) {
  void* block = __libc_calloc(count, size);
  if (!block) platform::g_failed.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void free(void* block) { __libc_free(block); }

void* realloc(void* block, std::size_t size) {
  void* moved = __libc_realloc(block, size);
  // realloc(block, 0) frees the block and gives nullptr: not a failure.
  if (!moved && size != 0) platform::g_failed.fetch_add(1, std::memory_order_relaxed);
  return moved;
}
}

#endif
