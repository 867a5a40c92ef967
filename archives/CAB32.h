// Cabinet archives, through CAB32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TCab32 : public TPrefixArchiver<TCab32> {
 public:
  static const LibraryInfo kLibrary;

  TCab32() { LoadDLL(); }

  // Whether the file is an archive of this format; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atCab; }

  // "-x" on the archive's full path, "-a", "-f" for a self-extracting
  // archive, and the memory extraction (no command word).
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;
  std::string BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                              const std::string& folder) override;
  std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                     const std::string& memberName) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
