#include "backends/NestedArchives.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "backends/ArchiveSignatures.h"
#include "backends/ByteSource.h"
#include "backends/CompressedFile.h"
#include "backends/LhaHeaders.h"
#include "backends/LibarchiveApi.h"
#include "backends/NameText.h"
#include "backends/TarHeaders.h"
#include "backends/ZipCentralDirectory.h"
#include "platform/CodePage.h"

namespace backends {
namespace {

const LibarchiveApi& La() { return *Libarchive(); }

constexpr std::size_t kChunk = 64 * 1024;

struct Walk {
  const NestedLimits& limits;
  NestedNameSink sink;
  void* context;
  std::uint64_t expanded = 0;
  std::uint64_t members = 0;
};

// A libarchive read object, freed with its owner.
class Reading {
 public:
  Reading() : a_(La().archive_read_new()) {}
  ~Reading() {
    if (a_) La().archive_read_free(a_);
  }
  Reading(const Reading&) = delete;
  Reading& operator=(const Reading&) = delete;
  archive* get() const { return a_; }

  void SupportFilters() {
    for (auto support : {La().archive_read_support_filter_gzip, La().archive_read_support_filter_bzip2,
                         La().archive_read_support_filter_compress, La().archive_read_support_filter_xz,
                         La().archive_read_support_filter_lzma, La().archive_read_support_filter_zstd})
      support(a_);
  }
  void SupportArchives() {
    SupportFilters();
    for (auto support : {La().archive_read_support_format_zip, La().archive_read_support_format_7zip,
                         La().archive_read_support_format_rar, La().archive_read_support_format_rar5,
                         La().archive_read_support_format_tar, La().archive_read_support_format_gnutar,
                         La().archive_read_support_format_lha, La().archive_read_support_format_cab,
                         La().archive_read_support_format_cpio, La().archive_read_support_format_ar})
      support(a_);
  }
  bool Open(const std::vector<std::uint8_t>& bytes) {
    return a_ && La().archive_read_open_memory(a_, bytes.data(), bytes.size()) == ARCHIVE_OK;
  }
  // Whether a decompressor took the bytes opened (else they are read as
  // they are).
  bool Decompresses() const {
    for (int i = 0; i < La().archive_filter_count(a_); ++i)
      if (La().archive_filter_code(a_, i) != ARCHIVE_FILTER_NONE) return true;
    return false;
  }
  bool Open(const std::string& path) {
    return a_ && La().archive_read_open_filename(a_, path.c_str(), kChunk) == ARCHIVE_OK;
  }

