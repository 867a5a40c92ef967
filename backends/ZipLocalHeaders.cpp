#include "backends/ZipLocalHeaders.h"

#include <cstring>

#include "archives/StructureDoubt.h"
#include "backends/ArchiveSignatures.h"
#include "backends/LittleEndian.h"
#include "backends/ZipCentralDirectory.h"

namespace backends {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::uint16_t kFlagDescriptor = 0x0008;
constexpr std::uint16_t kUnicodePathField = 0x7075;

// The UTF-8 name of a Unicode path field (version 1) in an extra block, or
// empty. Its CRC is not checked: an extractor that honours the field
// whatever the CRC says creates this name.
std::string UnicodePathName(const std::uint8_t* extra, std::size_t size) {
  std::size_t at = 0;
  while (size - at >= 4) {
    const std::uint16_t id = get16(extra + at);
    const std::uint16_t length = get16(extra + at + 2);
    at += 4;
    if (length > size - at) break;
    if (id == kUnicodePathField && length > 5 && extra[at] == 1)
      return std::string(reinterpret_cast<const char*>(extra + at + 5), length - 5);
    at += length;
  }
  return std::string();
}

void AddName(std::vector<std::string>& names, const std::string& name) {
  if (!name.empty()) names.push_back(name);
}

}  // namespace

std::uint64_t CentralRecordNames(ByteSource& source, std::uint64_t start, std::uint64_t end,
                                 std::vector<std::string>& names) {
  std::uint64_t at = start;
  while (at < end && end - at >= kCentralSize) {
    const std::uint8_t* p = source.Bytes(at, kCentralSize);
    if (!p || get32(p) != kCentralSignature) break;
    const std::size_t nameLength = get16(p + 28);
    const std::size_t extraLength = get16(p + 30);
    const std::size_t recordSize = kCentralSize + nameLength + extraLength + get16(p + 32);
    if (recordSize > end - at || !(p = source.Bytes(at, recordSize))) break;
    AddName(names, std::string(reinterpret_cast<const char*>(p + kCentralSize), nameLength));
    AddName(names, UnicodePathName(p + kCentralSize + nameLength, extraLength));
    at += recordSize;
  }
  return at;
}

ZipLocalPass::ZipLocalPass(std::unique_ptr<ByteSource> source, const ZipLayout& layout)
    : source_(std::move(source)), layout_(layout) {}

bool ZipLocalPass::ReadLocal(std::uint64_t at, LocalEntry& entry) {
  const std::uint8_t* p = source_->Bytes(at, kLocalSize);
  if (!p || get32(p) != kLocalSignature) return false;
  const std::uint16_t flags = get16(p + 6);
  const std::uint32_t compressed = get32(p + 18);
  const std::size_t nameLength = get16(p + 26);
  const std::size_t extraLength = get16(p + 28);
  const std::size_t headerSize = kLocalSize + nameLength + extraLength;
  if (!(p = source_->Bytes(at, headerSize))) return false;
  entry.name.assign(reinterpret_cast<const char*>(p + kLocalSize), nameLength);
  entry.unicodeName.clear();
  if (extraLength > 0) entry.unicodeName = UnicodePathName(p + kLocalSize + nameLength, extraLength);
  entry.dataStart = at + headerSize;
  // A size in a data descriptor, or in a ZIP64 field, is not the header's.
  entry.sizeKnown = !(flags & kFlagDescriptor) && compressed != 0xFFFFFFFF;
  entry.compressedSize = compressed;
  return true;
}

void ZipLocalPass::Check(const ZipCentralEntry& central, std::vector<std::string>& names) {
  const std::uint64_t at = layout_.prefixBytes + central.localOffset;
  if (at < central.localOffset) {  // wrapped around
    Raise(archives::kDoubtBounds);
    return;
  }
  if (!started_) {
    // What lies before the first entry: a self-extractor's stub, or another
    // archive whose members extractors reading from the front create.
    started_ = true;
    const std::uint64_t stub = at < layout_.directoryStart ? at : layout_.directoryStart;
    if (stub > 0) {
      const std::uint8_t* p = source_->Bytes(0, stub < 512 ? static_cast<std::size_t>(stub) : 512);
      if (p && BeginsArchive(p, stub < 512 ? static_cast<std::size_t>(stub) : 512)) {
        if (get32(p) != kLocalSignature) Raise(archives::kDoubtArchiveOutside);
        ScanGap(0, stub);
      }
    }
    expected_ = at;
  }
  LocalEntry local;
  if (!ReadLocal(at, local)) {
    Raise(archives::kDoubtBounds);  // a central record that points at no local header
    return;
  }
  const bool sameName = local.name.size() == central.nameLength &&
                        std::memcmp(local.name.data(), central.name, central.nameLength) == 0;
  if (!sameName) AddName(names, local.name);
  if (!local.unicodeName.empty()) AddName(names, local.unicodeName);

  std::uint64_t dataEnd = local.dataStart + central.compressedSize;
  if (dataEnd < local.dataStart || dataEnd > layout_.directoryStart) {
    Raise(archives::kDoubtBounds);
    dataEnd = layout_.directoryStart;
  }
  if (local.sizeKnown && local.compressedSize != central.compressedSize) {
    // A streaming extractor steps by the local size: it may find entries
    // inside what the directory calls this member's data.
    Raise(archives::kDoubtBounds);
    const std::uint64_t localEnd = local.dataStart + local.compressedSize;
    if (localEnd < dataEnd) ScanGap(localEnd, dataEnd);
  }

  if (at == expected_) {
    expected_ = dataEnd;
    return;
  }
  if (at > expected_) {
    ScanGap(expected_, at);
    expected_ = dataEnd;
    return;
  }
  // Behind the pass: an entry met in an earlier gap (a directory in another
  // order than the entries), or a second record for bytes already claimed.
  if (unclaimed_.erase(at) == 0) Raise(archives::kDoubtBounds);
  if (dataEnd > expected_) expected_ = dataEnd;
}

