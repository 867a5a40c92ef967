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

namespace {

// Where an entry is searched, in order.
enum class Search { Nowhere, UnZipFirst, ListingFirst, UnZipOnly };

struct ZipEntry {
  const char* name;
  Search search;
  bool required;
};

// The ZIP name of an entry and where it is searched. Asked before every call
// (six a listed member), so it is a switch, not a search through a table.
ZipEntry ZipEntryOf(TCustomArchiverDll::Entry entry) {
  using D = TCustomArchiverDll;
  switch (entry) {
    case D::eCheckArchive: return {"UnZipCheckArchive", Search::UnZipFirst, true};
    case D::eExtractMem: return {"UnZipExtractMem", Search::UnZipFirst, true};
    case D::eOpenArchive: return {"UnZipOpenArchive", Search::ListingFirst, true};
    case D::eFindFirst: return {"UnZipFindFirst", Search::ListingFirst, true};
    case D::eFindNext: return {"UnZipFindNext", Search::ListingFirst, true};
    case D::eCloseArchive: return {"UnZipCloseArchive", Search::ListingFirst, true};
    // Spelled with a lower-case z in every ZIP library.
    case D::eGetWriteTimeEx: return {"UnzipGetWriteTimeEx", Search::ListingFirst, false};
    case D::eGetCreateTimeEx: return {"UnZipGetCreateTimeEx", Search::ListingFirst, false};
    case D::eGetAccessTimeEx: return {"UnZipGetAccessTimeEx", Search::ListingFirst, false};
    case D::eSetOwnerWindowEx: return {"UnZipSetOwnerWindowEx", Search::UnZipOnly, true};
    case D::eKillOwnerWindowEx: return {"UnZipKillOwnerWindowEx", Search::UnZipOnly, true};
    // Command runs through its own entries; no ZIP library has the rest.
    case D::eCommand:
    case D::eGetOriginalSizeEx:
    case D::eGetCompressedSizeEx:
    case D::eGetArchiveType:
    case D::eSetEnumMembersProc64:
    case D::eClearEnumMembersProc64:
    case D::kEntryCount: break;
  }
  return {nullptr, Search::Nowhere, false};
}

}  // namespace

void TZipDll::PrepareEntry(Entry entry) {
  const ZipEntry zip = ZipEntryOf(entry);
  if (zip.search == Search::Nowhere) return;
  if (kEntries[entry].loadsLibrary) LoadDLL();
  if (Slot(entry)) return;  // found before, and no library loaded since
  switch (zip.search) {
    case Search::UnZipFirst:
      BindZipEntry(Slot(entry), unZipModule_, lmZipModule_, zipModule_, zip.name, zip.required);
      break;
    case Search::ListingFirst:
      BindZipEntry(Slot(entry), lmZipModule_, zipModule_, unZipModule_, zip.name, zip.required);
      break;
    case Search::UnZipOnly: BindEntry(Slot(entry), unZipModule_, zip.name, zip.required); break;
    case Search::Nowhere: break;
  }
}

}  // namespace archives
