// LHA archives, through UNLHA32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TLha32 : public TPrefixArchiver<TLha32> {
 public:
  static const LibraryInfo kLibrary;

  TLha32() { LoadDLL(); }

  // Whether the file is an LHA archive; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atLha; }

  // "x", "u", "d" (no folder), "f", "s" (no files) and the memory extraction
  // (no command word). The response file is used as ResFileUsage says.
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;
  std::string BuildDeleteCommand(const TCommandRequest& request) override;
  std::string BuildUpdateCommand(const TCommandRequest& request) override;
  std::string BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                              const std::string& folder) override;
  std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                     const std::string& memberName) override;

 protected:
  // For a derived format with a library of its own: loads nothing here.
  struct NoLoad {};
  explicit TLha32(NoLoad) {}

  // The command word followed by every option in the library's order, the
  // archive, the folder and the files. Raises EAssertionFailed when jso is
  // unset, or jse for an extraction, before anything is written.
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
