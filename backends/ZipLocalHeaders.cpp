#include "backends/ZipLocalHeaders.h"

#include <cstring>

#include "archives/StructureDoubt.h"
#include "backends/ArchiveSignatures.h"
#include "backends/ZipCentralDirectory.h"
#include "backends/ZipRecords.h"

namespace backends {
namespace {

// The UTF-8 name of a Unicode path field in an extra block, or empty. Its
// CRC is not checked: an extractor that honours the field whatever the CRC
// says creates this name.
std::string UnicodePathName(const std::uint8_t* extra, std::size_t size) {
  ZipExtraFields fields(extra, size);
  ZipExtraField field;
  std::uint32_t storedNameCrc = 0;
  std::string name;
  while (fields.Next(field)) {
    if (ReadUnicodePath(field, storedNameCrc, name)) break;
  }
  return name;
}

void AddName(std::vector<std::string>& names, const std::string& name) {
  if (!name.empty()) names.push_back(name);
}

void AddName(std::vector<std::string>& names, const std::uint8_t* name, std::size_t length) {
  if (length > 0) names.emplace_back(reinterpret_cast<const char*>(name), length);
}

}  // namespace

std::uint64_t CentralRecordNames(ByteSource& source, std::uint64_t start, std::uint64_t end,
                                 std::vector<std::string>& names) {
  std::uint64_t at = start;
  ZipCentralRecord record;
  while (at < end && ReadCentralRecord(source, at, end, record) == ZipRecordAt::kWhole) {
    AddName(names, record.name, record.nameLength);
    AddName(names, UnicodePathName(record.extra, record.extraLength));
    at += record.size;
  }
  return at;
}

ZipLocalPass::ZipLocalPass(std::unique_ptr<ByteSource> source, const ZipLayout& layout)
    : source_(std::move(source)), layout_(layout) {}

bool ZipLocalPass::ReadLocal(std::uint64_t at, LocalEntry& entry) {
  const std::uint8_t* p = source_->Bytes(at, kZipLocalSize);
  if (!p || get32(p) != kZipLocalSignature) return false;
  const std::uint16_t flags = get16(p + 6);
  const std::uint32_t compressed = get32(p + 18);
  const std::size_t nameLength = get16(p + 26);
  const std::size_t extraLength = get16(p + 28);
  const std::size_t headerSize = kZipLocalSize + nameLength + extraLength;
  if (!(p = source_->Bytes(at, headerSize))) return false;
  entry.name = p + kZipLocalSize;
  entry.nameLength = nameLength;
  entry.unicodeName.clear();
  if (extraLength > 0) entry.unicodeName = UnicodePathName(entry.name + nameLength, extraLength);
  entry.dataStart = at + headerSize;
  // A size in a data descriptor, or in a ZIP64 field, is not the header's.
  entry.sizeKnown = !(flags & kZipFlagDescriptor) && compressed != kZip64Marker32;
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
        if (get32(p) != kZipLocalSignature) Raise(archives::kDoubtArchiveOutside);
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
  const bool sameName =
      local.nameLength == central.nameLength && std::memcmp(local.name, central.name, central.nameLength) == 0;
  if (!sameName) AddName(names, local.name, local.nameLength);
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
    if (signature == kZipLocalSignature) {
      LocalEntry local;
      if (ReadLocal(at, local)) {
        std::vector<std::string>& localNames = unclaimed_[at];
        AddName(localNames, local.name, local.nameLength);
        AddName(localNames, local.unicodeName);
        const std::uint64_t next = local.dataStart + local.compressedSize;
        at = local.sizeKnown && next > local.dataStart && next <= to ? next : local.dataStart;
        continue;
      }
    } else if (signature == kZipCentralSignature) {
      Raise(archives::kDoubtSecondDirectory);
      const std::uint64_t next = CentralRecordNames(*source_, at, to, stray_);
      if (next > at) {
        at = next;
        continue;
      }
    } else if (signature == kZipEndSignature || signature == kZip64EndSignature ||
               signature == kZip64LocatorSignature) {
      Raise(archives::kDoubtSecondDirectory);
    } else if (signature == kZipDescriptorSignature) {
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
    if (layout_.directoryStart > 0 && p && get32(p) != kZipLocalSignature) expected_ = layout_.directoryStart;
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
