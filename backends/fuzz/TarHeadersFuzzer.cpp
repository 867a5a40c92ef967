// libFuzzer target: any bytes as a tar archive, listed to the end. The reader
// must never read outside the input, whatever the headers claim, and must
// always come to an end.
#include "backends/TarHeaders.h"
#include "backends/fuzz/FuzzListing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every member takes at least one block of the input: more members than
  // blocks would be a loop.
  return backends_fuzz::ListBytes(backends::OpenTarHeaders, data, size, size / backends::kTarBlock) ==
         static_cast<std::size_t>(-1);
}
