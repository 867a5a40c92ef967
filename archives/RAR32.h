// RAR archives, through UNRAR32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TRar32 : public TPrefixArchiver<TRar32> {
 public:
  static const LibraryInfo kLibrary;

  TRar32() { LoadDLL(); }

  // Whether the file is an archive of this format; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atRar; }
};

}  // namespace archives
