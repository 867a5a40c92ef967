// Bytes of an archive, read by offset and length. Every read states its
// length first and gets nullptr when the range is not inside the source, so a
// reader of outside bytes never reads past what exists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace backends {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Pointer to length bytes at offset, valid until the next call; nullptr
  // when the range is not wholly inside the source or cannot be read.
  virtual const std::uint8_t* Bytes(std::uint64_t offset, std::size_t length) = 0;
  // A second reader of the same bytes with a window of its own (two passes
  // over different parts of a file), or nullptr when none can be had.
  virtual std::unique_ptr<ByteSource> Reopen() const = 0;

 protected:
  bool InRange(std::uint64_t offset, std::size_t length) const {
    const std::uint64_t size = Size();
    return length <= size && offset <= size - length;
  }
};

// A source over bytes held by the caller (tests, the fuzzer).
class MemorySource final : public ByteSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  const std::uint8_t* Bytes(std::uint64_t offset, std::size_t length) override {
    return InRange(offset, length) ? data_ + offset : nullptr;
  }
  std::unique_ptr<ByteSource> Reopen() const override {
    return std::unique_ptr<ByteSource>(new MemorySource(data_, size_));
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// A source over a file, read through a window that slides forward: memory
// stays at the window's size however large the file is.
class FileSource final : public ByteSource {
 public:
  // nullptr when the file cannot be opened or is not a regular file.
  static std::unique_ptr<FileSource> Open(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t Size() const override { return size_; }
  const std::uint8_t* Bytes(std::uint64_t offset, std::size_t length) override;
  std::unique_ptr<ByteSource> Reopen() const override;

 private:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  static constexpr std::size_t kWindow = 256 * 1024;
  static constexpr std::size_t kJumpWindow = 16 * 1024;
  int fd_;
  std::uint64_t size_;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowOffset_ = 0;
  std::size_t windowLength_ = 0;
};

}  // namespace backends
