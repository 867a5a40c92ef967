// The steps that making a self-extracting program shares between formats:
// finding the extractor stub, naming the output, refusing what cannot be done
// before any file is touched, and joining stub and archive into the output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace archives {
namespace sfx {

// The full path of a stub file: searched in folder when it is not empty,
// otherwise in the system's default order (the program's folder, the current
// folder, the system folders, the PATH). Empty when it is not found.
std::string SearchStub(const std::string& fileName, const std::string& folder = "");

// The 7-Zip folder: the text value "Path" of HKLM\SOFTWARE\7-ZIP, opened for
// reading and never created. Empty when the key or the value is missing.
std::string SevenZipFolder();

// The output's name: archiveName with its extension replaced by extension
// (appended when it has none). With a folder (neither empty nor the not-set
// marker), the output goes there: the file-name part is appended to it, with
// a path separator between them unless the folder's last whole character
// already is one.
std::string OutputName(const std::string& archiveName, const std::string& extension, const std::string& folder);

// Raises EArchiver when output names the archive itself: creating the output
// would truncate the archive it is to be made from. Names are compared as
// full paths, without regard to letter case, and then the files themselves
// (platform::IsSameFile), so no second name for the archive gets through.
void RefuseOutputOnArchive(const std::string& archiveKind, const std::string& archiveName, const std::string& output);

// The size trailer of a YZ1 self-extracting archive: four bytes, most
// significant first.
std::string BigEndianSize(std::uint32_t size);
// Whether the trailer can describe an archive of this many bytes.
constexpr bool FitsSizeTrailer(std::uint64_t size) { return size <= 0xFFFFFFFFull; }
// Raises EArchiver for an archive the trailer cannot describe (4 GiB or more).
void RefuseYz1Size(std::uint64_t size);

// Opens every source (each whole, in order, others allowed to read it but
// not to write it), then creates output (replacing an existing file) and
// writes the sources into it, then trailer. A file that
// cannot be opened, created, read or written raises platform::FileError; no
// output is created when a source cannot be opened, and a partly written
// output stays where it is.
void JoinFiles(const std::string& output, const std::vector<std::string>& sources,
               const std::string& trailer = std::string());

}  // namespace sfx
}  // namespace archives
