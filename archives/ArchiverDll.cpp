#include "archives/ArchiverDll.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "archives/ArchiverErrors.h"
#include "platform/FileTime.h"

namespace archives {

const TCustomArchiverDll::EntryTraits TCustomArchiverDll::kEntries[kEntryCount] = {
    {"", true, true},
    {"OpenArchive", true, true},
    {"CloseArchive", true, true},
    {"FindFirst", true, true},
    {"FindNext", true, false},
    {"ExtractMem", true, false},
    {"CheckArchive", true, true},
    {"SetOwnerWindowEx", false, false},
    {"KillOwnerWindowEx", false, false},
    {"GetWriteTimeEx", false, false},
    {"GetCreateTimeEx", false, false},
    {"GetAccessTimeEx", false, false},
    {"GetOriginalSizeEx", false, false},
    {"GetCompressedSizeEx", false, false},
    {"GetArchiveType", true, true},
    {"SetEnumMembersProc64", false, true},
    {"ClearEnumMembersProc64", false, true},
};

bool BindEntry(void*& slot, platform::LibraryHandle module, const std::string& entryName, bool raiseIfMissing) {
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
    throw EEntryNotFound::InModule(platform::LibraryPath(nullptr, 257), kEntries[entry].suffix);
  }
  return entries_[entry];
}

int TCustomArchiverDll::Command(ArcWindow window, const std::string& /*archiveName*/, const std::string& commandLine,
                                char* output, std::uint32_t outputSize) {
  return Call<CommandEntry>(eCommand, window, commandLine.c_str(), outputSize == 0 ? nullptr : output, outputSize);
}

int TCustomArchiverDll::PackCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine,
                                    char* output, std::uint32_t outputSize) {
  return Command(window, archiveName, commandLine, output, outputSize);
}

ArcBool TCustomArchiverDll::CheckArchive(const std::string& fileName, int mode) {
  return Call<CheckArchiveEntry>(eCheckArchive, fileName.c_str(), mode);
}

int TCustomArchiverDll::CloseArchive(ArcHandle archive) { return Call<CloseArchiveEntry>(eCloseArchive, archive); }

int TCustomArchiverDll::ExtractMem(ArcWindow window, const std::string& commandLine, unsigned char* buffer,
                                   std::uint32_t bufferSize, void* time, std::uint16_t* attribute,
                                   std::uint32_t* writtenSize) {
  return Call<ExtractMemEntry>(eExtractMem, window, commandLine.c_str(), buffer, bufferSize, time, attribute,
                               writtenSize);
}

int TCustomArchiverDll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
  const int result = Call<FindFirstEntry>(eFindFirst, archive, wildcard.c_str(), &info);
  if (result == 0) FillExtendedInfo(archive, info);
  return result;
}

int TCustomArchiverDll::FindNext(ArcHandle archive, TMemberInfo& info) {
  const int result = Call<FindNextEntry>(eFindNext, archive, &info);
  if (result == 0) FillExtendedInfo(archive, info);
  return result;
}

ArcBool TCustomArchiverDll::KillOwnerWindowEx(ArcWindow window) {
  return Call<KillOwnerWindowExEntry>(eKillOwnerWindowEx, window);
}

ArcHandle TCustomArchiverDll::OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode) {
  return Call<OpenArchiveEntry>(eOpenArchive, window, fileName.c_str(), mode);
}

ArcBool TCustomArchiverDll::SetOwnerWindowEx(ArcWindow window, ArchiverProc callback) {
  return Call<SetOwnerWindowExEntry>(eSetOwnerWindowEx, window, callback);
}

ArcBool TCustomArchiverDll::GetWriteTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  return Call<GetTimeExEntry>(eGetWriteTimeEx, archive, &fileTime);
}

ArcBool TCustomArchiverDll::GetCreateTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  return Call<GetTimeExEntry>(eGetCreateTimeEx, archive, &fileTime);
}

ArcBool TCustomArchiverDll::GetAccessTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  return Call<GetTimeExEntry>(eGetAccessTimeEx, archive, &fileTime);
}

ArcBool TCustomArchiverDll::GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size) {
  return Call<GetSizeExEntry>(eGetOriginalSizeEx, archive, &size);
}

ArcBool TCustomArchiverDll::GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size) {
  return Call<GetSizeExEntry>(eGetCompressedSizeEx, archive, &size);
}

int TCustomArchiverDll::GetArchiveType(const std::string& fileName) {
  return Call<GetArchiveTypeEntry>(eGetArchiveType, fileName.c_str());
}

ArcBool TCustomArchiverDll::SetEnumMembersProc64(void* first, void* second) {
  return Call<SetEnumMembersProc64Entry>(eSetEnumMembersProc64, first, second);
}

ArcBool TCustomArchiverDll::ClearEnumMembersProc64() {
  return Call<ClearEnumMembersProc64Entry>(eClearEnumMembersProc64);
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

void TArchiverDll::PrepareEntry(Entry entry) {
  const EntryTraits& traits = kEntries[entry];
  if (traits.loadsLibrary) LoadDLL();
  if (Slot(entry)) return;  // bound once and kept: no name to build per call
  BindNamed(Slot(entry), traits.suffix, traits.required);
}

}  // namespace archives
