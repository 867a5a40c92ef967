// Loading libraries with the Windows loader.
#include "platform/DynamicLibrary.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

// Entries of kernel32 that older systems lack are looked up at run time.
template <typename Function>
Function KernelEntry(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

void SetDllDirectoryText(const char* folder) {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  if (const auto setDllDirectory = KernelEntry<SetDllDirectoryFn>("SetDllDirectoryA")) setDllDirectory(folder);
}

// LoadLibraryA with the system folder as the current folder for the
// duration of the call. SetDllDirectoryA("") does not cover every system:
// those before XP SP1 lack it, and Wine takes the empty text for no folder
// at all and goes on searching the current folder. The system folder is
// searched anyway, so the order of the other folders stays as it is, and
// neither the library nor a library it imports can come from the current
// folder. Nothing is loaded when the folders cannot be switched. Libraries
// are loaded on one thread only, so no other thread sees the switch.
HMODULE LoadLibraryAwayFromCurrentFolder(const std::string& fileName) {
  char system[MAX_PATH + 1];
  const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
  if (systemLength == 0 || systemLength >= sizeof system) return nullptr;
  std::vector<char> current(GetCurrentDirectoryA(0, nullptr) + 1, '\0');
  const DWORD currentLength = GetCurrentDirectoryA(static_cast<DWORD>(current.size()), current.data());
  if (currentLength == 0 || currentLength >= current.size()) return nullptr;
  if (!SetCurrentDirectoryA(system)) return nullptr;
  HMODULE module = LoadLibraryA(fileName.c_str());
  const DWORD error = GetLastError();
  SetCurrentDirectoryA(current.data());
  SetLastError(error);
  return module;
}

}  // namespace

void KeepCurrentFolderOutOfLibrarySearch() {
  // For the libraries that the system loads on its own behalf.
  SetDllDirectoryText("");
  // The system's own file searches (SearchPathA without a folder) look in
  // the current folder only after the system folders.
  using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSafeSearchModePermanently = 0x00000001 | 0x00008000;
  if (const auto setSearchPathMode = KernelEntry<SetSearchPathModeFn>("SetSearchPathMode")) {
    setSearchPathMode(kSafeSearchModePermanently);
  }
}

LibraryHandle LoadDynamicLibrary(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  return reinterpret_cast<LibraryHandle>(LoadLibraryAwayFromCurrentFolder(fileName));
}

void* FindEntry(LibraryHandle library, const char* entryName) {
  if (!library || !entryName) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), entryName));
}

void FreeDynamicLibrary(LibraryHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string LibraryPath(LibraryHandle library, std::size_t maxChars) {
  if (maxChars == 0) return std::string();
  // One spare character: older systems leave a truncated name unterminated.
  std::vector<char> buffer(maxChars + 1, '\0');
  const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(library), buffer.data(), static_cast<DWORD>(maxChars));
  std::size_t length = n;
  if (length > maxChars) length = maxChars;
  return std::string(buffer.data(), length).c_str();
}

void SetLibrarySearchFolder(const std::string& folder) { SetDllDirectoryText(folder.c_str()); }

}  // namespace platform
