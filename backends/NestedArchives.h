// Archives inside archives: the members of every archive held by an
// archive, to a depth, read in memory. libarchive extracts a member whose
// bytes begin an archive; our own readers list it where they know its
// format (ZIP, with its local-header pass, tar, LHA), libarchive where not,
// and the walk goes on inside it.
//
// Limits stop the walk and fail closed: the bytes extracted in all, the
// members met in all, and the depth. So does every archive, and every
// member that may be one, whose bytes the walk could not read to the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace backends {

struct NestedLimits {
  unsigned depth = 8;                        // archives below the outer one
  std::uint64_t expandedBytes = 1ULL << 30;  // member bytes extracted, in all
  std::uint64_t members = 1000000;           // members met, in all
};

// Why a walk stopped (the result of ListNestedArchives).
enum NestedResult : int {
  kNestedDone = 0,
  kNestedDepthLimit = 1,
  kNestedExpandedLimit = 2,
  kNestedMemberLimit = 3,
  kNestedDoubt = 4,            // an inner archive can be read in more than one way
  kNestedUnreadable = 5,       // the outer archive could not be walked to its end
  kNestedInnerUnreadable = 6,  // an inner archive, or a member that may be one, could not be read
};

// Called for each member of an inner archive with its path through the
// archives: the inner archives' names and its own, joined by "/", each as a
// member record names it (code page, "\" between folders).
using NestedNameSink = void (*)(void* context, const char* path, std::size_t length);

// Walks the archive at path; the outer archive's own members are not handed
// out (the normal listing has them).
NestedResult ListNestedArchives(const std::string& path, const NestedLimits& limits, NestedNameSink sink,
                                void* context);

}  // namespace backends
