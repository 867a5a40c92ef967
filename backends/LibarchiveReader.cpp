#include "backends/LibarchiveReader.h"

#include <clocale>
#include <algorithm>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

#include "backends/ByteSource.h"
#include "backends/CabHeaders.h"
#include "backends/LibarchiveApi.h"
#include "backends/LhaHeaders.h"
#include "backends/LittleEndian.h"
#include "backends/NameText.h"
#include "backends/TarHeaders.h"
#include "backends/CompressedFile.h"
#include "backends/ZipCentralDirectory.h"
#include "platform/CodePage.h"

namespace backends {
namespace {

// libarchive's functions, where an archive object exists already: it was
// made through them, so they are loaded.
const LibarchiveApi& La() { return *Libarchive(); }

// Header charsets tried in turn for formats whose names are legacy bytes:
// archives from Japanese Windows first, then names left as stored. RAR gets
// none: libarchive turns its "\" separators into "/" byte by byte before any
// conversion, which breaks Shift_JIS characters whose second byte is 0x5C;
// ReadHeader undoes that on the bytes instead.
const char* const kLhaCharsets[] = {"lha:hdrcharset=CP932", nullptr};
const char* const kCabCharsets[] = {"cab:hdrcharset=CP932", nullptr};
const char* const kNoCharset[] = {nullptr};

struct Charsets {
  const char* const* list;
  std::size_t count;
};

Charsets CharsetsOf(Family family) {
  switch (family) {
    case Family::Lha: return {kLhaCharsets, 2};
    case Family::Cab: return {kCabCharsets, 2};
    default: return {kNoCharset, 1};
  }
}

void SupportFormats(archive* a, Family family, bool single) {
  switch (family) {
    case Family::Lha: La().archive_read_support_format_lha(a); break;
    case Family::Cab: La().archive_read_support_format_cab(a); break;
    case Family::Rar:
      La().archive_read_support_format_rar(a);
      La().archive_read_support_format_rar5(a);
      break;
    case Family::SevenZip: La().archive_read_support_format_7zip(a); break;
    case Family::Tar:
      La().archive_read_support_filter_gzip(a);
      La().archive_read_support_filter_compress(a);
      La().archive_read_support_filter_bzip2(a);
      La().archive_read_support_filter_xz(a);
      La().archive_read_support_filter_lzma(a);
      La().archive_read_support_filter_zstd(a);
      if (single) {
        La().archive_read_support_format_raw(a);
      } else {
        La().archive_read_support_filter_rpm(a);
        La().archive_read_support_format_tar(a);
        La().archive_read_support_format_gnutar(a);
        La().archive_read_support_format_cpio(a);
        La().archive_read_support_format_ar(a);
      }
      break;
    case Family::Zip: La().archive_read_support_format_zip(a); break;
  }
}

// The compression of the outermost filter that compresses: gzip, compress,
// bzip2, another one, or none.
int CompressionOf(archive* a) {
  const int count = La().archive_filter_count(a);
  int found = ARCHIVE_FILTER_NONE;
  for (int i = 0; i < count; ++i) {
    const int code = La().archive_filter_code(a, i);
    if (code != ARCHIVE_FILTER_NONE && code != ARCHIVE_FILTER_RPM) found = code;
  }
  return found;
}

// The first bytes of the file at path (a gzip header's stored name is in them).
std::vector<std::uint8_t> FileHead(const std::string& path) {
  std::vector<std::uint8_t> head;
  if (auto source = FileSource::Open(path)) {
    const std::uint64_t size = source->Size();
    const std::size_t length = static_cast<std::size_t>(size < 65536 ? size : 65536);
    if (const std::uint8_t* p = source->Bytes(0, length)) head.assign(p, p + length);
  }
  return head;
}

// The one member of a single compressed file: the name in the gzip header
// when there is one, else the archive's own name without its compression
// extension; the gzip header's time.
void SingleFileMember(const std::vector<std::uint8_t>& head, const std::vector<std::string>& names,
                      const std::string& path, Member& member) {
  member.Clear();
  if (head.size() >= 10 && head[0] == 0x1f && head[1] == 0x8b) {
    const std::uint32_t mtime = get32(head.data() + 4);
    if (mtime != 0) {
      member.writeTime = UnixToFileTime(mtime);
      member.hasWriteTime = true;
    }
  }
  if (!names.empty()) {
    member.name = names.back();  // the stored name, when there is one, comes last
  } else {
    const std::size_t slash = path.find_last_of('/');
    member.name = slash == std::string::npos ? path : path.substr(slash + 1);
  }
}

// The decompressed bytes of a compressed file (gzip, bzip2, compress, xz,
// lzma, zstd), through libarchive's filters and its raw format, as a byte
// source read forward only: bytes behind the last request are gone, a jump
// forward decompresses what lies between. Size() is known once the stream
// has been read to its end.
class DecompressedSource : public ByteSource {
 public:
  // nullptr unless path is a compressed file.
  static std::unique_ptr<DecompressedSource> Open(const std::string& path) {
    if (!Libarchive()) return nullptr;
    std::unique_ptr<DecompressedSource> source(new DecompressedSource());
    archive* a = source->archive_ = La().archive_read_new();
    if (!a) return nullptr;
    for (auto support : {La().archive_read_support_filter_gzip, La().archive_read_support_filter_bzip2,
                         La().archive_read_support_filter_compress, La().archive_read_support_filter_xz,
                         La().archive_read_support_filter_lzma, La().archive_read_support_filter_zstd})
      support(a);
    La().archive_read_support_format_raw(a);
    archive_entry* entry = nullptr;
    if (La().archive_read_open_filename(a, path.c_str(), 64 * 1024) != ARCHIVE_OK ||
        La().archive_read_next_header(a, &entry) != ARCHIVE_OK || CompressionOf(a) == ARCHIVE_FILTER_NONE)
      return nullptr;
    return source;
  }
  ~DecompressedSource() override {
    if (archive_) La().archive_read_free(archive_);
  }

