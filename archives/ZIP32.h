// ZIP archives, through whichever of UNZIP32.DLL, ZIP32J.DLL and LMZIP32.DLL
// are present. Creating the archiver never fails for a missing library; each
// operation reports what it lacks.
#pragma once

#include <memory>
#include <string>

#include "archives/Archiver.h"
#include "archives/ZipDll.h"

namespace archives {

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
};

}  // namespace archives
