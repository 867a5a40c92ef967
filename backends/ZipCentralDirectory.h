// ZIP listing from the central directory alone.
//
// The end records (and the ZIP64 ones when present) locate the central
// directory; its records are then read one after another through the byte
// source. Local headers and member data are never read: a listing costs one
// pass over the central directory, and memory stays at the source's window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "backends/ByteSource.h"
#include "backends/Member.h"

namespace backends {

struct ZipLayout {
  std::uint64_t directoryStart = 0;  // absolute offset in the source
  std::uint64_t directorySize = 0;
  std::uint64_t entries = 0;         // as the end record states it
  std::uint64_t prefixBytes = 0;     // bytes before the archive (self-extractors)
  bool zip64 = false;
};

// Finds and checks the end records. False, with a reason, for anything that
// is not a whole single-volume ZIP archive.
bool LocateZipDirectory(ByteSource& source, ZipLayout& layout, std::string* reason = nullptr);

class ZipDirectoryReader : public MemberReader {
 public:
  ZipDirectoryReader(std::unique_ptr<ByteSource> source, const ZipLayout& layout);
  ReadResult Next(Member& member) override;

 private:
  std::unique_ptr<ByteSource> source_;
  ZipLayout layout_;
  std::uint64_t position_;
  std::uint64_t read_ = 0;
  bool finished_ = false;
};

// The reader for a ZIP archive in source, or nullptr when it is none.
std::unique_ptr<MemberReader> OpenZipDirectory(std::unique_ptr<ByteSource> source,
                                               std::string* reason = nullptr);

// CRC-32 (ZIP's polynomial), used to check Unicode path fields.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace backends
