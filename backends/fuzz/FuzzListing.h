// What every reader's fuzz target does with its input: list it to the end
// and fail loudly when the listing does not end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "backends/ByteSource.h"
#include "backends/Member.h"
#include "backends/NameText.h"

namespace backends_fuzz {

// Lists reader to its end, each name through the record's way; traps once
// it has handed out more than maxMembers (a loop). The names' total length
// is returned so that nothing is optimised away.
inline std::size_t ListToEnd(std::unique_ptr<backends::MemberReader> reader, std::size_t maxMembers) {
  if (!reader) return 0;
  backends::Member member;
  std::size_t total = 0;
  std::size_t members = 0;
  while (reader->Next(member) == backends::ReadResult::Member) {
    total += backends::RecordName(member.name).size();
    if (++members > maxMembers) __builtin_trap();
  }
  return total;
}

// The reader that open makes of the input held in memory, listed to its end.
template <typename Open>
std::size_t ListBytes(Open open, const std::uint8_t* data, std::size_t size, std::size_t maxMembers) {
  return ListToEnd(open(std::unique_ptr<backends::ByteSource>(new backends::MemorySource(data, size))), maxMembers);
}

// The input as a file that lives in memory, for the readers that take a
// path: nothing touches the disk. path() is empty when none could be made.
class MemoryFile {
 public:
  MemoryFile(const char* name, const std::uint8_t* data, std::size_t size) : fd_(memfd_create(name, MFD_CLOEXEC)) {
    if (fd_ < 0) return;
    std::size_t written = 0;
    while (written < size) {
      const ssize_t n = ::write(fd_, data + written, size - written);
      if (n <= 0) return;
      written += static_cast<std::size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

}  // namespace backends_fuzz
