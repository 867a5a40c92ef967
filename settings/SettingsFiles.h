// The two settings files beside the executable: the watch list
// "checklst.ini" (one extension per line) and the executable's INI file, whose
// section "Software" holds the archiver program for each archive type.
//
// Readers raise platform::FileError for a file that exists but cannot be read;
// writers raise it for a file that cannot be written. Writers replace the file
// in one step (platform::RewriteFile), so a failed write leaves the old file
// as it was; in a folder that takes no new file they write it in place.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace settings {

using WatchList = std::vector<std::string>;

// Seven archiver program paths: index 0 the general archiver, 1 to 6 those of
// lzh, zip, cab, 7z, rar and gca. Empty means not set.
constexpr std::size_t kArchiverPathCount = 7;
using ArchiverPaths = std::array<std::string, kArchiverPathCount>;

// The INI keys of the seven paths, in index order, in the letter case written.
extern const std::array<const char*, kArchiverPathCount> kArchiverPathKeys;

// The archive types with an archiver of their own, in index order from 1:
// kArchiveTypeExtensions[i] belongs to ArchiverPaths[i + 1].
constexpr std::size_t kArchiveTypeCount = kArchiverPathCount - 1;
extern const std::array<const char*, kArchiveTypeCount> kArchiveTypeExtensions;

// Section of the INI file that holds the seven paths.
extern const char kSoftwareSection[];

// "checklst.ini" in the executable's folder.
std::string WatchListPath();

// The executable's full path with its extension replaced by ".ini".
std::string SettingsIniPath();

// The watch list at WatchListPath(), or at path. A missing file gives the
// default list (DefaultWatchList, ConfigRules.h); an existing empty file gives
// an empty list. A UTF-8 signature at the very start is skipped. Lines end at
// CR LF, a lone CR or a lone LF; reading stops at a NUL byte. Each line is one
// entry, taken as the settings dialog's add prompt takes an answer
// (NormalizeAddedExtension: dots removed, lower-cased, trimmed); an empty line
// stays an empty entry, which matches names without an extension.
WatchList LoadWatchList();
WatchList LoadWatchList(const std::string& path);

// Writes every entry followed by CR LF (an empty list gives an empty file).
void SaveWatchList(const WatchList& list);
void SaveWatchList(const std::string& path, const WatchList& list);

// The bytes of a watch-list file, and the list read from such bytes.
std::string WatchListBytes(const WatchList& list);
WatchList ParseWatchList(const std::string& bytes);

// The seven paths from section "Software"; missing file, section or key read
// as empty. A UTF-8 signature at the very start of the file is skipped.
ArchiverPaths ReadArchiverPaths();
ArchiverPaths ReadArchiverPaths(const std::string& path);

// Sets the seven keys of section "Software" in index order and rewrites the
// file; other sections and entries stay, comments and blank lines do not.
void WriteArchiverPaths(const ArchiverPaths& paths);
void WriteArchiverPaths(const std::string& path, const ArchiverPaths& paths);

}  // namespace settings
