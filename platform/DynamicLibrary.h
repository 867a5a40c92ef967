// Loading outside libraries by file name at run time.
#pragma once

#include <string>

namespace platform {

// Handle of a loaded library; nullptr when nothing is loaded.
using LibraryHandle = void*;

// Loads a library by file name, given unchanged to the system loader.
// Win32: LoadLibraryA. POSIX: the executable's folder first, then the folder
// set with SetLibrarySearchFolder, then the system loader, with the name
// unchanged (a shared object may be called UNLHA32.DLL).
// Returns nullptr when the library cannot be loaded.
LibraryHandle LoadDynamicLibrary(const std::string& fileName);

// Address of an exported entry, nullptr when the library has none by that name.
void* FindEntry(LibraryHandle library, const char* entryName);

// Unloads a library loaded by LoadDynamicLibrary; nullptr is ignored.
void FreeDynamicLibrary(LibraryHandle library);

// Full path of a loaded library's file, at most maxChars characters;
// for nullptr the path of the running executable (GetModuleFileNameA).
std::string LibraryPath(LibraryHandle library, std::size_t maxChars = 257);

// An extra folder searched after the executable's own (Win32: SetDllDirectoryA).
// Tests use it to choose which libraries are present; empty restores the default.
void SetLibrarySearchFolder(const std::string& folder);

}  // namespace platform
