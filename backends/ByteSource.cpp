#include "backends/ByteSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace backends {

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(st.st_size)));
}

FileSource::~FileSource() { ::close(fd_); }

std::unique_ptr<ByteSource> FileSource::Reopen() const {
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  return std::unique_ptr<ByteSource>(new FileSource(fd, size_));
}

const std::uint8_t* FileSource::Bytes(std::uint64_t offset, std::size_t length) {
  if (!InRange(offset, length)) return nullptr;
  if (offset >= windowOffset_ && length <= windowLength_ && offset - windowOffset_ <= windowLength_ - length) {
    return window_.data() + (offset - windowOffset_);
  }
  // Refill from offset: at least the request, never past the end of the file.
  // A reader going forward (the next request starts within a window of the
  // last one's end) gets a whole window; one that jumps (a tar reader over
  // large members, the look at a ZIP's end) only a small one, so that bytes
  // it jumps over are not read.
  const bool forward = offset >= windowOffset_ && offset - windowOffset_ < std::uint64_t{windowLength_} + kWindow;
  const std::size_t refill = forward ? kWindow : kJumpWindow;
  std::size_t want = length > refill ? length : refill;
  if (size_ - offset < want) want = static_cast<std::size_t>(size_ - offset);
  if (window_.size() < want) window_.resize(want);
  std::size_t got = 0;
  while (got < want) {
    ssize_t n = ::pread(fd_, window_.data() + got, want - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  windowOffset_ = offset;
  windowLength_ = got;
  if (got < length) {
    windowLength_ = 0;
    return nullptr;
  }
  return window_.data();
}

}  // namespace backends
