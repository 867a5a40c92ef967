// Loading outside libraries by file name at run time.
#pragma once

#include <string>

namespace platform {

// Handle of a loaded library; nullptr when nothing is loaded.
using LibraryHandle = void*;

// Takes the current folder out of the search for every library that this
// process loads from now on (Win32: SetDllDirectoryA(""), and
// SetSearchPathMode's safe mode for the system's own file searches, each
// where the system has it). The current folder is usually the folder of the
// archive being opened, so a library planted there would run with the
// user's rights. The executable's folder, the system folders and the PATH
// stay as they are. Call it first thing in main. POSIX: nothing to do; the
// substitute loader never looks in the current folder.
void KeepCurrentFolderOutOfLibrarySearch();

// Loads a library by file name. Win32: LoadLibraryA with the name unchanged
// (the system's own search), run with the system folder as the current
// folder, so that the current folder supplies nothing even where
// SetDllDirectoryA("") does not take it out (systems without the call, Wine).
// POSIX: the executable's folder, then the folder set with
// SetLibrarySearchFolder, and nowhere else (a shared object may be called
// UNLHA32.DLL). Returns nullptr when the library cannot be loaded.
LibraryHandle LoadDynamicLibrary(const std::string& fileName);

// Address of an exported entry, nullptr when the library has none by that name.
void* FindEntry(LibraryHandle library, const char* entryName);

// Unloads a library loaded by LoadDynamicLibrary; nullptr is ignored.
void FreeDynamicLibrary(LibraryHandle library);

// Full path of a loaded library's file, at most maxChars characters;
// for nullptr the path of the running executable (GetModuleFileNameA).
std::string LibraryPath(LibraryHandle library, std::size_t maxChars = 257);

// An extra folder searched after the executable's own (Win32: SetDllDirectoryA).
// Tests and mokurena-scan --libraries use it to choose which libraries are
// present; empty drops the extra folder. The current folder stays out of the
// search either way.
void SetLibrarySearchFolder(const std::string& folder);

}  // namespace platform