 private:
  archive* a_;
};

// Whether bytes, as libarchive reads them with every archive format, hold an
// archive whose first header reads, and whether that is a tar.
template <typename Input>
bool FirstHeaderReads(const Input& input, bool* tar = nullptr) {
  Reading reading;
  if (!reading.get()) return false;
  reading.SupportArchives();
  archive_entry* entry = nullptr;
  if (!reading.Open(input)) return false;
  const int r = La().archive_read_next_header(reading.get(), &entry);
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return false;
  if (tar) *tar = (La().archive_format(reading.get()) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_TAR;
  return true;
}

// Whether bytes begin something that some extractor opens as an archive:
// a known signature or a tar header (also a V7 one, which has none).
bool BeginsArchiveOrTar(const std::vector<std::uint8_t>& bytes) {
  return BeginsArchive(bytes.data(), bytes.size()) ||
         (bytes.size() >= kTarBlock && ClassifyTarBlock(bytes.data()) == TarBlockKind::Header);
}

// What a compressed stream decompresses to, through every compression layer,
// each byte counted against the limit. The stream is read to its end only
// when its first bytes begin an archive (or libarchive reads one in it):
// a plain compressed file is a file, judged by its names. Bytes whose
// header no decompressor takes (text that begins "BZh") are no compressed
// stream at all. compressed is the stream's bytes or the path of its file.
template <typename Input>
NestedResult Decompress(const Input& compressed, Walk& walk, std::vector<std::uint8_t>& out, bool& holdsArchive) {
  holdsArchive = false;
  Reading reading;
  if (!reading.get()) return kNestedInnerUnreadable;
  reading.SupportFilters();
  La().archive_read_support_format_raw(reading.get());
  archive_entry* entry = nullptr;
  if (!reading.Open(compressed) || La().archive_read_next_header(reading.get(), &entry) != ARCHIVE_OK)
    return kNestedInnerUnreadable;
  if (!reading.Decompresses()) return kNestedDone;
  std::uint8_t chunk[kChunk];
  for (bool decided = false;;) {
    const la_ssize_t n = La().archive_read_data(reading.get(), chunk, sizeof chunk);
    // A stream that breaks off leaves an extractor with bytes this walk has
    // not seen whole.
    if (n < 0) return kNestedInnerUnreadable;
    walk.expanded += static_cast<std::uint64_t>(n);
    if (walk.expanded > walk.limits.expandedBytes) return kNestedExpandedLimit;
    out.insert(out.end(), chunk, chunk + n);
    if (!decided && (out.size() >= kTarBlock || n == 0)) {
      decided = true;
      holdsArchive = BeginsArchiveOrTar(out) || FirstHeaderReads(compressed);
      if (!holdsArchive) return kNestedDone;
    }
    if (n == 0) return kNestedDone;
  }
}

// The names of an inner archive held in memory, by our own reader of its
// format; false when none knows it (libarchive's walk names its members).
bool ListWithOurReader(const std::vector<std::uint8_t>& bytes, const std::string& path, Walk& walk,
                       NestedResult& result) {
  std::unique_ptr<MemberReader> reader;
  auto source = [&] { return std::unique_ptr<ByteSource>(new MemorySource(bytes.data(), bytes.size())); };
  if (bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K') reader = OpenZipDirectory(source());
  if (!reader) reader = OpenLhaHeaders(source());
  if (!reader) reader = OpenTarHeaders(source());
  if (!reader) return false;
  Member member;
  std::string name;
  ReadResult r;
  while ((r = reader->Next(member)) == ReadResult::Member) {
    if (++walk.members > walk.limits.members) {
      result = kNestedMemberLimit;
      return true;
    }
    RecordName(member.name, name);
    const std::string full = path + "/" + name;
    walk.sink(walk.context, full.data(), full.size());
  }
  if (r != ReadResult::End || reader->Doubt() != 0) result = kNestedDoubt;
  return true;
}

// A compressed member is also the file it decompresses to, named as a
// compressed file at the top is (DecompressedNames: its own name without the
// suffix, the gzip header's stored name), each name a member inside it; a
// name that only names the tar it holds is left out.
NestedResult NameDecompressedFile(const std::vector<std::uint8_t>& compressed, const std::vector<std::uint8_t>& content,
                                  const std::string& rawName, const std::string& memberPath, Walk& walk) {
  std::vector<std::string> names = DecompressedNames(rawName, compressed.data(), compressed.size());
  bool tar = false;
  if (!names.empty() && !content.empty() && FirstHeaderReads(content, &tar) && tar) {
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) {
                                 const std::size_t dot = n.rfind('.');
                                 return dot != std::string::npos && platform::AnsiSameText(n.substr(dot), ".tar");
                               }),
                names.end());
  }
  std::string name;
  for (const std::string& decompressed : names) {
    if (++walk.members > walk.limits.members) return kNestedMemberLimit;
    RecordName(decompressed, name);
    const std::string full = memberPath + "/" + name;
    walk.sink(walk.context, full.data(), full.size());
  }
  return kNestedDone;
}

NestedResult WalkArchive(archive* a, unsigned level, const std::string& path, bool nameMembers, Walk& walk);

// An archive held in memory at a level below the outer one, its members
// named under path: by our own reader where it knows the format, and walked
// by libarchive, which extracts the members that may be archives in turn.
// Every member must be seen: an archive that libarchive cannot walk to its
// end is one whose members were not all checked, even when our reader named
// them, since their bytes were never looked into.
NestedResult WalkInnerArchive(const std::vector<std::uint8_t>& bytes, unsigned level, const std::string& path,
                              Walk& walk) {
  NestedResult named = kNestedDone;
  const bool ours = ListWithOurReader(bytes, path, walk, named);
  if (named != kNestedDone) return named;
  Reading reading;
  if (!reading.get()) return kNestedInnerUnreadable;
  reading.SupportArchives();
  if (!reading.Open(bytes)) return kNestedInnerUnreadable;
  const NestedResult result = WalkArchive(reading.get(), level, path, !ours, walk);
  return result == kNestedUnreadable ? kNestedInnerUnreadable : result;
}

// The member at memberPath, whose bytes begin an archive or a compressed
// stream, as an archive one level down.
NestedResult WalkMember(const std::vector<std::uint8_t>& bytes, const std::string& rawName,
                        const std::string& memberPath, unsigned level, Walk& walk) {
  if (level + 1 > walk.limits.depth) return kNestedDepthLimit;
  if (!BeginsCompressedStream(bytes.data(), bytes.size())) return WalkInnerArchive(bytes, level + 1, memberPath, walk);
  // A compressed file: the file it decompresses to, then the archive that
  // file may be (a compressed tar read both ways, like one at the top).
  std::vector<std::uint8_t> content;
  bool holdsArchive = false;
  const NestedResult decompressed = Decompress(bytes, walk, content, holdsArchive);
  const NestedResult named =
      NameDecompressedFile(bytes, holdsArchive ? content : std::vector<std::uint8_t>(), rawName, memberPath, walk);
  if (named != kNestedDone) return named;
  if (decompressed != kNestedDone || !holdsArchive) return decompressed;
  return WalkInnerArchive(content, level + 1, memberPath, walk);
}

// The bytes of the member under way, as far as they go and the limit
// allows; kept only when their first block begins an archive or a
// compressed file (isArchive). A member whose bytes cannot be read, or that
// states a size but hands out nothing (libarchive gives no bytes for what it
// takes for a device, which a Windows extractor writes as a file), is not
// judged: that is kNestedInnerUnreadable.
NestedResult ReadMemberBytes(archive* a, archive_entry* entry, Walk& walk, std::vector<std::uint8_t>& bytes,
                             bool& isArchive) {
  std::uint8_t chunk[kChunk];
  isArchive = false;
  for (bool decided = false;;) {
    const la_ssize_t n = La().archive_read_data(a, chunk, sizeof chunk);
    // Encrypted or damaged data: what an extractor writes is unknown.
    if (n < 0) return kNestedInnerUnreadable;
    if (n == 0 && bytes.empty()) {
      const bool statedSize = La().archive_entry_size_is_set(entry) && La().archive_entry_size(entry) > 0;
      return statedSize ? kNestedInnerUnreadable : kNestedDone;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (!decided && (bytes.size() >= kTarBlock || n == 0)) {
      decided = true;
      isArchive = BeginsArchiveOrTar(bytes) || BeginsCompressedStream(bytes.data(), bytes.size());
      if (!isArchive) return kNestedDone;
      // What is kept counts: a bomb stops here, promptly and with memory
      // bounded by the limit.
      walk.expanded += bytes.size();
    } else if (decided) {
      walk.expanded += static_cast<std::uint64_t>(n);
    }
    if (walk.expanded > walk.limits.expandedBytes) return kNestedExpandedLimit;
    if (n == 0) return kNestedDone;
  }
}

NestedResult WalkArchive(archive* a, unsigned level, const std::string& path, bool nameMembers, Walk& walk) {
  archive_entry* entry = nullptr;
  std::string name;
  for (;;) {
    const int r = La().archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF) return kNestedDone;
    // No archive at all, or one damaged after its first member: either way
    // the members after it were not looked into.
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return kNestedUnreadable;
    // Each member counts once: one our reader named is not counted again.
    if ((nameMembers || level == 0) && ++walk.members > walk.limits.members) return kNestedMemberLimit;
    const char* raw = La().archive_entry_pathname(entry);
    const std::string rawName = raw ? std::string(raw) : std::string();
    RecordName(rawName, name);
    const std::string memberPath = level == 0 ? name : path + "/" + name;
    if (nameMembers) walk.sink(walk.context, memberPath.data(), memberPath.size());
    // Folders and links carry no file's bytes. Anything else may: a ZIP
    // entry marked as a device is a plain file to a Windows extractor.
    const unsigned type = La().archive_entry_filetype(entry);
    if (type == AE_IFDIR || type == AE_IFLNK) continue;
    std::vector<std::uint8_t> bytes;
    bool isArchive = false;
    const NestedResult read = ReadMemberBytes(a, entry, walk, bytes, isArchive);
    if (read != kNestedDone) return read;
    if (!isArchive) continue;
    const NestedResult inner = WalkMember(bytes, rawName, memberPath, level, walk);
    if (inner != kNestedDone) return inner;
  }
}

// The outer file as the normal listing sees it: an archive whose members it
// lists (also tar, cpio and ar under compression), or a single compressed
// file, whose content is a member of its own and may be an archive.
bool IsSingleCompressedFile(const std::string& path) {
  std::unique_ptr<FileSource> file = FileSource::Open(path);
  if (!file) return false;
  const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(file->Size(), 16));
  const std::uint8_t* head = file->Bytes(0, length);
  if (!head || !BeginsCompressedStream(head, length)) return false;
  Reading reading;
  if (!reading.get()) return false;
  reading.SupportFilters();
  for (auto support : {La().archive_read_support_format_tar, La().archive_read_support_format_gnutar,
                       La().archive_read_support_format_cpio, La().archive_read_support_format_ar})
    support(reading.get());
  archive_entry* entry = nullptr;
  if (La().archive_read_open_filename(reading.get(), path.c_str(), kChunk) != ARCHIVE_OK) return true;
  const int r = La().archive_read_next_header(reading.get(), &entry);
  return r != ARCHIVE_OK && r != ARCHIVE_WARN;
}

