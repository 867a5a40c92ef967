// One archive member as a reader sees it, before it becomes a member record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace backends {

// DOS attribute bits as the member records carry them.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;

struct Member {
  // The name's bytes as the archive gives them: UTF-8, or the bytes of a
  // legacy code page (Shift_JIS from Japanese Windows). NameText decides.
  std::string name;

  std::uint64_t originalSize = 0;
  std::uint64_t compressedSize = 0;
  bool hasOriginalSize = false;
  bool hasCompressedSize = false;

  std::uint32_t crc = 0;
  std::uint32_t attributes = 0;
  bool isDirectory = false;
  bool encrypted = false;

  // DOS date and time as stored (ZIP); 0 when the archive has none.
  std::uint16_t dosDate = 0;
  std::uint16_t dosTime = 0;
  bool hasDosDateTime = false;

  // UTC file times (100 ns since 1601-01-01); 0 with the flag off = unknown.
  std::uint64_t writeTime = 0;
  std::uint64_t accessTime = 0;
  std::uint64_t createTime = 0;
  bool hasWriteTime = false;
  bool hasAccessTime = false;
  bool hasCreateTime = false;

  // Method text for the record, at most 7 characters ("Deflate", "-lh5-").
  char method[8] = {};

  void SetMethod(const char* text) {
    std::size_t i = 0;
    for (; text && text[i] && i + 1 < sizeof method; ++i) method[i] = text[i];
    for (; i < sizeof method; ++i) method[i] = 0;
  }

  void Clear() {
    name.clear();  // keeps its capacity: one member after another
    originalSize = compressedSize = 0;
    hasOriginalSize = hasCompressedSize = false;
    crc = 0;
    attributes = 0;
    isDirectory = encrypted = false;
    dosDate = dosTime = 0;
    hasDosDateTime = false;
    writeTime = accessTime = createTime = 0;
    hasWriteTime = hasAccessTime = hasCreateTime = false;
    for (char& c : method) c = 0;
  }
};

// What a reader says after being asked for the next member.
enum class ReadResult { Member, End, Damaged };

// Streams the members of one open archive, one at a time.
class MemberReader {
 public:
  virtual ~MemberReader() = default;
  virtual ReadResult Next(Member& member) = 0;
  // After Next gave End: 0, or the structural doubt (archives/StructureDoubt.h)
  // found on the way. Every name found was handed out even then.
  virtual int Doubt() const { return 0; }
};

// Seconds since 1970 to a UTC file time.
inline std::uint64_t UnixToFileTime(std::int64_t seconds, long nanoseconds = 0) {
  constexpr std::int64_t kEpochDifference = 11644473600LL;  // 1601 to 1970
  std::int64_t s = seconds + kEpochDifference;
  if (s < 0) return 0;
  return static_cast<std::uint64_t>(s) * 10000000ULL +
         static_cast<std::uint64_t>(nanoseconds < 0 ? 0 : nanoseconds / 100);
}

}  // namespace backends
