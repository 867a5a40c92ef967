// Listing of LHA archives from their headers alone.
//
// An LHA archive is a chain of member headers, each followed by the member's
// packed data; a zero byte (or the end of the file) ends it. The reader reads
// a header of any of the four levels with its extended headers (file and
// folder names, attributes, Windows times, 64-bit sizes, Unix times), and
// jumps over the data to the next header. Names are kept as the archive's
// bytes (Shift_JIS from Japanese Windows, or UTF-8): NameText decodes them
// as it does every other format's. Every field is read from a range whose
// length was checked first; level 0 and 1 header checksums and the header
// CRC of the later levels are verified, and a damaged archive ends the
// listing with ReadResult::Damaged.
//
// Archives that do not begin with a header (self-extracting ones) stay with
// libarchive (LibarchiveReader), which searches for the first header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "backends/ByteSource.h"
#include "backends/Member.h"

namespace backends {

// CRC-16 of LHA (polynomial 0xA001, reflected, initial 0).
std::uint16_t LhaCrc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0);

class LhaHeaderReader : public MemberReader {
 public:
  explicit LhaHeaderReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
  ReadResult Next(Member& member) override;

  // Reads the header at offset into member; nextOffset is where the next
  // header begins. End for the end mark or the end of the file there.
  ReadResult ReadHeader(std::uint64_t offset, Member& member, std::uint64_t& nextOffset);

 private:
  std::unique_ptr<ByteSource> source_;
  std::uint64_t offset_ = 0;
  bool finished_ = false;
  // A member with UTF-16 names comes again under its code-page name.
  std::string otherName_;
  Member last_;
  bool hasLast_ = false;
};

// The reader for an LHA archive whose first header (read whole) is at the
// start of source, or nullptr.
std::unique_ptr<MemberReader> OpenLhaHeaders(std::unique_ptr<ByteSource> source);

}  // namespace backends
