// LHA archives, through UNLHA32.DLL.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TLha32 : public TPrefixArchiver<TLha32> {
 public:
  static const LibraryInfo kLibrary;

  TLha32() { LoadDLL(); }

  // Whether the file is an LHA archive; never raises.
  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atLha; }

 protected:
  // For a derived format with a library of its own: loads nothing here.
  struct NoLoad {};
  explicit TLha32(NoLoad) {}
};

}  // namespace archives
