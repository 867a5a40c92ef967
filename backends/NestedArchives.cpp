#include "backends/NestedArchives.h"

#include <memory>
#include <vector>

#include "backends/ArchiveSignatures.h"
#include "backends/ByteSource.h"
#include "backends/LhaHeaders.h"
#include "backends/LibarchiveApi.h"
#include "backends/NameText.h"
#include "backends/TarHeaders.h"
#include "backends/ZipCentralDirectory.h"

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

NestedResult WalkArchive(archive* a, unsigned level, const std::string& path, bool nameMembers, Walk& walk) {
  archive_entry* entry = nullptr;
  std::string name;
  for (;;) {
    const int r = La().archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF) return kNestedDone;
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return level == 0 ? kNestedUnreadable : kNestedDoubt;
    // Each member counts once: one our reader named is not counted again.
    if ((nameMembers || level == 0) && ++walk.members > walk.limits.members) return kNestedMemberLimit;
    const char* raw = La().archive_entry_pathname(entry);
    RecordName(raw ? std::string(raw) : std::string(), name);
    const std::string memberPath = level == 0 ? name : path + "/" + name;
    if (nameMembers) walk.sink(walk.context, memberPath.data(), memberPath.size());
    if (La().archive_entry_filetype(entry) != AE_IFREG) continue;
    // The member's bytes, as far as they go and the limit allows; kept only
    // when they begin an archive.
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    bool isArchive = false;
    for (;;) {
      const la_ssize_t n = La().archive_read_data(a, chunk, sizeof chunk);
      if (n <= 0) break;
      if (!isArchive) {
        isArchive = BeginsArchive(chunk, static_cast<std::size_t>(n));
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
    // unless our reader listed its names already.
    if (result == kNestedUnreadable || (result == kNestedDoubt && ours)) result = ours ? kNestedDone : kNestedDoubt;
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
