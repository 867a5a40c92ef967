#include "archives/ArchiverDll.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "archives/ArchiverErrors.h"
#include "platform/FileTime.h"

namespace archives {

const char* const TCustomArchiverDll::kEntrySuffixes[kEntryCount] = {
    "",
    "OpenArchive",
    "CloseArchive",
    "FindFirst",
    "FindNext",
    "ExtractMem",
    "CheckArchive",
    "SetOwnerWindowEx",
    "KillOwnerWindowEx",
    "GetWriteTimeEx",
    "GetCreateTimeEx",
    "GetAccessTimeEx",
    "GetOriginalSizeEx",
    "GetCompressedSizeEx",
    "GetArchiveType",
    "SetEnumMembersProc64",
    "ClearEnumMembersProc64",
};

bool BindEntry(void*& slot, platform::LibraryHandle module, const std::string& entryName,
               bool raiseIfMissing) {
  if (slot) return true;
  slot = module ? platform::FindEntry(module, entryName.c_str()) : nullptr;
  if (slot) return true;
  if (raiseIfMissing) throw EEntryNotFound::InModule(platform::LibraryPath(module, 257), entryName);
  return false;
}

bool DosTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result) {
  if (dosDate == 0 && dosTime == 0) {
    result = 0;
    return true;
  }
  return platform::DosDateTimeToUtcFileTime(dosDate, dosTime, result);
}

// ---- TCustomArchiverDll -------------------------------------------------

TCustomArchiverDll::~TCustomArchiverDll() {
  // Only the slots: a derived binding has already freed its library.
  TCustomArchiverDll::FreeDLL();
}

void TCustomArchiverDll::FreeDLL() {
  for (void*& entry : entries_) entry = nullptr;
}

void* TCustomArchiverDll::Required(Entry entry) const {
  if (!entries_[entry]) {
    throw EEntryNotFound::InModule(platform::LibraryPath(nullptr, 257),
                                   kEntrySuffixes[entry]);
  }
  return entries_[entry];
}

int TCustomArchiverDll::Command(ArcWindow window, const std::string& /*archiveName*/,
                                const std::string& commandLine, char* output,
                                std::uint32_t outputSize) {
  Required(eCommand);
  return As<CommandEntry>(eCommand)(window, commandLine.c_str(), outputSize == 0 ? nullptr : output,
                                    outputSize);
}

int TCustomArchiverDll::PackCommand(ArcWindow window, const std::string& archiveName,
                                    const std::string& commandLine, char* output,
                                    std::uint32_t outputSize) {
  return Command(window, archiveName, commandLine, output, outputSize);
}

ArcBool TCustomArchiverDll::CheckArchive(const std::string& fileName, int mode) {
  Required(eCheckArchive);
  return As<CheckArchiveEntry>(eCheckArchive)(fileName.c_str(), mode);
}

int TCustomArchiverDll::CloseArchive(ArcHandle archive) {
  Required(eCloseArchive);
  return As<CloseArchiveEntry>(eCloseArchive)(archive);
}

int TCustomArchiverDll::ExtractMem(ArcWindow window, const std::string& commandLine,
                                   unsigned char* buffer, std::uint32_t bufferSize, void* time,
                                   std::uint16_t* attribute, std::uint32_t* writtenSize) {
  Required(eExtractMem);
  return As<ExtractMemEntry>(eExtractMem)(window, commandLine.c_str(), buffer, bufferSize, time,
                                          attribute, writtenSize);
}

int TCustomArchiverDll::FindFirst(ArcHandle archive, const std::string& wildcard,
                                  TMemberInfo& info) {
  Required(eFindFirst);
  int result = As<FindFirstEntry>(eFindFirst)(archive, wildcard.c_str(), &info);
  if (result == 0) FillExtendedInfo(archive, info);
  return result;
}

int TCustomArchiverDll::FindNext(ArcHandle archive, TMemberInfo& info) {
  Required(eFindNext);
  int result = As<FindNextEntry>(eFindNext)(archive, &info);
  if (result == 0) FillExtendedInfo(archive, info);
  return result;
}

ArcBool TCustomArchiverDll::KillOwnerWindowEx(ArcWindow window) {
  auto entry = As<KillOwnerWindowExEntry>(eKillOwnerWindowEx);
  return entry ? entry(window) : 0;
}

ArcHandle TCustomArchiverDll::OpenArchive(ArcWindow window, const std::string& fileName,
                                          std::uint32_t mode) {
  Required(eOpenArchive);
  return As<OpenArchiveEntry>(eOpenArchive)(window, fileName.c_str(), mode);
}

