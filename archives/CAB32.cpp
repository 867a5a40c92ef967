#include "archives/CAB32.h"

namespace archives {

const LibraryInfo TCab32::kLibrary{"CAB 形式書庫", "CAB32.DLL", "Cab"};

bool TCab32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, false);
  });
}

}  // namespace archives
