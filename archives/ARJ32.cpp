#include "archives/ARJ32.h"

namespace archives {

const LibraryInfo TArj32::kLibrary{"ARJ 形式書庫", "UNARJ32J.DLL", "Unarj"};

bool TArj32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, false);
  });
}

std::string TArj32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("x", request.archiveName, request.options, request.folder, request.files,
                      request.useResponseFile);
}

}  // namespace archives
