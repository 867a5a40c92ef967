// libFuzzer target: any bytes as a cabinet, listed to the end. The reader
// must never read outside the input, whatever the records claim, and must
// always come to an end.
#include "backends/CabHeaders.h"
#include "backends/fuzz/FuzzListing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every file record takes at least 17 bytes of the input: more members
  // than that allows would be a loop.
  return backends_fuzz::ListBytes(backends::OpenCabHeaders, data, size, size / 17) == static_cast<std::size_t>(-1);
}
