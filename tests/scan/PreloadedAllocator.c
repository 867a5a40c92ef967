/* An allocator to preload (LD_PRELOAD) in the C library's place, as a
 * gateway may: every block is a mapping of its own behind a header that
 * free checks, so a block of another allocator given to it ends the
 * process. Built twice: with the C library's __libc_ names, as the common
 * allocators define them, and without. */
#define _GNU_SOURCE
#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>

enum { kPage = 4096 };
static const uint64_t kMark = 0x70726f6c6f616465u;

typedef struct {
  void* base;
  size_t length;
  size_t size;
  uint64_t mark;
} Header;

/* A block of size bytes at the start of a page, after a page that ends in
 * its header: aligned for any alignment up to a page. */
static void* Take(size_t size, size_t alignment) {
  if (alignment > kPage || size > SIZE_MAX / 2) return NULL;
  const size_t length = kPage + size;
  char* base = mmap(NULL, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return NULL;
  Header* header = (Header*)(base + kPage) - 1;
  header->base = base;
  header->length = length;
  header->size = size;
  header->mark = kMark;
  return base + kPage;
}

static Header* HeaderOf(void* block) {
  Header* header = (Header*)block - 1;
  if (header->mark != kMark) __builtin_trap();
  return header;
}

static void Give(void* block) {
  if (!block) return;
  Header* header = HeaderOf(block);
  munmap(header->base, header->length);
}

static void* Zeroed(size_t count, size_t size) {
  if (size && count > SIZE_MAX / size) return NULL;
  return Take(count * size, 16); /* fresh mappings are zero */
}

static void* Resize(void* block, size_t size) {
  if (!block) return Take(size, 16);
  if (!size) {
    Give(block);
    return NULL;
  }
  void* moved = Take(size, 16);
  if (!moved) return NULL;
  const size_t old = HeaderOf(block)->size;
  memcpy(moved, block, old < size ? old : size);
  Give(block);
  return moved;
}

void* malloc(size_t size) { return Take(size, 16); }
void* calloc(size_t count, size_t size) { return Zeroed(count, size); }
void* realloc(void* block, size_t size) { return Resize(block, size); }
void free(void* block) { Give(block); }
void* memalign(size_t alignment, size_t size) { return Take(size, alignment); }
void* aligned_alloc(size_t alignment, size_t size) { return Take(size, alignment); }
int posix_memalign(void** block, size_t alignment, size_t size) {
  *block = Take(size, alignment);
  return *block ? 0 : ENOMEM;
}
size_t malloc_usable_size(void* block) { return block ? HeaderOf(block)->size : 0; }

#ifdef DEFINE_LIBC_NAMES
void* __libc_malloc(size_t size) { return Take(size, 16); }
void* __libc_calloc(size_t count, size_t size) { return Zeroed(count, size); }
void* __libc_realloc(void* block, size_t size) { return Resize(block, size); }
void __libc_free(void* block) { Give(block); }
void* __libc_memalign(size_t alignment, size_t size) { return Take(size, alignment); }
#endif