  std::uint64_t Size() const override { return ended_ ? end_ : ~std::uint64_t{0}; }
  std::unique_ptr<ByteSource> Reopen() const override { return nullptr; }  // a stream: one reader

  const std::uint8_t* Bytes(std::uint64_t offset, std::size_t length) override {
    if (offset < start_) return nullptr;  // behind us: forward only
    // Forget what lies before offset (buffer_[head_] is the byte at start_).
    const std::uint64_t drop = std::min<std::uint64_t>(offset - start_, buffer_.size() - head_);
    head_ += static_cast<std::size_t>(drop);
    start_ += drop;
    while (start_ + (buffer_.size() - head_) < offset + length && !ended_) {
      if (head_ > 0) {  // room before reading more: move the kept bytes to the front
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
      }
      std::uint8_t chunk[kChunk];
      const la_ssize_t n = La().archive_read_data(archive_, chunk, sizeof chunk);
      if (n <= 0) {
        // The end, or damage: either way nothing more comes.
        ended_ = true;
        end_ = start_ + buffer_.size();
        break;
      }
      // Bytes that a jump goes over are not kept.
      const std::uint64_t skip =
          buffer_.empty() ? std::min<std::uint64_t>(offset - start_, static_cast<std::uint64_t>(n)) : 0;
      start_ += skip;
      buffer_.insert(buffer_.end(), chunk + skip, chunk + n);
    }
    if (start_ + (buffer_.size() - head_) < offset + length) return nullptr;
    return buffer_.data() + head_ + (offset - start_);
  }

