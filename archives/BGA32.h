// GZA and BZA archives, through BGA32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TBGA32 : public TPrefixArchiver<TBGA32> {
 public:
  static const LibraryInfo kLibrary;

  TBGA32() { LoadDLL(); }

  // Whether the file is an archive of this format; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atBga; }

  // "x", "a", "d" (no folder) and "s" for a self-extracting archive.
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;
  std::string BuildDeleteCommand(const TCommandRequest& request) override;
  std::string BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                              const std::string& folder) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
