// The Win32 loader's way around the current folder where the system cannot
// take it out of the search. Kept apart so that tests can run it on systems
// that can.
#pragma once

#include <windows.h>

#include <string>

namespace platform {
namespace win32 {

// LoadLibraryA(fileName) with the system folder as the current folder for
// the duration of the call, then the current folder put back. The system
// folder is searched anyway, so the order of the other folders stays as it
// is, and neither the library nor a library it imports can come from the
// current folder. nullptr, loading nothing, when the folders cannot be
// switched. Libraries are loaded on one thread only, so no other thread sees
// the switch.
HMODULE LoadLibraryAwayFromCurrentFolder(const std::string& fileName);

}  // namespace win32
}  // namespace platform
