#include "archives/TAR32.h"

namespace archives {

const LibraryInfo TTar32::kLibrary{"tar/tgz/taz/bz2 形式書庫", "TAR32.DLL", "Tar"};

TArchiverType TTar32::ProbeArchive(const std::string& fileName) {
  return Guarded(atNone, [&] {
    LoadDLL();
    int subType = SharedDll()->GetArchiveType(fileName);
    if (subType == 1) return atTar;
    if (subType >= 2 && subType <= 5) return atTgz;
    if (subType == 6 || subType == 7) return atBZ2;
    return atNone;
  });
}

}  // namespace archives
