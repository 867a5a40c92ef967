// libFuzzer target: any bytes as an LHA archive, listed to the end. The reader
// must never read outside the input, whatever the headers claim, and must
// always come to an end.
#include "backends/LhaHeaders.h"
#include "backends/fuzz/FuzzListing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every header takes at least 22 bytes of the input and names at most two
  // members (a UTF-16 name and the code page's): more would be a loop.
  return backends_fuzz::ListBytes(backends::OpenLhaHeaders, data, size, 2 * (size / 22)) ==
         static_cast<std::size_t>(-1);
}
