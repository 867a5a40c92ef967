// GZA and BZA archives, through BGA32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TBGA32 : public TPrefixArchiver<TBGA32> {
 public:
  static const LibraryInfo kLibrary;

  TBGA32() { LoadDLL(); }

  // Whether the file is an archive of this format; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atBga; }
};

}  // namespace archives
