// libFuzzer target: any bytes as a ZIP archive, listed to the end: the
// central directory and the pass over the local headers beside it. The
// reader must never read outside the input, whatever the records claim.
#include <cstddef>
#include <cstdint>

#include "backends/ZipCentralDirectory.h"
#include "backends/NameText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<backends::ByteSource> source(new backends::MemorySource(data, size));
  std::unique_ptr<backends::MemberReader> reader = backends::OpenZipDirectory(std::move(source));
  if (!reader) return 0;
  backends::Member member;
  std::size_t total = 0;
  while (reader->Next(member) == backends::ReadResult::Member) {
    total += backends::RecordName(member.name).size();
  }
  return total == static_cast<std::size_t>(-1);
}
