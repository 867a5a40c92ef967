// RAR archives, through UNRAR32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TRar32 : public TPrefixArchiver<TRar32> {
 public:
  static const LibraryInfo kLibrary;

  TRar32() { LoadDLL(); }

  // Whether the file is an archive of this format; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atRar; }

  // "-x", or "-e" when x is 0 (no folders); and the memory extraction (no
  // command word).
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                     const std::string& memberName) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
