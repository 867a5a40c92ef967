// 7z archives, through 7-zip32.dll. Never recognised by content.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TSevenZip32 : public TPrefixArchiver<TSevenZip32> {
 public:
  static const LibraryInfo kLibrary;

  TSevenZip32() { LoadDLL(); }

  TArchiverType ArchiverType() const override { return at7z; }
};

}  // namespace archives
