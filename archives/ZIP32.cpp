#include "archives/ZIP32.h"

#include "archives/FormatSupport.h"
#include "platform/Files.h"

namespace archives {

namespace {
std::unique_ptr<TZipDll> sharedDll;
}  // namespace

void TZip32::LoadDLL() {
  if (sharedDll) return;
  sharedDll = std::make_unique<TZipDll>();
  sharedDll->LoadDLL();
}

void TZip32::FreeDLL() { sharedDll.reset(); }

TZipDll* TZip32::SharedDll() { return sharedDll.get(); }

TCustomArchiverDll& TZip32::ArchiverDll() {
  LoadDLL();
  return *sharedDll;
}

bool TZip32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    std::string fullPath = platform::ExpandFullPath(fileName);
    if (sharedDll->CheckArchive(fullPath, kCheckModeZip) == 0) return false;
    if (!platform::FileExists(fullPath)) return false;
    return OpensAsArchive(*sharedDll, fullPath, false);
  });
}

}  // namespace archives
