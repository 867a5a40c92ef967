// YZ1 archives, through YYZ32.DLL or else YZ1.DLL.
#pragma once

#include <string>

#include "archives/Archiver.h"
#include "archives/Yz1Dll.h"

namespace archives {

class TYZ1 : public TArchiver {
 public:
  // The library file names, in the order tried.
  static const char* const kDllNames[2];

  TYZ1() { LoadDLL(); }

  // Unless the binding exists, tries each library name in turn and keeps the
  // binding of the first that loads; raises EArchiver when none does and
  // then leaves no binding behind.
  static void LoadDLL();
  static void FreeDLL();
  static TYZ1Dll* SharedDll();
  // Whether the file is a YZ1 archive; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atYz1; }
  TCustomArchiverDll& ArchiverDll() override;
  void EnsureLoaded() override { LoadDLL(); }

  // Joins the extractor stub (gw > 0: "yzw32cui.sfx", else "yzdec.exe";
  // otherwise "yzdos16.sfx"), the archive and the archive's size as four
  // bytes, most significant first, into <archive>.exe; no library call.
  // Returns 0 and leaves commandLine and output as they are. A missing stub,
  // an archive of 4 GiB or more and an output that would be the archive
  // itself are refused before any file is touched.
  int MakeSfx(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& folder, std::string& commandLine, std::string& output) override;

  // "x" and "c", each following the caller's response-file choice.
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
};

}  // namespace archives