void ZipLocalPass::ScanGap(std::uint64_t from, std::uint64_t to) {
  std::uint64_t at = from;
  while (at < to) {
    const std::uint64_t left = to - at;
    const std::size_t chunk = left < 4096 ? static_cast<std::size_t>(left) : 4096;
    const std::uint8_t* p = source_->Bytes(at, chunk);
    if (!p) return;
    // Only the signatures matter; everything else is skipped a 'P' at a time.
    const void* found = std::memchr(p, 'P', chunk);
    if (!found) {
      at += chunk;
      continue;
    }
    at += static_cast<const std::uint8_t*>(found) - p;
    if (to - at < 4 || !(p = source_->Bytes(at, 4))) return;
    const std::uint32_t signature = get32(p);
    if (signature == kLocalSignature) {
      LocalEntry local;
      if (ReadLocal(at, local)) {
        std::vector<std::string>& localNames = unclaimed_[at];
        AddName(localNames, local.name);
        AddName(localNames, local.unicodeName);
        const std::uint64_t next = local.dataStart + local.compressedSize;
        at = local.sizeKnown && next > local.dataStart && next <= to ? next : local.dataStart;
        continue;
      }
    } else if (signature == kCentralSignature) {
      Raise(archives::kDoubtSecondDirectory);
      const std::uint64_t next = CentralRecordNames(*source_, at, to, stray_);
      if (next > at) {
        at = next;
        continue;
      }
    } else if (signature == kEndSignature || signature == kZip64EndSignature ||
               signature == kZip64LocatorSignature) {
      Raise(archives::kDoubtSecondDirectory);
    } else if (signature == kDescriptorSignature) {
      // A data descriptor after a member's data.
    }
    ++at;
  }
}

void ZipLocalPass::Finish(std::vector<std::string>& names) {
  if (!started_) {
    // No central record: the whole archive before the directory is a gap.
    started_ = true;
    expected_ = 0;
    const std::uint8_t* p = source_->Bytes(0, 4);
    if (layout_.directoryStart > 0 && p && get32(p) != kLocalSignature) expected_ = layout_.directoryStart;
  }
  if (expected_ < layout_.directoryStart) ScanGap(expected_, layout_.directoryStart);
  // Between the directory's end and the end records (a digital signature may be there).
  const std::uint64_t directoryEnd = layout_.directoryStart + layout_.directorySize;
  if (directoryEnd < layout_.endRecordsStart) ScanGap(directoryEnd, layout_.endRecordsStart);
  names.insert(names.end(), stray_.begin(), stray_.end());
  stray_.clear();
  for (const auto& entry : unclaimed_) {
    Raise(archives::kDoubtUncoveredEntries);
    names.insert(names.end(), entry.second.begin(), entry.second.end());
  }
  unclaimed_.clear();
  // Another directory named by an end record in the comment or by the plain
  // end record beside a ZIP64 one.
  if (layout_.otherDirectoryEnd > layout_.otherDirectoryStart) {
    Raise(archives::kDoubtSecondDirectory);
    CentralRecordNames(*source_, layout_.otherDirectoryStart, layout_.otherDirectoryEnd, names);
  }
  if (layout_.doubt != 0) Raise(layout_.doubt);
  // Bytes after the comment that begin another archive.
  const std::uint64_t size = source_->Size();
  if (layout_.commentEnd < size) {
    const std::uint64_t left = size - layout_.commentEnd;
    const std::size_t look = left < 512 ? static_cast<std::size_t>(left) : 512;
    const std::uint8_t* p = source_->Bytes(layout_.commentEnd, look);
    if (p && BeginsArchive(p, look)) Raise(archives::kDoubtArchiveOutside);
  }
}

}  // namespace backends