// A single compressed file at the top: its content, under the name the
// normal listing gives it, is an archive one level down when it is one.
NestedResult WalkSingleCompressedFile(const std::string& path, Walk& walk) {
  std::vector<std::uint8_t> content;
  bool holdsArchive = false;
  const NestedResult decompressed = Decompress(path, walk, content, holdsArchive);
  if (decompressed != kNestedDone || !holdsArchive) return decompressed;
  // A tar that only our reader opens (libarchive stopped at its first
  // header) is the one the normal listing lists: its members are the
  // outer archive's own, and libarchive cannot look into them.
  if (OpenTarHeaders(std::unique_ptr<ByteSource>(new MemorySource(content.data(), content.size()))))
    return kNestedUnreadable;
  if (walk.limits.depth < 1) return kNestedDepthLimit;
  // The gzip header, for its stored name.
  std::vector<std::uint8_t> head;
  if (std::unique_ptr<FileSource> file = FileSource::Open(path)) {
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(file->Size(), kChunk));
    if (const std::uint8_t* p = file->Bytes(0, length)) head.assign(p, p + length);
  }
  const std::vector<std::string> names = DecompressedNames(path, head.data(), head.size());
  std::string name;
  if (!names.empty()) {
    RecordName(names.back(), name);  // the member's name in the normal listing
  } else {
    const std::size_t slash = path.find_last_of('/');
    RecordName(slash == std::string::npos ? path : path.substr(slash + 1), name);
  }
  return WalkInnerArchive(content, 1, name, walk);
}

}  // namespace

NestedResult ListNestedArchives(const std::string& path, const NestedLimits& limits, NestedNameSink sink,
                                void* context) {
  if (!Libarchive() || !sink) return kNestedUnreadable;
  Utf8Thread utf8;
  Walk walk{limits, sink, context};
  if (IsSingleCompressedFile(path)) return WalkSingleCompressedFile(path, walk);
  Reading reading;
  if (!reading.get()) return kNestedUnreadable;
  reading.SupportArchives();
  if (!reading.Open(path)) return kNestedUnreadable;
  return WalkArchive(reading.get(), 0, std::string(), false, walk);
}

}  // namespace backends
