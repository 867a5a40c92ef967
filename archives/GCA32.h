// GCA archives, through UnGCA32.DLL. Never recognised by content. Creating an
// archiver makes the binding without loading the library: the first library
// call that loads reports a missing one.
#pragma once

#include "archives/PrefixArchiver.h"

namespace archives {

class TGCA32 : public TPrefixArchiver<TGCA32> {
 public:
  static const LibraryInfo kLibrary;

  TGCA32() { LoadDLL(); }

  // Creates the binding; loads nothing.
  static void LoadDLL() { SharedDllOf(Shared(), kLibrary); }

  TArchiverType ArchiverType() const override { return atGCA; }

  // "ex", or "e" when no file is named. The memory extraction names the
  // fixed folder c:\test\.
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                     const std::string& memberName) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
