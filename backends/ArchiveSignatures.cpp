#include "backends/ArchiveSignatures.h"

#include <cstring>

#include "backends/ZipRecords.h"

namespace backends {

// xz's magic: 0xFD, then "7zXZ" and a NUL.
constexpr char kXzMagic[] = {'\xFD', '7', 'z', 'X', 'Z', '\0'};

bool BeginsArchive(const std::uint8_t* p, std::size_t size) {
  struct Magic {
    const char* bytes;
    std::size_t length;
  };
  if (size >= 4) {
    const std::uint32_t signature = get32(p);
    if (signature == kZipLocalSignature || signature == kZipEndSignature || signature == kZip64EndSignature)
      return true;
  }
  static const Magic kMagics[] = {
      {"7z\xBC\xAF\x27\x1C", 6}, {"Rar!\x1A\x07", 6}, {"MSCF\0\0\0\0", 8},
      {"\x1F\x8B\x08", 3},       {"BZh", 3},          {kXzMagic, 6},
      {"\x28\xB5\x2F\xFD", 4},
  };
  for (const Magic& m : kMagics) {
    if (size >= m.length && std::memcmp(p, m.bytes, m.length) == 0) return true;
  }
  // LHA: "-lh?-" or "-lz?-" after the header size and checksum.
  if (size >= 7 && p[2] == '-' && p[3] == 'l' && (p[4] == 'h' || p[4] == 'z') && p[6] == '-') return true;
  // tar: "ustar" at offset 257.
  if (size >= 262 && std::memcmp(p + 257, "ustar", 5) == 0) return true;
  return false;
}

bool BeginsCompressedStream(const std::uint8_t* p, std::size_t size) {
  if (size >= 2 && p[0] == 0x1F && (p[1] == 0x8B || p[1] == 0x9D)) return true;  // gzip, compress
  if (size >= 3 && std::memcmp(p, "BZh", 3) == 0) return true;
  if (size >= 6 && std::memcmp(p, kXzMagic, 6) == 0) return true;
  return size >= 4 && std::memcmp(p, "\x28\xB5\x2F\xFD", 4) == 0;  // zstd
}

}  // namespace backends
