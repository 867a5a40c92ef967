// ARJ archives, through UNARJ32J.DLL; built like LHA's, with a binding of its own.
#pragma once

#include <string>

#include "archives/LHA32.h"

namespace archives {

class TArj32 : public TPrefixArchiver<TArj32, TLha32> {
 public:
  static const LibraryInfo kLibrary;

  TArj32() : TPrefixArchiver(NoLoad{}) { LoadDLL(); }

  static bool ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atArj; }

  // LHA's extraction, but the caller decides about the response file. The
  // other builders are LHA's.
  std::string BuildExtractCommand(const TCommandRequest& request) override;
};

}  // namespace archives