 private:
  DecompressedSource() = default;
  static constexpr std::size_t kChunk = 64 * 1024;
  archive* archive_ = nullptr;
  std::vector<std::uint8_t> buffer_;
  std::size_t head_ = 0;     // the first byte still wanted
  std::uint64_t start_ = 0;  // offset of buffer_[head_] in the stream
  bool ended_ = false;
  std::uint64_t end_ = 0;
};

}  // namespace

std::unique_ptr<LibarchiveReader> LibarchiveReader::Open(Family family, const std::string& path) {
  std::unique_ptr<LibarchiveReader> reader(new LibarchiveReader(family, path));
  int singleCompression = ARCHIVE_FILTER_NONE;
  {
    Utf8Thread utf8;
    const Charsets charsets = CharsetsOf(family);
    for (std::size_t attempt = 0; attempt < charsets.count; ++attempt) {
      if (!reader->OpenAttempt(attempt, false)) continue;
      const ReadResult r = reader->ReadHeader(reader->pending_);
      if (r == ReadResult::Damaged) continue;
      // An empty tar is ours to tell (all zero to the end): libarchive takes
      // any zero block first for one.
      if (r == ReadResult::End && family == Family::Tar) break;
      reader->hasPending_ = r == ReadResult::Member;
      if (r == ReadResult::End) reader->Close();  // an archive without members
      return reader;
    }
    if (family == Family::Tar && reader->OpenAttempt(0, true) &&
        reader->ReadHeader(reader->pending_) == ReadResult::Member) {
      singleCompression = CompressionOf(reader->archive_);
    }
  }
  // Outside the UTF-8 thread locale: names are the process's code page here.
  if (singleCompression == ARCHIVE_FILTER_GZIP || singleCompression == ARCHIVE_FILTER_COMPRESS ||
      singleCompression == ARCHIVE_FILTER_BZIP2 || singleCompression == ARCHIVE_FILTER_XZ ||
      singleCompression == ARCHIVE_FILTER_LZMA || singleCompression == ARCHIVE_FILTER_ZSTD) {
    const std::vector<std::uint8_t> head = FileHead(path);
    const std::vector<std::string> names = DecompressedNames(path, head.data(), head.size());
    SingleFileMember(head, names, path, reader->pending_);
    reader->hasPending_ = true;
    // The other name the decompressed file can get follows the member.
    for (const std::string& name : names)
      if (name != reader->pending_.name) reader->otherNames_.push_back(name);
    return reader;
  }
  return nullptr;
}

LibarchiveReader::~LibarchiveReader() {
  Utf8Thread utf8;
  Close();
}

void LibarchiveReader::Close() {
  if (archive_) La().archive_read_free(archive_);
  archive_ = nullptr;
}

bool LibarchiveReader::OpenAttempt(std::size_t attempt, bool single) {
  Close();
  attempt_ = attempt;
  single_ = single;
  handedOut_ = 0;
  if (!Libarchive()) return false;  // nothing of libarchive's formats opens
  archive_ = La().archive_read_new();
  if (!archive_) return false;
  SupportFormats(archive_, family_, single);
  const Charsets charsets = CharsetsOf(family_);
  if (attempt < charsets.count && charsets.list[attempt])
    La().archive_read_set_options(archive_, charsets.list[attempt]);
  return La().archive_read_open_filename(archive_, path_.c_str(), 64 * 1024) == ARCHIVE_OK;
}

// The next header, after the headers handed out so far. A header that the
// current charset cannot convert makes the next charset's attempt start over
// and skip the members already handed out.
bool LibarchiveReader::Reopen() {
  const std::uint64_t skip = handedOut_;
  const Charsets charsets = CharsetsOf(family_);
  if (single_ || attempt_ + 1 >= charsets.count) return false;
  if (!OpenAttempt(attempt_ + 1, false)) return false;
  Member scratch;
  for (std::uint64_t i = 0; i < skip; ++i) {
    if (ReadHeader(scratch) != ReadResult::Member) return false;
  }
  return true;
}

ReadResult LibarchiveReader::ReadHeader(Member& member) {
  archive_entry* entry = nullptr;
  const int r = La().archive_read_next_header(archive_, &entry);
  if (r == ARCHIVE_EOF) return ReadResult::End;
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return ReadResult::Damaged;
  ++handedOut_;

  member.Clear();
  if (const char* name = La().archive_entry_pathname(entry)) {
    member.name = name;
  } else if (const char* utf8 = La().archive_entry_pathname_utf8(entry)) {
    member.name = utf8;
  } else if (const wchar_t* wide = La().archive_entry_pathname_w(entry)) {
    for (; *wide; ++wide) platform::AppendUtf8(member.name, static_cast<char32_t>(*wide));
  } else {
    member.name = "?";
  }
  if (family_ == Family::Rar && !IsValidUtf8(member.name.data(), member.name.size())) {
    // A legacy RAR name (Shift_JIS from Japanese Windows): every "/" here was
    // a 0x5C byte, a separator or the second byte of a character, since
    // Windows names hold no "/". Back to 0x5C; the record shows "\" anyway.
    for (char& c : member.name)
      if (c == '/') c = '\\';
  }
  if (La().archive_entry_size_is_set(entry) && La().archive_entry_size(entry) >= 0) {
    member.originalSize = static_cast<std::uint64_t>(La().archive_entry_size(entry));
    member.hasOriginalSize = true;
  }
  if (La().archive_entry_mtime_is_set(entry)) {
    member.writeTime = UnixToFileTime(La().archive_entry_mtime(entry), La().archive_entry_mtime_nsec(entry));
    member.hasWriteTime = true;
  }
  if (La().archive_entry_atime_is_set(entry)) {
    member.accessTime = UnixToFileTime(La().archive_entry_atime(entry), La().archive_entry_atime_nsec(entry));
    member.hasAccessTime = true;
  }
  if (La().archive_entry_birthtime_is_set(entry)) {
    member.createTime = UnixToFileTime(La().archive_entry_birthtime(entry), La().archive_entry_birthtime_nsec(entry));
    member.hasCreateTime = true;
  }
  const mode_t mode = La().archive_entry_mode(entry);
  if (La().archive_entry_filetype(entry) == AE_IFDIR) member.attributes |= kAttrDirectory;
  if (mode != 0 && !(mode & 0200)) member.attributes |= kAttrReadOnly;
  if (!(member.attributes & kAttrDirectory)) member.attributes |= kAttrArchive;
  member.isDirectory = (member.attributes & kAttrDirectory) != 0;
  member.encrypted = La().archive_entry_is_encrypted(entry) != 0;
  if (family_ == Family::Lha) {
    // libarchive names the format with the member's method: "lha -lh5-".
    const char* format = La().archive_format_name(archive_);
    const char* method = format ? std::strchr(format, ' ') : nullptr;
    if (method) member.SetMethod(method + 1);
  }
  return ReadResult::Member;
}

ReadResult LibarchiveReader::Next(Member& member) {
  if (hasPending_) {
    hasPending_ = false;
    std::swap(member, pending_);
    return ReadResult::Member;
  }
  if (!otherNames_.empty()) {
    member.Clear();
    member.name.swap(otherNames_.back());
    otherNames_.pop_back();
    return ReadResult::Member;
  }
  if (!archive_) return ReadResult::End;
  Utf8Thread utf8;
  for (;;) {
    const ReadResult r = ReadHeader(member);
    if (r != ReadResult::Damaged) {
      if (r == ReadResult::End) Close();
      return r;
    }
    if (!Reopen()) {
      Close();
      return ReadResult::Damaged;
    }
  }
}

namespace {

std::unique_ptr<MemberReader> OpenLha(const std::string& path) {
  // From its headers by our own reader: libarchive converts each name
  // through wide characters, which costs more than all the rest
  // (bench/README.md). Self-extracting archives (no header at the start)
  // stay with libarchive, which searches for the first header.
  if (std::unique_ptr<MemberReader> reader = OpenLhaHeaders(FileSource::Open(path))) return reader;
  return LibarchiveReader::Open(Family::Lha, path);
}

std::unique_ptr<MemberReader> OpenTar(const std::string& path) {
  // Plain tar from its headers by our own reader, for the same reason, and
  // compressed tar the same way over its decompressed bytes.
  if (std::unique_ptr<MemberReader> reader = OpenTarHeaders(FileSource::Open(path))) return reader;
  if (std::unique_ptr<MemberReader> reader = OpenTarHeaders(DecompressedSource::Open(path))) {
    // The decompressed file is a file of its own (gunzip writes it): its
    // names are judged first, unless they only name the tar being listed.
    const std::vector<std::uint8_t> head = FileHead(path);
    std::vector<std::string> names;
    for (const std::string& name : DecompressedNames(path, head.data(), head.size())) {
      const std::size_t dot = name.rfind('.');
      if (dot == std::string::npos || !platform::AnsiSameText(name.substr(dot), ".tar")) names.push_back(name);
    }
    if (names.empty()) return reader;
    return std::unique_ptr<MemberReader>(new NamesFirstReader(std::move(names), std::move(reader)));
  }
  return LibarchiveReader::Open(Family::Tar, path);
}

std::unique_ptr<MemberReader> OpenCab(const std::string& path) {
  // From its file records by our own reader: libarchive converts each DOS
  // time through mktime, which looks at the zone file every time (TZ unset),
  // and each name through wide characters. Self-extracting cabinets stay
  // with libarchive, which searches for the header.
  if (std::unique_ptr<MemberReader> reader = OpenCabHeaders(FileSource::Open(path))) return reader;
  return LibarchiveReader::Open(Family::Cab, path);
}

template <Family family>
std::unique_ptr<MemberReader> OpenWithLibarchive(const std::string& path) {
  return LibarchiveReader::Open(family, path);
}

}  // namespace

const Format kLhaFormat = {Family::Lha, OpenLha, nullptr};
const Format kCabFormat = {Family::Cab, OpenCab, nullptr};
const Format kTarFormat = {Family::Tar, OpenTar, TarArchiveType};
const Format kRarFormat = {Family::Rar, OpenWithLibarchive<Family::Rar>, nullptr};
const Format kSevenZipFormat = {Family::SevenZip, OpenWithLibarchive<Family::SevenZip>, nullptr};

std::unique_ptr<MemberReader> OpenMembers(Family family, const std::string& path) {
  for (const Format* format : {&kZipFormat, &kLhaFormat, &kCabFormat, &kTarFormat, &kRarFormat, &kSevenZipFormat}) {
    if (format->family == family) return format->open(path);
  }
  return nullptr;
}

int TarArchiveType(const std::string& path) {
  if (::access(path.c_str(), R_OK) != 0) return -1;
  if (!Libarchive()) return 0;
  Utf8Thread utf8;
  for (bool single : {false, true}) {
    archive* a = La().archive_read_new();
    if (!a) return -1;
    SupportFormats(a, Family::Tar, single);
    archive_entry* entry = nullptr;
    int code = 0;
    if (La().archive_read_open_filename(a, path.c_str(), 64 * 1024) == ARCHIVE_OK) {
      const int r = La().archive_read_next_header(a, &entry);
      if (r == ARCHIVE_OK || r == ARCHIVE_WARN) {
        switch (CompressionOf(a)) {
          case ARCHIVE_FILTER_NONE: code = single ? 0 : 1; break;
          case ARCHIVE_FILTER_GZIP: code = single ? 4 : 2; break;
          case ARCHIVE_FILTER_COMPRESS: code = single ? 5 : 3; break;
          case ARCHIVE_FILTER_BZIP2: code = single ? 7 : 6; break;
          // The API has no codes for these; the gzip ones are the nearest,
          // and with them the façade lists such an archive at all.
          case ARCHIVE_FILTER_XZ:
          case ARCHIVE_FILTER_LZMA:
          case ARCHIVE_FILTER_ZSTD: code = single ? 4 : 2; break;
          default: code = 0; break;
        }
      }
    }
    La().archive_read_free(a);
    if (code != 0) return code;
  }
  return 0;
}

}  // namespace backends
