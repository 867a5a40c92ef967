// ZIP archives, through whichever of UNZIP32.DLL, ZIP32J.DLL and LMZIP32.DLL
// are present. Creating the archiver never fails for a missing library; each
// operation reports what it lacks.
#pragma once

#include <memory>
#include <string>

#include "archives/Archiver.h"
#include "archives/ZipDll.h"

namespace archives {

// A file name as the ZIP libraries read it: a leading "-" becomes "[-]", every
// "\" a "/" and every "[" "[[]" (whole characters of the code page only).
std::string EscapeZipFileName(const std::string& fileName);

class TZip32 : public TArchiver {
 public:
  TZip32() { LoadDLL(); }

  // Creates the shared ZIP binding on first use; loads whichever libraries
  // are there and never raises.
  static void LoadDLL();
  static void FreeDLL();
  static TZipDll* SharedDll();
  // Whether the file is a ZIP archive; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atZip; }
  TCustomArchiverDll& ArchiverDll() override;
  void EnsureLoaded() override { LoadDLL(); }

  // Deleting members and updating change the archive in place: unlike Pack
  // and MakeSfx they run the Zip entry without deleting the archive first.
  int Delete(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
             std::string& output) override;
  int Update(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
             const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
             std::string& output) override;

  // Extraction needs UNZIP32.DLL or LMZIP32.DLL; packing ZIP32J.DLL ("" as
  // the command word) or else LMZIP32.DLL ("-ru", no folder). Every builder
  // follows the caller's response-file choice.
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;
  std::string BuildDeleteCommand(const TCommandRequest& request) override;
  std::string BuildUpdateCommand(const TCommandRequest& request) override;
  // Writes the stub (gw > 0: "sfx32gui.dat", else "sfx16.dat") and the
  // archive into <archive>.EXE and returns the line that makes ZIP32J.DLL
  // finish it: "-A <output>". Refuses before any file is touched when
  // ZIP32J.DLL is not loaded or the stub is not found.
  std::string BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                              const std::string& folder) override;
  std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                     const std::string& memberName) override;

 private:
  std::string BuildUnZipCommand(const std::string& command, const std::string& archiveName,
                                const TArchiverOptions& options, const std::string& folder, const TValueList& files,
                                bool useResponseFile) const;
  std::string BuildLmZipCommand(const std::string& command, const std::string& archiveName,
                                const TArchiverOptions& options, const std::string& folder, const TValueList& files,
                                bool useResponseFile) const;
  std::string BuildZipCommand(const std::string& command, const std::string& archiveName,
                              const TArchiverOptions& options, const std::string& folder, const TValueList& files,
                              bool useResponseFile) const;
};

}  // namespace archives
