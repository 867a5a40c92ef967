// libFuzzer target: any bytes as an LHA archive, listed to the end. The reader
// must never read outside the input, whatever the headers claim, and must
// always come to an end.
#include <cstddef>
#include <cstdint>

#include "backends/NameText.h"
#include "backends/LhaHeaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<backends::ByteSource> source(new backends::MemorySource(data, size));
  std::unique_ptr<backends::MemberReader> reader = backends::OpenLhaHeaders(std::move(source));
  if (!reader) return 0;
  backends::Member member;
  std::size_t total = 0;
  // Every header takes at least 22 bytes of the input: more members than
  // that allows would be a loop.
  std::size_t members = 0;
  while (reader->Next(member) == backends::ReadResult::Member) {
    total += backends::RecordName(member.name).size();
    if (++members > size / 22) __builtin_trap();
  }
  return total == static_cast<std::size_t>(-1);
}
