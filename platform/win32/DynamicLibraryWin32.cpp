// Loading libraries with the Windows loader.
#include "platform/DynamicLibrary.h"
#include "platform/win32/LibraryLoadWin32.h"

#include <vector>

namespace platform {

namespace {

// True once SetDllDirectoryA has taken the current folder out of the search.
bool g_currentFolderOut = false;

// Entries of kernel32 that older systems lack are looked up at run time.
template <typename Function>
Function KernelEntry(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

// SetDllDirectoryA with any text but nullptr takes the current folder out.
void SetDllDirectoryText(const char* folder) {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  const auto setDllDirectory = KernelEntry<SetDllDirectoryFn>("SetDllDirectoryA");
  if (setDllDirectory && setDllDirectory(folder)) g_currentFolderOut = true;
}

}  // namespace

namespace win32 {

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

}  // namespace win32

void KeepCurrentFolderOutOfLibrarySearch() {
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
  // Systems without SetDllDirectoryA (Windows 2000, the first XP) would
  // search the current folder.
  HMODULE module = g_currentFolderOut ? LoadLibraryA(fileName.c_str())
                                      : win32::LoadLibraryAwayFromCurrentFolder(fileName);
  return reinterpret_cast<LibraryHandle>(module);
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
