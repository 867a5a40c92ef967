// libFuzzer target: any bytes as a file of the tar library's formats (plain
// or compressed tar, a single compressed file, cpio...), listed to the end
// through the same road as the library: our tar reader over libarchive's
// decompression, the decompressed file's names, libarchive's formats. The
// input lives in a memory file, so nothing touches the disk.
#include "backends/Formats.h"
#include "backends/fuzz/FuzzListing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const backends_fuzz::MemoryFile file("archive.tar.gz", data, size);
  if (file.path().empty()) return 0;
  // A bound far above any real listing of an input this small: a loop
  // that never ends would pass it.
  return backends_fuzz::ListToEnd(backends::kTarFormat.open(file.path()), 1000000) == static_cast<std::size_t>(-1);
}
