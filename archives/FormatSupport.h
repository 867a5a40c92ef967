// Pieces every format module shares: its process-wide binding and the steps of
// its content probe.
#pragma once

#include <memory>
#include <string>

#include "archives/ArchiverDll.h"

namespace archives {

// What a format's binding is made from.
struct LibraryInfo {
  const char* description;  // names the format in messages
  const char* dllName;      // file name given to the loader
  const char* prefix;       // first part of every entry name
};

// Unless the shared binding exists: creates it (stored before it is loaded, so
// it stays in place when loading fails) and loads its library, raising
// ENoArchiverDLL when the library cannot be loaded.
void LoadSharedDll(std::unique_ptr<TArchiverDll>& shared, const LibraryInfo& library);

// The shared binding, created without loading when it does not exist (after a
// class-level FreeDLL); the next loading operation loads the library.
TArchiverDll& SharedDllOf(std::unique_ptr<TArchiverDll>& shared, const LibraryInfo& library);

// A content probe's open test: OpenArchive(no owner, fullPath, probe mode);
// then CloseArchive with the handle it gave, also a null one unless
// closeNullHandle is false. True when the handle was not null.
bool OpensAsArchive(TCustomArchiverDll& dll, const std::string& fullPath, bool closeNullHandle);

// The probe of a format that asks only whether its library opens the file:
// the name made a full path, the file required to exist when mustExist is set,
// then OpensAsArchive closing whatever handle it got.
bool LibraryOpensFile(TCustomArchiverDll& dll, const std::string& fileName, bool mustExist);

// Runs a probe step so that nothing escapes: every exception answers `negative`.
template <class Result, class Fn>
Result Guarded(Result negative, Fn&& probe) noexcept {
  try {
    return probe();
  } catch (...) {
    return negative;
  }
}

}  // namespace archives
