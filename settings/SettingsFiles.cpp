#include "settings/SettingsFiles.h"

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "settings/ConfigRules.h"
#include "settings/IniFile.h"

namespace settings {

const std::array<const char*, kArchiverPathCount> kArchiverPathKeys = {"ArchiverPath", "lzhPath", "zipPath", "cabPath",
                                                                       "7zPath",       "rarPath", "gcaPath"};

const std::array<const char*, kArchiveTypeCount> kArchiveTypeExtensions = {"lzh", "zip", "cab", "7z", "rar", "gca"};

const char kSoftwareSection[] = "Software";

namespace {

const char kWatchListFileName[] = "checklst.ini";

const char kUtf8Signature[] = "\xEF\xBB\xBF";

// The file's bytes when a file exists at path, else false. A path that names a
// folder counts as missing. Editors such as Notepad may save either file with
// a UTF-8 signature; it is no part of the first line. This program never
// writes one.
bool ReadIfExists(const std::string& path, std::string& bytes) {
  if (!platform::FileExists(path)) return false;
  bytes = platform::ReadWholeFile(path);
  if (bytes.compare(0, sizeof kUtf8Signature - 1, kUtf8Signature) == 0) bytes.erase(0, sizeof kUtf8Signature - 1);
  return true;
}

}  // namespace

std::string WatchListPath() {
  return platform::JoinPath(platform::ExtractFilePath(platform::ExecutablePath()), kWatchListFileName);
}

std::string SettingsIniPath() { return platform::ChangeFileExt(platform::ExecutablePath(), ".ini"); }

std::string WatchListBytes(const WatchList& list) {
  std::string bytes;
  for (const std::string& entry : list) bytes += entry + "\r\n";
  return bytes;
}

WatchList ParseWatchList(const std::string& bytes) {
  // A hand-edited "EXE", " exe" or ".exe" would show in the dialog but never
  // match: each entry is taken as the add prompt stores an answer. What the
  // program wrote is already in that form and reads unchanged.
  WatchList list = platform::SplitLines(bytes.substr(0, bytes.find('\0')));
  for (std::string& entry : list) entry = NormalizeAddedExtension(entry);
  return list;
}

WatchList LoadWatchList() { return LoadWatchList(WatchListPath()); }

WatchList LoadWatchList(const std::string& path) {
  std::string bytes;
  if (!ReadIfExists(path, bytes)) return DefaultWatchList();
  return ParseWatchList(bytes);
}

void SaveWatchList(const WatchList& list) { SaveWatchList(WatchListPath(), list); }

void SaveWatchList(const std::string& path, const WatchList& list) {
  platform::RewriteFile(path, WatchListBytes(list));
}

ArchiverPaths ReadArchiverPaths() { return ReadArchiverPaths(SettingsIniPath()); }

ArchiverPaths ReadArchiverPaths(const std::string& path) {
  ArchiverPaths paths;
  std::string bytes;
  if (!ReadIfExists(path, bytes)) return paths;
  IniFile ini = IniFile::Parse(bytes);
  for (std::size_t i = 0; i < kArchiverPathCount; ++i) {
    paths[i] = ini.ReadString(kSoftwareSection, kArchiverPathKeys[i]);
  }
  return paths;
}

void WriteArchiverPaths(const ArchiverPaths& paths) { WriteArchiverPaths(SettingsIniPath(), paths); }

void WriteArchiverPaths(const std::string& path, const ArchiverPaths& paths) {
  std::string bytes;
  IniFile ini = ReadIfExists(path, bytes) ? IniFile::Parse(bytes) : IniFile();
  for (std::size_t i = 0; i < kArchiverPathCount; ++i) {
    ini.WriteString(kSoftwareSection, kArchiverPathKeys[i], paths[i]);
  }
  platform::RewriteFile(path, ini.ToBytes());
}

}  // namespace settings
