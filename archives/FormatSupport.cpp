#include "archives/FormatSupport.h"

#include "archives/ArchiverApi.h"
#include "platform/Files.h"

namespace archives {

TArchiverDll& SharedDllOf(std::unique_ptr<TArchiverDll>& shared, const LibraryInfo& library) {
  if (!shared) {
    shared = std::make_unique<TArchiverDll>(library.description, library.dllName, library.prefix);
  }
  return *shared;
}

void LoadSharedDll(std::unique_ptr<TArchiverDll>& shared, const LibraryInfo& library) {
  if (shared) return;
  SharedDllOf(shared, library).LoadDLL();
}

bool OpensAsArchive(TCustomArchiverDll& dll, const std::string& fullPath, bool closeNullHandle) {
  ArcHandle handle = dll.OpenArchive(nullptr, fullPath, kModeProbeOpen);
  if (handle || closeNullHandle) dll.CloseArchive(handle);
  return handle != nullptr;
}

bool LibraryOpensFile(TCustomArchiverDll& dll, const std::string& fileName, bool mustExist) {
  std::string fullPath = platform::ExpandFullPath(fileName);
  if (mustExist && !platform::FileExists(fullPath)) return false;
  return OpensAsArchive(dll, fullPath, true);
}

}  // namespace archives
