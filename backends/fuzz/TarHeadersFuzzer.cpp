// libFuzzer target: any bytes as a tar archive, listed to the end. The reader
// must never read outside the input, whatever the headers claim, and must
// always come to an end.
#include <cstddef>
#include <cstdint>

#include "backends/NameText.h"
#include "backends/TarHeaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<backends::ByteSource> source(new backends::MemorySource(data, size));
  std::unique_ptr<backends::MemberReader> reader = backends::OpenTarHeaders(std::move(source));
  if (!reader) return 0;
  backends::Member member;
  std::size_t total = 0;
  // Every member takes at least one block of the input: more members than
  // blocks would be a loop.
  std::size_t members = 0;
  while (reader->Next(member) == backends::ReadResult::Member) {
    total += backends::RecordName(member.name).size();
    if (++members > size / backends::kTarBlock) __builtin_trap();
  }
  return total == static_cast<std::size_t>(-1);
}
