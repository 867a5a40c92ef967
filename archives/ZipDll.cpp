#include "archives/ZipDll.h"

#include "archives/ArchiverErrors.h"
#include "platform/Files.h"

namespace archives {

namespace {

int CallCommandEntry(void* entry, ArcWindow window, const std::string& commandLine, char* output,
                     std::uint32_t outputSize) {
  return reinterpret_cast<CommandEntry>(entry)(window, commandLine.c_str(), outputSize == 0 ? nullptr : output,
                                               outputSize);
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

bool TZipDll::BindZipEntry(void*& slot, platform::LibraryHandle first, platform::LibraryHandle second,
                           platform::LibraryHandle third, const char* entryName, bool raiseIfMissing) {
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

int TZipDll::Command(ArcWindow window, const std::string& /*archiveName*/, const std::string& commandLine, char* output,
                     std::uint32_t outputSize) {
  LoadDLL();
  BindZipEntry(unZipEntry_, unZipModule_, lmZipModule_, nullptr, "UnZip", true);
  return CallCommandEntry(unZipEntry_, window, commandLine, output, outputSize);
}

int TZipDll::PackCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine, char* output,
                         std::uint32_t outputSize) {
  LoadDLL();
  BindZipEntry(zipEntry_, zipModule_, lmZipModule_, nullptr, "Zip", true);
  platform::RemoveFile(archiveName);
  return CallCommandEntry(zipEntry_, window, commandLine, output, outputSize);
}

int TZipDll::ChangeCommand(ArcWindow window, const std::string& commandLine, char* output, std::uint32_t outputSize) {
  LoadDLL();
  BindZipEntry(zipEntry_, zipModule_, lmZipModule_, nullptr, "Zip", true);
  return CallCommandEntry(zipEntry_, window, commandLine, output, outputSize);
}

void TZipDll::PrepareEntry(Entry entry) {
  // Where each entry is searched, in order.
  enum class Search { UnZipFirst, ListingFirst, UnZipOnly };
  static const struct {
    Entry entry;
    const char* name;
    Search search;
    bool required;
  } kZipEntries[] = {
      {eCheckArchive, "UnZipCheckArchive", Search::UnZipFirst, true},
      {eExtractMem, "UnZipExtractMem", Search::UnZipFirst, true},
      {eOpenArchive, "UnZipOpenArchive", Search::ListingFirst, true},
      {eFindFirst, "UnZipFindFirst", Search::ListingFirst, true},
      {eFindNext, "UnZipFindNext", Search::ListingFirst, true},
      {eCloseArchive, "UnZipCloseArchive", Search::ListingFirst, true},
      // Spelled with a lower-case z in every ZIP library.
      {eGetWriteTimeEx, "UnzipGetWriteTimeEx", Search::ListingFirst, false},
      {eGetCreateTimeEx, "UnZipGetCreateTimeEx", Search::ListingFirst, false},
      {eGetAccessTimeEx, "UnZipGetAccessTimeEx", Search::ListingFirst, false},
      {eSetOwnerWindowEx, "UnZipSetOwnerWindowEx", Search::UnZipOnly, true},
      {eKillOwnerWindowEx, "UnZipKillOwnerWindowEx", Search::UnZipOnly, true},
  };
  for (const auto& zip : kZipEntries) {
    if (zip.entry != entry) continue;
    if (kEntries[entry].loadsLibrary) LoadDLL();
    switch (zip.search) {
      case Search::UnZipFirst:
        BindZipEntry(Slot(entry), unZipModule_, lmZipModule_, zipModule_, zip.name, zip.required);
        break;
      case Search::ListingFirst:
        BindZipEntry(Slot(entry), lmZipModule_, zipModule_, unZipModule_, zip.name, zip.required);
        break;
      case Search::UnZipOnly: BindEntry(Slot(entry), unZipModule_, zip.name, zip.required); break;
    }
    return;
  }
}

}  // namespace archives
