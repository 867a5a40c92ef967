#include "archives/ZipDll.h"

#include "archives/ArchiverErrors.h"
#include "platform/Files.h"

namespace archives {

namespace {

int CallCommandEntry(void* entry, ArcWindow window, const std::string& commandLine, char* output,
                     std::uint32_t outputSize) {
  return reinterpret_cast<CommandEntry>(entry)(window, commandLine.c_str(),
                                               outputSize == 0 ? nullptr : output, outputSize);
}

}  // namespace

TZipDll::~TZipDll() { TZipDll::FreeDLL(); }

bool TZipDll::LoadUnlessAbsent(platform::LibraryHandle& module, bool& absent, const char* fileName) {
  if (module || absent) return false;
  module = platform::LoadDynamicLibrary(fileName);
  absent = module == nullptr;
  return module != nullptr;
}

void TZipDll::LoadDLL() {
  const bool unZipLoaded = LoadUnlessAbsent(unZipModule_, unZipAbsent_, kUnZipDllName);
  const bool zipLoaded = LoadUnlessAbsent(zipModule_, zipAbsent_, kZipDllName);
  const bool lmZipLoaded = LoadUnlessAbsent(lmZipModule_, lmZipAbsent_, kLmZipDllName);
  // An entry found before may now come first from the library just loaded.
  if (unZipLoaded || zipLoaded || lmZipLoaded) ForgetEntries();
}

void TZipDll::ForgetEntries() {
  zipEntry_ = nullptr;
  unZipEntry_ = nullptr;
  TCustomArchiverDll::FreeDLL();
}

void TZipDll::FreeDLL() {
  for (platform::LibraryHandle* module : {&unZipModule_, &lmZipModule_, &zipModule_}) {
    if (*module) platform::FreeDynamicLibrary(*module);
    *module = nullptr;
  }
  unZipAbsent_ = lmZipAbsent_ = zipAbsent_ = false;
  ForgetEntries();
}

bool TZipDll::BindZipEntry(void*& slot, platform::LibraryHandle first,
                           platform::LibraryHandle second, platform::LibraryHandle third,
                           const char* entryName, bool raiseIfMissing) {
  if (slot) return true;
  // No name is built unless LMZIP32.DLL's spelling differs.
  for (platform::LibraryHandle module : {first, second, third}) {
    if (!module) continue;
    if (module == lmZipModule_ && entryName[0] && entryName[1] && entryName[2] == 'Z') {
      std::string name = entryName;
      name[2] = 'z';
      slot = platform::FindEntry(module, name.c_str());
    } else {
      slot = platform::FindEntry(module, entryName);
    }
    if (slot) return true;
  }
  slot = nullptr;
  if (raiseIfMissing) throw EEntryNotFound::InAnyDll(entryName);
  return false;
}

bool TZipDll::BindListingEntry(Entry entry, const char* entryName, bool raiseIfMissing) {
  return BindZipEntry(Slot(entry), lmZipModule_, zipModule_, unZipModule_, entryName,
                      raiseIfMissing);
}

int TZipDll::Command(ArcWindow window, const std::string& /*archiveName*/,
                     const std::string& commandLine, char* output, std::uint32_t outputSize) {
  LoadDLL();
  BindZipEntry(unZipEntry_, unZipModule_, lmZipModule_, nullptr, "UnZip", true);
  return CallCommandEntry(unZipEntry_, window, commandLine, output, outputSize);
}

int TZipDll::PackCommand(ArcWindow window, const std::string& archiveName,
                         const std::string& commandLine, char* output, std::uint32_t outputSize) {
  LoadDLL();
  BindZipEntry(zipEntry_, zipModule_, lmZipModule_, nullptr, "Zip", true);
  platform::RemoveFile(archiveName);
  return CallCommandEntry(zipEntry_, window, commandLine, output, outputSize);
}

int TZipDll::ChangeCommand(ArcWindow window, const std::string& commandLine, char* output,
                           std::uint32_t outputSize) {
  LoadDLL();
  BindZipEntry(zipEntry_, zipModule_, lmZipModule_, nullptr, "Zip", true);
  return CallCommandEntry(zipEntry_, window, commandLine, output, outputSize);
}

ArcBool TZipDll::CheckArchive(const std::string& fileName, int mode) {
  LoadDLL();
  BindZipEntry(Slot(eCheckArchive), unZipModule_, lmZipModule_, zipModule_, "UnZipCheckArchive",
               true);
  return TCustomArchiverDll::CheckArchive(fileName, mode);
}

int TZipDll::CloseArchive(ArcHandle archive) {
  LoadDLL();
  BindListingEntry(eCloseArchive, "UnZipCloseArchive", true);
  return TCustomArchiverDll::CloseArchive(archive);
}

int TZipDll::ExtractMem(ArcWindow window, const std::string& commandLine, unsigned char* buffer,
                        std::uint32_t bufferSize, void* time, std::uint16_t* attribute,
                        std::uint32_t* writtenSize) {
  BindZipEntry(Slot(eExtractMem), unZipModule_, lmZipModule_, zipModule_, "UnZipExtractMem", true);
  return TCustomArchiverDll::ExtractMem(window, commandLine, buffer, bufferSize, time, attribute,
                                        writtenSize);
}

int TZipDll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
  LoadDLL();
  BindListingEntry(eFindFirst, "UnZipFindFirst", true);
  return TCustomArchiverDll::FindFirst(archive, wildcard, info);
}

int TZipDll::FindNext(ArcHandle archive, TMemberInfo& info) {
  BindListingEntry(eFindNext, "UnZipFindNext", true);
  return TCustomArchiverDll::FindNext(archive, info);
}

ArcBool TZipDll::KillOwnerWindowEx(ArcWindow window) {
  BindEntry(Slot(eKillOwnerWindowEx), unZipModule_, "UnZipKillOwnerWindowEx", true);
  return TCustomArchiverDll::KillOwnerWindowEx(window);
}

ArcHandle TZipDll::OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode) {
  LoadDLL();
  BindListingEntry(eOpenArchive, "UnZipOpenArchive", true);
  return TCustomArchiverDll::OpenArchive(window, fileName, mode);
}

ArcBool TZipDll::SetOwnerWindowEx(ArcWindow window, ArchiverProc callback) {
  BindEntry(Slot(eSetOwnerWindowEx), unZipModule_, "UnZipSetOwnerWindowEx", true);
  return TCustomArchiverDll::SetOwnerWindowEx(window, callback);
}

ArcBool TZipDll::GetWriteTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  // Spelled with a lower-case z in every ZIP library.
  BindListingEntry(eGetWriteTimeEx, "UnzipGetWriteTimeEx", false);
  return TCustomArchiverDll::GetWriteTimeEx(archive, fileTime);
}

ArcBool TZipDll::GetCreateTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  BindListingEntry(eGetCreateTimeEx, "UnZipGetCreateTimeEx", false);
  return TCustomArchiverDll::GetCreateTimeEx(archive, fileTime);
}

ArcBool TZipDll::GetAccessTimeEx(ArcHandle archive, std::uint64_t& fileTime) {
  BindListingEntry(eGetAccessTimeEx, "UnZipGetAccessTimeEx", false);
  return TCustomArchiverDll::GetAccessTimeEx(archive, fileTime);
}

}  // namespace archives
