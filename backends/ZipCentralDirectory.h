// ZIP listing from the central directory, checked against the local headers.
//
// The end records (and the ZIP64 ones when present) locate the central
// directory; its records are then read one after another through the byte
// source, and each one's local header through a second window
// (ZipLocalHeaders.h). Member data is never read: a listing costs one pass
// over the central directory and one over the local headers, and memory
// stays at the two windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "backends/ByteSource.h"
#include "backends/Member.h"
#include "backends/ZipLocalHeaders.h"

namespace backends {

struct ZipLayout {
  std::uint64_t directoryStart = 0;  // absolute offset in the source
  std::uint64_t directorySize = 0;
  std::uint64_t entries = 0;      // as the end record states it
  std::uint64_t prefixBytes = 0;  // bytes before the archive (self-extractors)
  bool zip64 = false;
  std::uint64_t endRecordsStart = 0;  // absolute: the ZIP64 end record, else the end record
  std::uint64_t commentEnd = 0;       // absolute: the end of the end record's comment
  // A directory that another end record names (absolute; empty when none).
  std::uint64_t otherDirectoryStart = 0;
  std::uint64_t otherDirectoryEnd = 0;
  int doubt = 0;  // structural doubt found in the end records (archives/StructureDoubt.h)
};

// Finds and checks the end records. False, with a reason, for anything that
// is not a whole single-volume ZIP archive.
bool LocateZipDirectory(ByteSource& source, ZipLayout& layout, std::string* reason = nullptr);

class ZipDirectoryReader : public MemberReader {
 public:
  // localSource: a second reader of the same bytes for the local headers.
  ZipDirectoryReader(std::unique_ptr<ByteSource> source, std::unique_ptr<ByteSource> localSource,
                     const ZipLayout& layout);
  // Each member as its central record has it, followed by the other names
  // an extractor could give it (the stored name beside a Unicode path, the
  // local header's name) as members of their own; after the directory, the
  // names of entries no central record covers.
  ReadResult Next(Member& member) override;
  int Doubt() const override;

 private:
  ReadResult EndOfDirectory();
  bool HandOutName(Member& member);

  std::unique_ptr<ByteSource> source_;
  ZipLayout layout_;
  ZipLocalPass local_;
  std::uint64_t position_;
  std::uint64_t read_ = 0;
  bool finished_ = false;
  int doubt_ = 0;
  // Names still to hand out, each as a copy of namesOf_.
  std::vector<std::string> names_;
  std::size_t nextName_ = 0;
  Member namesOf_;
};

// The reader for a ZIP archive in source, or nullptr when it is none.
std::unique_ptr<MemberReader> OpenZipDirectory(std::unique_ptr<ByteSource> source, std::string* reason = nullptr);

// CRC-32 (ZIP's polynomial), used to check Unicode path fields.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

}  // namespace backends
