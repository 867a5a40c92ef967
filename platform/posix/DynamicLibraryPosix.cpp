// Loading shared objects by file name on POSIX, searched as the Windows loader
// would search a library: the executable's folder first.
#include "platform/DynamicLibrary.h"

#include "platform/Files.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace platform {

namespace {

std::mutex g_folderMutex;
std::string g_searchFolder;

std::string SearchFolder() {
  std::lock_guard<std::mutex> lock(g_folderMutex);
  return g_searchFolder;
}

void* OpenFile(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

// Entries are looked up by name again and again (the ZIP binding does so on
// every call, several times per member), and dlsym costs far more than the
// call itself. An address found in a loaded library never changes, so each
// thread keeps what it has found; freeing any library starts every thread's
// list afresh, since a later library may get the same handle.
std::atomic<unsigned> g_freeCount{0};

struct FoundEntry {
  LibraryHandle library;
  std::string name;
  void* address;
};

struct FoundEntries {
  unsigned freeCount = 0;
  std::vector<FoundEntry> entries;
  // Callers ask for the same few names in the same order again and again
  // (a listing: FindNext, then the time entries, per member): the entry after
  // the last one found is tried first.
  std::size_t next = 0;
};

constexpr std::size_t kFoundEntriesKept = 64;

}  // namespace

void KeepCurrentFolderOutOfLibrarySearch() {}

LibraryHandle LoadDynamicLibrary(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  // A name with a folder is loaded from there only.
  if (fileName.find('/') != std::string::npos) return OpenFile(fileName);
  for (const std::string& folder : {ExtractFilePath(ExecutablePath()), SearchFolder()}) {
    if (folder.empty()) continue;
    const std::string candidate = JoinPath(folder, fileName);
    if (!FileExists(candidate)) continue;
    if (LibraryHandle handle = OpenFile(candidate)) return handle;
  }
  // The system loader's own search, with the name unchanged.
  return OpenFile(fileName);
}

void* FindEntry(LibraryHandle library, const char* entryName) {
  if (!library || !entryName) return nullptr;
  thread_local FoundEntries found;
  const unsigned freeCount = g_freeCount.load(std::memory_order_acquire);
  if (found.freeCount != freeCount) {
    found.entries.clear();
    found.freeCount = freeCount;
  }
  const auto matches = [&](const FoundEntry& entry) {
    return entry.library == library && std::strcmp(entry.name.c_str(), entryName) == 0;
  };
  if (found.next < found.entries.size() && matches(found.entries[found.next])) {
    return found.entries[found.next++].address;
  }
  for (std::size_t i = 0; i < found.entries.size(); ++i) {
    if (matches(found.entries[i])) {
      found.next = i + 1;
      return found.entries[i].address;
    }
  }
  void* address = dlsym(library, entryName);
  if (found.entries.size() < kFoundEntriesKept) {
    found.entries.push_back({library, entryName, address});
    found.next = found.entries.size();
  }
  return address;
}

void FreeDynamicLibrary(LibraryHandle library) {
  if (!library) return;
  g_freeCount.fetch_add(1, std::memory_order_acq_rel);
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
