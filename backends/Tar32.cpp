// TAR32.DLL: tar, cpio and ar, plain or under gzip, compress or bzip2, and single compressed files
#include <new>

#include "backends/Entries.h"
#include "backends/NestedArchives.h"

MOKURENA_LIBRARY_ENTRIES(Tar, TarGetWriteTimeEx, backends::kTarFormat)

// Not an entry of the Common Archiver API: mokurena-scan --recursive asks our
// own library for the members of archives inside an archive
// (NestedArchives.h); the result is a NestedResult.
MOKURENA_EXPORT int MokurenaListNested(const char* path, unsigned depth, std::uint64_t expandedBytes,
                                       std::uint64_t members, backends::NestedNameSink sink, void* context) {
  if (!path) return backends::kNestedUnreadable;
  try {
    backends::NestedLimits limits;
    limits.depth = depth;
    limits.expandedBytes = expandedBytes;
    limits.members = members;
    return backends::ListNestedArchives(path, limits, sink, context);
  } catch (const std::bad_alloc&) {
    return backends::kNestedExpandedLimit;
  } catch (...) {
    return backends::kNestedDoubt;
  }
}
