// The archive library's exceptions and their message texts.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace archives {

// Fills the positional placeholders "%0:s", "%1:s"... of a message; "%%"
// gives one "%". A placeholder without an argument is left as it stands.
std::string FormatMessageText(const std::string& format, const std::vector<std::string>& args);

// Base of every exception the archive library raises; carries the message.
class EArchiver : public std::runtime_error {
 public:
  explicit EArchiver(const std::string& message) : std::runtime_error(message) {}
};

// A format's library cannot be loaded.
class ENoArchiverDLL : public EArchiver {
 public:
  ENoArchiverDLL(const std::string& description, const std::string& dllName);
};

// A required entry is missing from a library.
class EEntryNotFound : public EArchiver {
 public:
  explicit EEntryNotFound(const std::string& message) : EArchiver(message) {}
  // "<module path> に <entry> のエントリが見つかりません。"
  static EEntryNotFound InModule(const std::string& modulePath, const std::string& entryName);
  // "<entry> のエントリが DLL に見つかりませんでした。" (the ZIP libraries)
  static EEntryNotFound InAnyDll(const std::string& entryName);
};

// A file needed to build a self-extracting archive is missing.
class ESfxNoRequiredFile : public EArchiver {
 public:
  ESfxNoRequiredFile(const std::string& archiveKind, const std::string& platform, const std::string& requiredFile);
  const std::string ArchiveKind;
  const std::string Platform;
  const std::string RequiredFile;
};

// A caller broke a precondition of the library (a builder's required option
// left unset). A programming error, deliberately not an EArchiver: whoever
// handles the library's failures does not swallow it by accident.
class EAssertionFailed : public std::logic_error {
 public:
  explicit EAssertionFailed(const std::string& message) : std::logic_error(message) {}
};

// Message texts of the library.
namespace msg {
extern const char* const kNoArchiverDll;      // "%0:s を扱うには %1:s が 必要です。"
extern const char* const kEntryNotFound;      // "%0:s に %1:s のエントリが見つかりません。"
extern const char* const kZipEntryNotFound;   // "%0:s のエントリが DLL に見つかりませんでした。"
extern const char* const kTypeNotSpecified;   // "書庫の形式を特定できませんでした。"
extern const char* const kTypeNotDetermined;  // "書庫の形式を判別できません。"
// Operations a format does not offer.
extern const char* const kNoPack;
extern const char* const kNoDelete;
extern const char* const kNoUpdate;
extern const char* const kNoSfx;
extern const char* const kNoExtractMem;
// Options a builder requires.
extern const char* const kJseNotSet;
extern const char* const kJsoNotSet;
// Missing ZIP libraries.
extern const char* const kZipNoUnpacker;
extern const char* const kZipNoPacker;
// Self-extracting archives.
extern const char* const kBz2NoSfx;
extern const char* const kNo16BitSfx;
extern const char* const kYz1NoDosStub;  // "%0:s": the stub's name
extern const char* const kYz1NoWin32Stub;
extern const char* const kYz1SfxTooLarge;
extern const char* const kSfxOutputIsArchive;  // "%0:s": kind, "%1:s": the output
}  // namespace msg

}  // namespace archives
