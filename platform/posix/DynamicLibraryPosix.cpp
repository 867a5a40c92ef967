// Loading shared objects by file name on POSIX: the executable's folder
// first, as the Windows loader searches, then the archiver library folder.
#include "platform/DynamicLibrary.h"

#include "platform/Files.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <mutex>

namespace platform {

namespace {

std::mutex g_folderMutex;
std::string g_searchFolder;

std::string SearchFolder() {
  std::lock_guard<std::mutex> lock(g_folderMutex);
  return g_searchFolder;
}

void* OpenFile(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

}  // namespace

void KeepCurrentFolderOutOfLibrarySearch() {}

LibraryHandle LoadDynamicLibrary(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  // A name with a folder is loaded from there only.
  if (fileName.find('/') != std::string::npos) return OpenFile(fileName);
  // Not the system loader's search: the archiver libraries here are our own
  // and lie in one of these folders, and a name such as ZIP32J.DLL found on
  // the system's library path would be somebody else's file. An absent
  // library also costs two lookups instead of the loader's fifty.
  for (const std::string& folder : {ExtractFilePath(ExecutablePath()), SearchFolder()}) {
    if (folder.empty()) continue;
    const std::string candidate = JoinPath(folder, fileName);
    if (!FileExists(candidate)) continue;
    if (LibraryHandle handle = OpenFile(candidate)) return handle;
  }
  return nullptr;
}

void* FindEntry(LibraryHandle library, const char* entryName) {
  if (!library || !entryName) return nullptr;
  return dlsym(library, entryName);
}

void FreeDynamicLibrary(LibraryHandle library) {
  if (!library) return;
  dlclose(library);
}

std::string LibraryPath(LibraryHandle library, std::size_t maxChars) {
  std::string path;
  if (library) {
    struct link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) {
      path = map->l_name;
    }
  }
  if (path.empty()) path = ExecutablePath();
  if (path.size() > maxChars) path.resize(maxChars);
  return path;
}

void SetLibrarySearchFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_folderMutex);
  g_searchFolder = folder;
}

}  // namespace platform
