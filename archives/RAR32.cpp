#include "archives/RAR32.h"

namespace archives {

const LibraryInfo TRar32::kLibrary{"RAR 形式書庫", "UNRAR32.DLL", "Unrar"};

bool TRar32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, false);
  });
}

}  // namespace archives
