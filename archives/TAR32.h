// tar, tgz/taz and bz2 archives, through TAR32.DLL. The three classes share
// one binding; the two derived ones differ only in their identity, which the
// command builders and self-extracting archives look at.
#pragma once

#include <string>

#include "archives/PrefixArchiver.h"

namespace archives {

class TTar32 : public TPrefixArchiver<TTar32> {
 public:
  static const LibraryInfo kLibrary;

  TTar32() { LoadDLL(); }

  // The TAR family member the file belongs to, from the library's sub-type
  // code; atNone when it is none of them or anything fails. Never raises.
  static TArchiverType ProbeArchive(const std::string& fileName);

  TArchiverType ArchiverType() const override { return atTar; }
};

class TTgz32 : public TTar32 {
 public:
  TArchiverType ArchiverType() const override { return atTgz; }
};

class TBZ232 : public TTar32 {
 public:
  TArchiverType ArchiverType() const override { return atBZ2; }
};

}  // namespace archives
