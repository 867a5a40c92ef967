// The archive families of the libraries and the readers that list them.
#pragma once

#include <memory>
#include <string>

#include "backends/Member.h"

namespace backends {

enum class Family { Lha, Zip, Cab, Tar, Rar, SevenZip };

// How one library lists its archives.
struct Format {
  Family family;
  // A reader of the archive at path when it is an archive of the library's
  // (its members not handed out yet), or nullptr.
  std::unique_ptr<MemberReader> (*open)(const std::string& path);
  // GetArchiveType's answer; nullptr for 1 when open gives a reader, else 0.
  int (*archiveType)(const std::string& path);
};

// The ZIP library's format (ZipCentralDirectory.cpp): our reader alone, so
// that UNZIP32.DLL loads without libarchive.
extern const Format kZipFormat;
// The other libraries' formats (LibarchiveReader.cpp): our LHA and tar
// readers first, libarchive for the rest.
extern const Format kLhaFormat, kCabFormat, kTarFormat, kRarFormat, kSevenZipFormat;

// The reader of any family's format (tests).
std::unique_ptr<MemberReader> OpenMembers(Family family, const std::string& path);

// Sub-type of an archive of the tar family: 1 tar (or cpio, ar), 2 tar under
// gzip, 3 tar under compress, 4 a single gzip file, 5 a single compress file,
// 6 tar under bzip2, 7 a single bzip2 file; 0 when it is none of these
// (an xz- or zstd-compressed tar lists, but has no code); -1 when the file
// cannot be read.
int TarArchiveType(const std::string& path);

}  // namespace backends
