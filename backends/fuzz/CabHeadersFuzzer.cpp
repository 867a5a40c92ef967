// libFuzzer target: any bytes as a cabinet, listed to the end. The reader
// must never read outside the input, whatever the records claim, and must
// always come to an end.
#include <cstddef>
#include <cstdint>

#include "backends/CabHeaders.h"
#include "backends/NameText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<backends::ByteSource> source(new backends::MemorySource(data, size));
  std::unique_ptr<backends::MemberReader> reader = backends::OpenCabHeaders(std::move(source));
  if (!reader) return 0;
  backends::Member member;
  std::size_t total = 0;
  // Every file record takes at least 17 bytes of the input: more members
  // than that allows would be a loop.
  std::size_t members = 0;
  while (reader->Next(member) == backends::ReadResult::Member) {
    total += backends::RecordName(member.name).size();
    if (++members > size / 17) __builtin_trap();
  }
  return total == static_cast<std::size_t>(-1);
}
