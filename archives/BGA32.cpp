#include "archives/BGA32.h"

namespace archives {

const LibraryInfo TBGA32::kLibrary{"BGA 形式書庫", "BGA32.DLL", "Bga"};

bool TBGA32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, true);
  });
}

}  // namespace archives
