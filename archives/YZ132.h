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
};

}  // namespace archives
