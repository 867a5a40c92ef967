#include "archives/YZ132.h"

#include <memory>

#include "archives/ArchiverErrors.h"
#include "archives/FormatSupport.h"

namespace archives {

namespace {
std::unique_ptr<TYZ1Dll> sharedDll;
}  // namespace

const char* const TYZ1::kDllNames[2] = {"YYZ32.DLL", "YZ1.DLL"};

void TYZ1::LoadDLL() {
  if (sharedDll) return;
  std::string names;
  for (const char* name : kDllNames) {
    try {
      sharedDll = std::make_unique<TYZ1Dll>(name);
      sharedDll->LoadDLL();
      return;
    } catch (...) {
      sharedDll.reset();
    }
    names += names.empty() ? name : std::string(" か ") + name;
  }
  throw EArchiver("Yz1 形式書庫を扱うには " + names + " が必要です。");
}

void TYZ1::FreeDLL() { sharedDll.reset(); }

TYZ1Dll* TYZ1::SharedDll() { return sharedDll.get(); }

TCustomArchiverDll& TYZ1::ArchiverDll() {
  LoadDLL();
  return *sharedDll;
}

bool TYZ1::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*sharedDll, fileName, true);
  });
}

}  // namespace archives
