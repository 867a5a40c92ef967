// 7z archives, through 7-zip32.dll. Never recognised by content.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

// The self-extractor modules of 7-Zip, in this order; only the first is used.
inline const char* const SevenZipSfxModules[5] = {"7z.sfx", "7zC.sfx", "7zCon.sfx", "7zS.sfx", "7zSD.sfx"};
// The module a self-extracting 7z archive is made with; empty until the first
// MakeSfx sets it to the first of SevenZipSfxModules. Process-wide.
inline std::string SevenZipSfxModule;
// A configuration file embedded between module and archive; empty = none.
inline std::string SevenZipSfxConfig;

class TSevenZip32 : public TPrefixArchiver<TSevenZip32> {
 public:
  static const LibraryInfo kLibrary;

  TSevenZip32() { LoadDLL(); }

  TArchiverType ArchiverType() const override { return at7z; }

  // Joins the self-extractor module (SevenZipSfxModule, searched in the
  // 7-Zip folder first), SevenZipSfxConfig when set, and the archive into
  // <archive>.exe; no library call. Returns 0 and leaves commandLine and
  // output as they are. Refuses a 16-bit extractor, a missing module and an
  // output that would be the archive itself before any file is touched.
  int MakeSfx(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& folder, std::string& commandLine, std::string& output) override;

  // "x", or "e" when x is 0; "u"; "d" (no folder).
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;
  std::string BuildDeleteCommand(const TCommandRequest& request) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
