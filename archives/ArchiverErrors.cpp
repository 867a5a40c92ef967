#include "archives/ArchiverErrors.h"

namespace archives {

namespace msg {
const char* const kNoArchiverDll = "%0:s を扱うには %1:s が 必要です。";
const char* const kEntryNotFound = "%0:s に %1:s のエントリが見つかりません。";
const char* const kZipEntryNotFound = "%0:s のエントリが DLL に見つかりませんでした。";
const char* const kTypeNotSpecified = "書庫の形式を特定できませんでした。";
const char* const kTypeNotDetermined = "書庫の形式を判別できません。";
const char* const kNoPack = "この形式では書庫ファイルの作成をサポートしておりません。";
const char* const kNoDelete = "この形式の書庫ではファイルの削除をサポートしておりません。";
const char* const kNoUpdate = "この形式の書庫では書庫の更新をサポートしておりません。";
const char* const kNoSfx = "この形式では自己解凍書庫の作成をサポートしておりません。";
const char* const kNoExtractMem = "この形式ではメモリ展開をサポートしておりません。";
const char* const kJseNotSet = "jse オプションが設定されていません。";
const char* const kJsoNotSet = "jso オプションが設定されていません。";
const char* const kZipNoUnpacker = "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。";
const char* const kZipNoPacker = "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。";
const char* const kBz2NoSfx = "BZ2 形式書庫は自己解凍形式にできません。";
const char* const kNo16BitSfx = "16bit SFX を作成することはできません。";
const char* const kYz1NoDosStub = "yz1 書庫からのDOS自己解凍書庫の作成には %0:s が必要です。";
const char* const kYz1NoWin32Stub = "yz1 書庫からのWin32自己解凍書庫の作成には yzw32cui.sfx か yzdec.exe が必要です。";
const char* const kYz1SfxTooLarge = "4 GB 以上の yz1 書庫は自己解凍形式にできません。";
const char* const kSfxOutputIsArchive = "%0:s 書庫からの自己解凍書庫の出力先 '%1:s' が元の書庫ファイルと同じです。";
}  // namespace msg

std::string FormatMessageText(const std::string& format, const std::vector<std::string>& args) {
  // A placeholder starts at "%", a byte below 0x40 that is never the trail
  // byte of a double-byte character, so a byte walk finds only real ones.
  std::string out;
  std::size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    std::size_t j = i + 1;
    std::size_t index = 0;
    bool haveDigits = false;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9' && j - i < 6) {
      index = index * 10 + static_cast<std::size_t>(format[j] - '0');
      haveDigits = true;
      ++j;
    }
    if (haveDigits && j + 1 < format.size() && format[j] == ':' && format[j + 1] == 's' && index < args.size()) {
      out += args[index];
      i = j + 2;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

ENoArchiverDLL::ENoArchiverDLL(const std::string& description, const std::string& dllName)
    : EArchiver(FormatMessageText(msg::kNoArchiverDll, {description, dllName})) {}

EEntryNotFound EEntryNotFound::InModule(const std::string& modulePath, const std::string& entryName) {
  return EEntryNotFound(FormatMessageText(msg::kEntryNotFound, {modulePath, entryName}));
}

EEntryNotFound EEntryNotFound::InAnyDll(const std::string& entryName) {
  return EEntryNotFound(FormatMessageText(msg::kZipEntryNotFound, {entryName}));
}

ESfxNoRequiredFile::ESfxNoRequiredFile(const std::string& archiveKind, const std::string& platform,
                                       const std::string& requiredFile)
    : EArchiver(archiveKind + " 書庫からの" + platform + "自己解凍書庫の作成には '" + requiredFile +
                "' ファイルが必要です。"),
      ArchiveKind(archiveKind),
      Platform(platform),
      RequiredFile(requiredFile) {}

}  // namespace archives
