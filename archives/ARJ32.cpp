#include "archives/ARJ32.h"

namespace archives {

const LibraryInfo TArj32::kLibrary{"ARJ 形式書庫", "UNARJ32J.DLL", "Unarj"};

bool TArj32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, false);
  });
}

std::string TArj32::BuildExtractCommand(const std::string& archiveName,
                                        const TArchiverOptions& options,
                                        const std::string& folder, const TValueList& files,
                                        bool useResponseFile) {
  return BuildCommand("x", archiveName, options, folder, files, useResponseFile);
}

}  // namespace archives
