// Listing of plain (uncompressed) tar archives from their headers alone.
//
// A tar archive is a chain of 512-byte headers, each followed by its member's
// data rounded up to whole blocks. The reader reads a header, takes the name
// and the few values a listing needs, and jumps over the data to the next
// header: no member data is read, and memory stays at the byte source's
// window. It knows the ustar, pax (path, size, times, sparse names) and GNU
// (long names, old sparse headers, base-256 numbers) variants and the old
// V7 headers. Every field is read from a block whose length was checked
// first; a damaged archive ends the listing with ReadResult::Damaged.
//
// Compressed tar, cpio and ar stay with libarchive (LibarchiveReader): this
// reader answers only for files whose first block is a tar header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backends/ByteSource.h"
#include "backends/Member.h"

namespace backends {

constexpr std::size_t kTarBlock = 512;

// What the checksum field of a header says about the block.
enum class TarBlockKind { Header, Zero, NotHeader };

// A block of kTarBlock bytes: a header whose checksum matches (unsigned or
// signed sum, as old writers differ), the all-zero block that ends an
// archive, or neither.
TarBlockKind ClassifyTarBlock(const std::uint8_t* block);

// A numeric header field: octal digits (leading blanks, ending at a blank or
// NUL) or GNU base-256 (first byte 0x80 positive, 0xFF negative). False for
// anything else or a value that does not fit.
bool ParseTarNumber(const std::uint8_t* field, std::size_t size, std::int64_t& value);

class TarHeaderReader : public MemberReader {
 public:
  explicit TarHeaderReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
  // Each member; one with a pax path and a different GNU long name comes
  // twice, once under each name. An entry that extractors read two ways (a
  // hard link or V7 folder with a size) makes two readings of what follows,
  // and the members of both are handed out, each header once.
  ReadResult Next(Member& member) override;
  int Doubt() const override { return doubt_; }

 private:
  friend std::unique_ptr<MemberReader> OpenTarHeaders(std::unique_ptr<ByteSource> source);

  // Attributes of pax extended headers that apply to the next member.
  struct Pending {
    std::string longName;  // GNU 'L'
    bool hasLongName = false;
    std::string path;  // pax path (or GNU.sparse.name)
    bool hasPath = false;
    std::int64_t size = 0;
    bool hasSize = false;
    std::int64_t realSize = 0;  // sparse files: the size of the file itself
    bool hasRealSize = false;
    std::int64_t mtime = 0, mtimeNs = 0;
    bool hasMtime = false;
    std::int64_t atime = 0, atimeNs = 0;
    bool hasAtime = false;
    std::int64_t birthtime = 0, birthtimeNs = 0;
    bool hasBirthtime = false;
  };

  // Where one reading of the archive stands: the next header and what the
  // headers before it said about that member.
  struct Reading {
    std::uint64_t offset = 0;
    Pending pending;
    bool primary = false;
  };

  // The members of the reading under way, up to its end.
  ReadResult NextInReading(Member& member);
  // No whole block at offset_: the end of the archive, or damage.
  ReadResult AtSourceEnd();
  // Steps over the zero blocks at offset_; the header after them, or
  // nullptr when the reading ends there (finished_ set).
  const std::uint8_t* AfterZeroBlocks();
  static bool IsExtensionHeader(char type);
  // The data of a header that describes the next member; offset_ is past
  // its block.
  bool ReadExtensionHeader(char type, std::int64_t dataSize);
  ReadResult ReadMemberHeader(const std::uint8_t* block, std::int64_t dataSize, Member& member);
  void TakeName(const std::uint8_t* block, Member& member);
  void TakeTimes(const std::uint8_t* block, Member& member);
  bool SkipSparseExtensions(const std::uint8_t* block, std::int64_t& fileSize);
  // Before a header: readings that meet at it with the same names go on as
  // one; the reading furthest behind goes first, so a stream is read forward.
  void TakeLowestReading();
  // Another reading from offset (an entry that readers take two ways).
  void AddReading(std::uint64_t offset);
  // Readings waiting at a header from `from` to `to` that carry the same
  // names as the one under way reach what it reaches: they end here.
  void MergeReadings(std::uint64_t from, std::uint64_t to);
  static bool SameNames(const Pending& a, const Pending& b);
  ReadResult Fail();
  // The data of a special header ('L', 'x'...) of size bytes after offset_.
  bool ReadData(std::int64_t size, std::string& data);
  bool ParsePax(const std::string& data);
  // A pax header's records, one at a time from the source.
  bool ReadPax(std::int64_t size);
  // Steps over zero blocks; true when they go on to the end of the source.
  bool SkipZeroBlocks();
  // The bytes to skip after an entry that has no data but states a size.
  std::uint64_t SizeOfEntryWithoutData(std::uint64_t size);
  void Raise(int code) {
    if (doubt_ == 0) doubt_ = code;
  }

  std::unique_ptr<ByteSource> source_;
  std::uint64_t offset_ = 0;  // of the next header
  bool finished_ = false;
  Pending pending_;
  // The reading under way is the one this reader trusts (primary_), or one
  // that other extractors take; the others wait in otherReadings_. Damage
  // ends the listing only in the trusted reading.
  bool primary_ = true;
  std::vector<Reading> otherReadings_;
  bool damaged_ = false;
  Member first_;
  bool hasFirst_ = false;
  std::string otherName_;  // the last member's other name, still to hand out
  Member last_;
  bool trailingData_ = false;  // bytes that are neither zero nor a header after the end
  int doubt_ = 0;
};

// The reader for a tar archive in source, or nullptr when its first block is
// no tar header (nor the zero block of an empty archive) or its first member
// does not read whole. The source is read forward only, so a stream of
// decompressed bytes serves as well as a file.
std::unique_ptr<MemberReader> OpenTarHeaders(std::unique_ptr<ByteSource> source);

}  // namespace backends
