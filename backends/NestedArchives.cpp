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

struct Walk {
  const NestedLimits& limits;
  NestedNameSink sink;
  void* context;
  std::uint64_t expanded = 0;
  std::uint64_t members = 0;
};

archive* OpenAnyArchive() {
  archive* a = La().archive_read_new();
  if (!a) return nullptr;
  for (auto support : {La().archive_read_support_filter_gzip, La().archive_read_support_filter_bzip2,
                       La().archive_read_support_filter_compress, La().archive_read_support_filter_xz,
                       La().archive_read_support_filter_lzma, La().archive_read_support_filter_zstd,
                       La().archive_read_support_format_zip, La().archive_read_support_format_7zip,
                       La().archive_read_support_format_rar, La().archive_read_support_format_rar5,
                       La().archive_read_support_format_tar, La().archive_read_support_format_gnutar,
                       La().archive_read_support_format_lha, La().archive_read_support_format_cab,
                       La().archive_read_support_format_cpio, La().archive_read_support_format_ar})
    support(a);
  return a;
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

// Whether compressed bytes hold a tar, as libarchive reads them.
bool HoldsTar(const std::vector<std::uint8_t>& bytes) {
  archive* a = OpenAnyArchive();
  if (!a) return false;
  archive_entry* entry = nullptr;
  bool tar = false;
  if (La().archive_read_open_memory(a, bytes.data(), bytes.size()) == ARCHIVE_OK) {
    const int r = La().archive_read_next_header(a, &entry);
    tar = (r == ARCHIVE_OK || r == ARCHIVE_WARN) &&
          (La().archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_TAR;
  }
  La().archive_read_free(a);
  return tar;
}

// A compressed member is also the file it decompresses to, named as a
// compressed file at the top is (DecompressedNames: its own name without the
// suffix, the gzip header's stored name), each name a member inside it; a
// name that only names the tar it holds is left out.
NestedResult NameDecompressedFile(const std::vector<std::uint8_t>& bytes, const std::string& rawName,
                                  const std::string& memberPath, Walk& walk) {
  std::vector<std::string> names = DecompressedNames(rawName, bytes.data(), bytes.size());
  if (!names.empty() && HoldsTar(bytes)) {
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

NestedResult WalkArchive(archive* a, unsigned level, const std::string& path, bool nameMembers, Walk& walk) {
  archive_entry* entry = nullptr;
  std::string name;
  for (bool first = true;; first = false) {
    const int r = La().archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF) return kNestedDone;
    // No archive at all, or an inner one damaged after its first member
    // (the outer one's damage is the normal listing's to tell).
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return first || level == 0 ? kNestedUnreadable : kNestedDoubt;
    // Each member counts once: one our reader named is not counted again.
    if ((nameMembers || level == 0) && ++walk.members > walk.limits.members) return kNestedMemberLimit;
    const char* raw = La().archive_entry_pathname(entry);
    const std::string rawName = raw ? std::string(raw) : std::string();
    RecordName(rawName, name);
    const std::string memberPath = level == 0 ? name : path + "/" + name;
    if (nameMembers) walk.sink(walk.context, memberPath.data(), memberPath.size());
    if (La().archive_entry_filetype(entry) != AE_IFREG) continue;
    // The member's bytes, as far as they go and the limit allows; kept only
    // when they begin an archive or a compressed file.
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    bool isArchive = false;
    for (;;) {
      const la_ssize_t n = La().archive_read_data(a, chunk, sizeof chunk);
      if (n <= 0) break;
      if (!isArchive) {
        isArchive = BeginsArchive(chunk, static_cast<std::size_t>(n)) ||
                    BeginsCompressedStream(chunk, static_cast<std::size_t>(n));
        if (!isArchive) break;
      }
      // What is kept counts: a bomb stops here, promptly and with memory
      // bounded by the limit.
      walk.expanded += static_cast<std::uint64_t>(n);
      if (walk.expanded > walk.limits.expandedBytes) return kNestedExpandedLimit;
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (!isArchive) continue;
    if (level + 1 > walk.limits.depth) return kNestedDepthLimit;
    const bool compressed = BeginsCompressedStream(bytes.data(), bytes.size());
    if (compressed) {
      const NestedResult named = NameDecompressedFile(bytes, rawName, memberPath, walk);
      if (named != kNestedDone) return named;
    }
    NestedResult inner = kNestedDone;
    const bool ours = ListWithOurReader(bytes, memberPath, walk, inner);
    if (inner != kNestedDone) return inner;
    archive* nested = OpenAnyArchive();
    if (!nested) return kNestedDoubt;
    NestedResult result = kNestedDone;
    if (La().archive_read_open_memory(nested, bytes.data(), bytes.size()) == ARCHIVE_OK)
      result = WalkArchive(nested, level + 1, memberPath, !ours, walk);
    La().archive_read_free(nested);
    // A member that libarchive cannot read on is not judged: that is doubt,
    // unless our reader listed its names already. A compressed file whose
    // content is no archive is a file, named above.
    if (result == kNestedUnreadable && (ours || compressed)) result = kNestedDone;
    if (result == kNestedUnreadable) result = kNestedDoubt;
    if (result == kNestedDoubt && ours) result = kNestedDone;
    if (result != kNestedDone) return result;
  }
}

}  // namespace

NestedResult ListNestedArchives(const std::string& path, const NestedLimits& limits, NestedNameSink sink,
                                void* context) {
  if (!Libarchive() || !sink) return kNestedUnreadable;
  Utf8Thread utf8;
  Walk walk{limits, sink, context};
  archive* a = OpenAnyArchive();
  if (!a) return kNestedUnreadable;
  NestedResult result = kNestedUnreadable;
  if (La().archive_read_open_filename(a, path.c_str(), 64 * 1024) == ARCHIVE_OK)
    result = WalkArchive(a, 0, std::string(), false, walk);
  La().archive_read_free(a);
  return result;
}

}  // namespace backends