ArcBool TCustomArchiverDll::SetOwnerWindowEx(ArcWindow window, ArchiverProc callback) {
  auto entry = As<SetOwnerWindowExEntry>(eSetOwnerWindowEx);
  return entry ? entry(window, callback) : 0;
}

ArcBool TCustomArchiverDll::GetWriteTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  auto entry = As<GetTimeExEntry>(eGetWriteTimeEx);
  return entry ? entry(archive, &fileTime) : 0;
}

ArcBool TCustomArchiverDll::GetCreateTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  auto entry = As<GetTimeExEntry>(eGetCreateTimeEx);
  return entry ? entry(archive, &fileTime) : 0;
}

ArcBool TCustomArchiverDll::GetAccessTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  auto entry = As<GetTimeExEntry>(eGetAccessTimeEx);
  return entry ? entry(archive, &fileTime) : 0;
}

ArcBool TCustomArchiverDll::GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size) {
  auto entry = As<GetSizeExEntry>(eGetOriginalSizeEx);
  return entry ? entry(archive, &size) : 0;
}

ArcBool TCustomArchiverDll::GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size) {
  auto entry = As<GetSizeExEntry>(eGetCompressedSizeEx);
  return entry ? entry(archive, &size) : 0;
}

int TCustomArchiverDll::GetArchiveType(const std::string& fileName) {
  Required(eGetArchiveType);
  return As<GetArchiveTypeEntry>(eGetArchiveType)(fileName.c_str());
}

ArcBool TCustomArchiverDll::SetEnumMembersProc64(void* first, void* second) {
  auto entry = As<SetEnumMembersProc64Entry>(eSetEnumMembersProc64);
  return entry ? entry(first, second) : 0;
}

ArcBool TCustomArchiverDll::ClearEnumMembersProc64() {
  auto entry = As<ClearEnumMembersProc64Entry>(eClearEnumMembersProc64);
  return entry ? entry() : 0;
}

namespace {

// The record is packed, so its 64-bit fields are not aligned: they are read
// and written through memcpy at their offsets, never through a reference.
std::uint64_t Read64(const TMemberInfo& info, std::size_t offset) {
  std::uint64_t value;
  std::memcpy(&value, reinterpret_cast<const unsigned char*>(&info) + offset, sizeof value);
  return value;
}

void Write64(TMemberInfo& info, std::size_t offset, std::uint64_t value) {
  std::memcpy(reinterpret_cast<unsigned char*>(&info) + offset, &value, sizeof value);
}

}  // namespace

void TCustomArchiverDll::FillExtendedInfo(ArcHandle archive, TMemberInfo& info) {
  using TimeGetter = ArcBool (TCustomArchiverDll::*)(ArcHandle, std::uint64_t&);
  const struct {
    TimeGetter getter;
    std::size_t offset;
  } times[] = {
      {&TCustomArchiverDll::GetWriteTimeEx, offsetof(TMemberInfo, LastWriteTime)},
      {&TCustomArchiverDll::GetAccessTimeEx, offsetof(TMemberInfo, LastAccessTime)},
      {&TCustomArchiverDll::GetCreateTimeEx, offsetof(TMemberInfo, CreationTime)},
  };
  // The three fallbacks convert the same DOS date and time: at most once
  // per record, and only when an entry does not answer.
  enum { kNotConverted, kConverted, kNotConvertible } dosTimeState = kNotConverted;
  std::uint64_t dosTime = 0;
  for (const auto& time : times) {
    std::uint64_t value = Read64(info, time.offset);
    if ((this->*time.getter)(archive, value) != 0) {
      Write64(info, time.offset, value);
      continue;
    }
    if (dosTimeState == kNotConverted) {
      dosTimeState = DosTimeToFileTime(info.DosDate, info.DosTime, dosTime) ? kConverted : kNotConvertible;
    }
    if (dosTimeState == kConverted) Write64(info, time.offset, dosTime);
  }

  std::uint64_t size = 0;
  Write64(info, offsetof(TMemberInfo, OriginalSize64),
          GetOriginalSizeEx(archive, size) != 0 ? size : info.OriginalSize);
  size = 0;
  Write64(info, offsetof(TMemberInfo, CompressedSize64),
          GetCompressedSizeEx(archive, size) != 0 ? size : info.CompressedSize);
}

// ---- TArchiverDll -------------------------------------------------------

TArchiverDll::TArchiverDll(std::string description, std::string dllName, std::string prefix)
    : description_(std::move(description)), dllName_(std::move(dllName)), prefix_(std::move(prefix)) {}

TArchiverDll::~TArchiverDll() { TArchiverDll::FreeDLL(); }

void TArchiverDll::LoadDLL() {
  if (!moduleHandle_) moduleHandle_ = platform::LoadDynamicLibrary(dllName_);
  if (!moduleHandle_) throw ENoArchiverDLL(description_, dllName_);
}

