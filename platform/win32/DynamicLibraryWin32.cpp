// Loading libraries with the Windows loader.
#include "platform/DynamicLibrary.h"

#include <windows.h>

#include <vector>

namespace platform {

LibraryHandle LoadDynamicLibrary(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(fileName.c_str()));
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

// SetDllDirectoryA is looked up at run time: the first Windows XP has none.
void SetLibrarySearchFolder(const std::string& folder) {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return;
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDllDirectory) setDllDirectory(folder.empty() ? nullptr : folder.c_str());
}

}  // namespace platform
