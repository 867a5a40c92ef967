// libFuzzer target: any bytes as an archive walked for the archives inside
// it, with small limits. The walk must end, within its limits, whatever the
// members hold, and every name it hands out must come from the input.
#include "backends/NestedArchives.h"
#include "backends/fuzz/FuzzListing.h"

namespace {

void CountName(void* context, const char* path, std::size_t length) {
  std::size_t& names = *static_cast<std::size_t*>(context);
  if (!path || length == 0) __builtin_trap();
  ++names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const backends_fuzz::MemoryFile file("outer.zip", data, size);
  if (file.path().empty()) return 0;
  backends::NestedLimits limits;
  limits.depth = 4;
  limits.expandedBytes = 64ULL << 20;
  limits.members = 10000;
  std::size_t names = 0;
  const backends::NestedResult result = backends::ListNestedArchives(file.path(), limits, CountName, &names);
  // A name past the member limit is never handed out.
  if (names > limits.members) __builtin_trap();
  (void)result;
  return 0;
}