void TArchiverDll::FreeDLL() {
  TCustomArchiverDll::FreeDLL();
  if (moduleHandle_) {
    platform::FreeDynamicLibrary(moduleHandle_);
    moduleHandle_ = nullptr;
  }
}

bool TArchiverDll::BindNamed(void*& slot, const std::string& suffix, bool raiseIfMissing) {
  return BindEntry(slot, moduleHandle_, prefix_ + suffix, raiseIfMissing);
}

bool TArchiverDll::Bind(Entry entry, bool raiseIfMissing) {
  if (Slot(entry)) return true;  // bound once and kept: no name to build per call
  return BindNamed(Slot(entry), kEntrySuffixes[entry], raiseIfMissing);
}

int TArchiverDll::Command(ArcWindow window, const std::string& archiveName,
                          const std::string& commandLine, char* output, std::uint32_t outputSize) {
  LoadDLL();
  Bind(eCommand, true);
  return TCustomArchiverDll::Command(window, archiveName, commandLine, output, outputSize);
}

ArcBool TArchiverDll::CheckArchive(const std::string& fileName, int mode) {
  LoadDLL();
  Bind(eCheckArchive, true);
  return TCustomArchiverDll::CheckArchive(fileName, mode);
}

int TArchiverDll::CloseArchive(ArcHandle archive) {
  LoadDLL();
  Bind(eCloseArchive, true);
  return TCustomArchiverDll::CloseArchive(archive);
}

int TArchiverDll::ExtractMem(ArcWindow window, const std::string& commandLine, unsigned char* buffer,
                             std::uint32_t bufferSize, void* time, std::uint16_t* attribute,
                             std::uint32_t* writtenSize) {
  Bind(eExtractMem, true);
  return TCustomArchiverDll::ExtractMem(window, commandLine, buffer, bufferSize, time, attribute,
                                        writtenSize);
}

int TArchiverDll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
  LoadDLL();
  Bind(eFindFirst, true);
  return TCustomArchiverDll::FindFirst(archive, wildcard, info);
}

int TArchiverDll::FindNext(ArcHandle archive, TMemberInfo& info) {
  Bind(eFindNext, true);
  return TCustomArchiverDll::FindNext(archive, info);
}

ArcBool TArchiverDll::KillOwnerWindowEx(ArcWindow window) {
  Bind(eKillOwnerWindowEx, false);
  return TCustomArchiverDll::KillOwnerWindowEx(window);
}

ArcHandle TArchiverDll::OpenArchive(ArcWindow window, const std::string& fileName,
                                    std::uint32_t mode) {
  LoadDLL();
  Bind(eOpenArchive, true);
  return TCustomArchiverDll::OpenArchive(window, fileName, mode);
}

ArcBool TArchiverDll::SetOwnerWindowEx(ArcWindow window, ArchiverProc callback) {
  Bind(eSetOwnerWindowEx, false);
  return TCustomArchiverDll::SetOwnerWindowEx(window, callback);
}

ArcBool TArchiverDll::GetWriteTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  Bind(eGetWriteTimeEx, false);
  return TCustomArchiverDll::GetWriteTimeEx(archive, fileTime);
}

ArcBool TArchiverDll::GetCreateTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  Bind(eGetCreateTimeEx, false);
  return TCustomArchiverDll::GetCreateTimeEx(archive, fileTime);
}

ArcBool TArchiverDll::GetAccessTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  Bind(eGetAccessTimeEx, false);
  return TCustomArchiverDll::GetAccessTimeEx(archive, fileTime);
}

ArcBool TArchiverDll::GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size) {
  Bind(eGetOriginalSizeEx, false);
  return TCustomArchiverDll::GetOriginalSizeEx(archive, size);
}

ArcBool TArchiverDll::GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size) {
  Bind(eGetCompressedSizeEx, false);
  return TCustomArchiverDll::GetCompressedSizeEx(archive, size);
}

int TArchiverDll::GetArchiveType(const std::string& fileName) {
  LoadDLL();
  Bind(eGetArchiveType, true);
  return TCustomArchiverDll::GetArchiveType(fileName);
}

ArcBool TArchiverDll::SetEnumMembersProc64(void* first, void* second) {
  LoadDLL();
  Bind(eSetEnumMembersProc64, false);
  return TCustomArchiverDll::SetEnumMembersProc64(first, second);
}

ArcBool TArchiverDll::ClearEnumMembersProc64() {
  LoadDLL();
  Bind(eClearEnumMembersProc64, false);
  return TCustomArchiverDll::ClearEnumMembersProc64();
}

}  // namespace archives
