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

  // Joins "kmtarsef.exe" and the archive into <archive>.EXE; no library
  // call. Returns 0 and leaves commandLine and output as they are. A BZ2
  // archive, a missing stub and an output that would be the archive itself
  // are refused before any file is touched.
  int MakeSfx(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
              const std::string& folder, std::string& commandLine, std::string& output) override;

  // "x", "c" and the memory extraction (no command word); the archive and
  // the folder go in as -f "<archive>" and -o "<folder>\".
  std::string BuildExtractCommand(const TCommandRequest& request) override;
  std::string BuildPackCommand(const TCommandRequest& request) override;
  std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                     const std::string& memberName) override;

 private:
  std::string BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& options,
                           const std::string& folder, const TValueList& files, bool useResponseFile) const;
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
