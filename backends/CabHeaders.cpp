#include "backends/CabHeaders.h"

#include "backends/LittleEndian.h"
#include "platform/FileTime.h"

namespace backends {
namespace {

// The header: "MSCF", then at 16 the offset of the first file record, at 24
// the version (minor, major), the folder count, the file count, the flags.
constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kFirstFileAt = 16, kMajorAt = 25, kFoldersAt = 26, kFilesAt = 28, kFlagsAt = 30;
constexpr std::uint16_t kFlagPreviousCabinet = 0x0001, kFlagNextCabinet = 0x0002, kFlagReserve = 0x0004;
// With kFlagReserve: the header's reserve size (16 bits), the folder and data
// records' reserve sizes (8 bits each), then the header's reserve.
constexpr std::size_t kReserveSizesSize = 4, kFolderReserveAt = 2;
// A folder record: where its data starts, its data block count, its
// compression; then the folder reserve.
constexpr std::size_t kFolderFixed = 8;
// A cabinet's name and disk name, for the previous and for the next
// cabinet: each NUL-terminated, at most 255 bytes.
constexpr std::size_t kMaxLinkText = 256;

// The file record: original size, offset in the folder, folder index, DOS
// date, time and attributes, then the NUL-terminated name.
constexpr std::size_t kFileFixed = 16;
constexpr std::size_t kSizeAt = 0, kFolderAt = 8, kDateAt = 10, kTimeAt = 12, kAttribsAt = 14;
constexpr std::size_t kMaxName = 256;  // bytes, the NUL not counted
// Folder indexes for a file whose data runs into a neighbouring cabinet.
constexpr std::uint16_t kContinuedFromPrevious = 0xFFFD;

constexpr std::uint16_t kCabReadOnly = 0x01, kCabHidden = 0x02, kCabSystem = 0x04;

// Length of the NUL-terminated text at offset, at most maxLength bytes;
// false when no NUL comes within them or before the end of source.
bool TextLength(ByteSource& source, std::uint64_t offset, std::size_t maxLength, std::size_t& length) {
  const std::uint64_t size = source.Size();
  if (offset >= size) return false;
  const std::uint64_t available = size - offset;
  const std::size_t window = available < maxLength + 1 ? static_cast<std::size_t>(available) : maxLength + 1;
  const std::uint8_t* p = source.Bytes(offset, window);
  if (!p) return false;
  for (length = 0; length < window; ++length) {
    if (p[length] == 0) return true;
  }
  return false;
}

}  // namespace

ReadResult CabHeaderReader::Next(Member& member) {
  if (damaged_) return ReadResult::Damaged;
  if (remaining_ == 0) return ReadResult::End;
  const std::uint8_t* record = source_->Bytes(offset_, kFileFixed);
  if (!record) {
    damaged_ = true;
    return ReadResult::Damaged;
  }
  const std::uint32_t size = get32(record + kSizeAt);
  const std::uint16_t folder = get16(record + kFolderAt);
  const std::uint16_t dosDate = get16(record + kDateAt);
  const std::uint16_t dosTime = get16(record + kTimeAt);
  const std::uint16_t attribs = get16(record + kAttribsAt);
  std::size_t nameLength = 0;
  if ((folder >= folders_ && folder < kContinuedFromPrevious) ||
      !TextLength(*source_, offset_ + kFileFixed, kMaxName, nameLength)) {
    damaged_ = true;
    return ReadResult::Damaged;
  }
  // Asked for again: each read may move the source's window.
  const std::uint8_t* name = source_->Bytes(offset_ + kFileFixed, nameLength);
  if (!name) {
    damaged_ = true;
    return ReadResult::Damaged;
  }

  member.Clear();
  member.name.assign(reinterpret_cast<const char*>(name), nameLength);
  member.originalSize = size;
  member.hasOriginalSize = true;
  member.dosDate = dosDate;
  member.dosTime = dosTime;
  member.hasDosDateTime = true;
  std::uint64_t writeTime = 0;
  if (platform::DosDateTimeToUtcFileTime(dosDate, dosTime, writeTime)) {
    member.writeTime = writeTime;
    member.hasWriteTime = true;
  }
  // A cabinet holds files only: folders exist as parts of their names.
  member.attributes = (attribs & (kCabReadOnly | kCabHidden | kCabSystem)) | kAttrArchive;

  offset_ += kFileFixed + nameLength + 1;
  --remaining_;
  return ReadResult::Member;
}

std::unique_ptr<MemberReader> OpenCabHeaders(std::unique_ptr<ByteSource> source) {
  if (!source) return nullptr;
  const std::uint8_t* h = source->Bytes(0, kHeaderSize);
  if (!h || h[0] != 'M' || h[1] != 'S' || h[2] != 'C' || h[3] != 'F' || h[kMajorAt] != 1) return nullptr;
  const std::uint32_t firstFile = get32(h + kFirstFileAt);
  const std::uint16_t folders = get16(h + kFoldersAt);
  const std::uint16_t files = get16(h + kFilesAt);
  const std::uint16_t flags = get16(h + kFlagsAt);
  if (folders == 0 || files == 0) return nullptr;

  // The optional fields must be whole, and the file records must begin
  // after them and the folder records.
  std::uint64_t end = kHeaderSize;
  std::size_t folderReserve = 0;
  if (flags & kFlagReserve) {
    const std::uint8_t* sizes = source->Bytes(end, kReserveSizesSize);
    if (!sizes) return nullptr;
    folderReserve = sizes[kFolderReserveAt];
    end += kReserveSizesSize + get16(sizes);
  }
  for (const std::uint16_t link : {kFlagPreviousCabinet, kFlagNextCabinet}) {
    if (!(flags & link)) continue;
    for (int text = 0; text < 2; ++text) {  // the cabinet's name, the disk's name
      std::size_t length = 0;
      if (!TextLength(*source, end, kMaxLinkText - 1, length)) return nullptr;
      end += length + 1;
    }
  }
  end += static_cast<std::uint64_t>(folders) * (kFolderFixed + folderReserve);
  if (firstFile < end || firstFile >= source->Size()) return nullptr;
  return std::unique_ptr<MemberReader>(new CabHeaderReader(std::move(source), firstFile, files, folders));
}

}  // namespace backends
