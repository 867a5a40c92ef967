// Cabinet archives, through CAB32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TCab32 : public TPrefixArchiver<TCab32> {
 public:
  static const LibraryInfo kLibrary;

  TCab32() { LoadDLL(); }

  // Whether the file is an archive of this format; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atCab; }
};

}  // namespace archives
