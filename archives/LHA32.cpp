#include "archives/LHA32.h"

#include "platform/Files.h"

namespace archives {

const LibraryInfo TLha32::kLibrary{"LHA 形式書庫", "UNLHA32.DLL", "Unlha"};

bool TLha32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    std::string fullPath = platform::ExpandFullPath(fileName);
    if (SharedDll()->CheckArchive(fullPath, kCheckModeLha) == 0) return false;
    return OpensAsArchive(*SharedDll(), fullPath, true);
  });
}

}  // namespace archives
