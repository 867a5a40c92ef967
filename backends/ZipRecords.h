// The fixed parts of ZIP's records, for every reader of them: signatures,
// record sizes, flags, extra-field IDs and host systems; the walk over an
// extra block; the central record, which the listing and the look for a
// second directory both read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "backends/ByteSource.h"
#include "backends/LittleEndian.h"

namespace backends {

constexpr std::uint32_t kZipLocalSignature = 0x04034b50;       // "PK\3\4"
constexpr std::uint32_t kZipCentralSignature = 0x02014b50;     // "PK\1\2"
constexpr std::uint32_t kZipEndSignature = 0x06054b50;         // "PK\5\6"
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;       // "PK\6\6"
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;   // "PK\6\7"
constexpr std::uint32_t kZipDescriptorSignature = 0x08074b50;  // "PK\7\8"
constexpr std::uint32_t kZipDigitalSignature = 0x05054b50;     // "PK\5\5", after the directory

constexpr std::size_t kZipLocalSize = 30;
constexpr std::size_t kZipCentralSize = 46;
constexpr std::size_t kZipEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZipMaxComment = 0xFFFF;

// A 16- or 32-bit field holding this says "see the ZIP64 record or field".
constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;

constexpr std::uint16_t kZipFlagEncrypted = 0x0001;
constexpr std::uint16_t kZipFlagDescriptor = 0x0008;  // sizes and CRC follow the data
constexpr std::uint16_t kZipFlagDirectoryEncrypted = 0x2000;

constexpr std::uint16_t kZipExtraZip64 = 0x0001;
constexpr std::uint16_t kZipExtraNtfs = 0x000a;
constexpr std::uint16_t kZipExtraTimestamp = 0x5455;    // "UT", Unix times
constexpr std::uint16_t kZipExtraUnicodePath = 0x7075;  // "up", the name in UTF-8

// The high byte of "version made by": the system whose attributes the
// external attributes hold.
constexpr unsigned kZipHostUnix = 3;
constexpr unsigned kZipHostOsx = 19;

// One field of an extra block.
struct ZipExtraField {
  std::uint16_t id = 0;
  std::uint16_t length = 0;
  const std::uint8_t* data = nullptr;
};

// The fields of an extra block (or of an NTFS field's attributes, which are
// laid out alike: 16-bit tag, 16-bit length, data), one after another. A
// field whose stated length runs past the block ends the walk.
class ZipExtraFields {
 public:
  ZipExtraFields(const std::uint8_t* block, std::size_t size) : block_(block), size_(size) {}
  bool Next(ZipExtraField& field) {
    if (size_ - at_ < 4) return false;
    field.id = get16(block_ + at_);
    field.length = get16(block_ + at_ + 2);
    if (field.length > size_ - at_ - 4) {
      at_ = size_;
      return false;
    }
    field.data = block_ + at_ + 4;
    at_ += 4 + field.length;
    return true;
  }

 private:
  const std::uint8_t* block_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A Unicode path field of version 1 ("up"): the CRC-32 of the stored name it
// stands for and the name in UTF-8. False for any other field or version.
bool ReadUnicodePath(const ZipExtraField& field, std::uint32_t& storedNameCrc, std::string& name);

// A central directory record:
//    0 signature           4 version made by     6 version needed
//    8 flags              10 method             12 DOS time
//   14 DOS date           16 CRC-32             20 compressed size
//   24 original size      28 name length        30 extra length
//   32 comment length     34 disk               36 internal attributes
//   38 external attributes                      42 local header offset
//   46 name, extra block, comment
struct ZipCentralRecord {
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t originalSize = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localOffset = 0;
  // Into the source's window: valid until its next read.
  const std::uint8_t* name = nullptr;
  std::size_t nameLength = 0;
  const std::uint8_t* extra = nullptr;
  std::size_t extraLength = 0;
  std::size_t size = 0;  // the whole record
};

enum class ZipRecordAt {
  kNone,   // no central record begins there
  kWhole,  // read
  kCut,    // one begins there, but runs past end or cannot be read
};

// The central record at offset at, which must end by end.
ZipRecordAt ReadCentralRecord(ByteSource& source, std::uint64_t at, std::uint64_t end, ZipCentralRecord& record);

}  // namespace backends
