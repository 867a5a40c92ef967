// GCA archives, through UnGCA32.DLL. Never recognised by content. Creating an
// archiver makes the binding without loading the library: the first library
// call that loads reports a missing one.
#pragma once

#include "archives/PrefixArchiver.h"

namespace archives {

class TGCA32 : public TPrefixArchiver<TGCA32> {
 public:
  static const LibraryInfo kLibrary;

  TGCA32() { LoadDLL(); }

  // Creates the binding; loads nothing.
  static void LoadDLL() { SharedDllOf(Shared(), kLibrary); }

  TArchiverType ArchiverType() const override { return atGCA; }
};

}  // namespace archives
