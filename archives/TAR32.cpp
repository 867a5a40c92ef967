#include "archives/TAR32.h"

#include "archives/ArchiverErrors.h"
#include "archives/SelfExtracting.h"

namespace archives {

const LibraryInfo TTar32::kLibrary{"tar/tgz/taz/bz2 形式書庫", "TAR32.DLL", "Tar"};

TArchiverType TTar32::ProbeArchive(const std::string& fileName) {
  return Guarded(atNone, [&] {
    LoadDLL();
    int subType = SharedDll()->GetArchiveType(fileName);
    if (subType == 1) return atTar;
    if (subType >= 2 && subType <= 5) return atTgz;
    if (subType == 6 || subType == 7) return atBZ2;
    return atNone;
  });
}

std::string TTar32::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                                 const std::string& folder, const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.SeparateValue = true;
  if (o.a > 0) cmd.Add("-AH");
  if (o.a == 0) cmd.Add("-I");
  if (!HasOwnerWindow() && o.n > 0) cmd.Add("--display-dialog=0");
  if (o.o > 0) cmd.Add("-g");
  cmd.AddNum("-check-all-path=", o.p);
  cmd.AddNum("-use-directory=", o.x);
  if (ArchiverType() == atTgz) {
    if (o.jm >= 1) {
      cmd.AddNum("z", o.jm);
    } else {
      cmd.Add("-z");
    }
  } else if (ArchiverType() == atBZ2) {
    if (o.jm >= 1) {
      cmd.AddNum("B", o.jm);
    } else {
      cmd.Add("-B");
    }
  }
  cmd.Add(o.UserOptions);
  if (!archiveName.empty()) cmd.AddStr("f", archiveName);
  if (!folder.empty()) cmd.AddDir("o", folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TTar32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("x", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TTar32::BuildPackCommand(const TCommandRequest& request) {
  return BuildCommand("c", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnPack));
}

std::string TTar32::BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildCommand("", archiveName, options, "", {TValue(memberName)}, false);
}

int TTar32::MakeSfx(ArcWindow, const std::string& archiveName, const TArchiverOptions&, const std::string& folder,
                    std::string&, std::string&) {
  if (ArchiverType() == atBZ2) throw EArchiver(msg::kBz2NoSfx);
  const char* const stubName = "kmtarsef.exe";
  const std::string stub = sfx::SearchStub(stubName);
  if (stub.empty()) throw ESfxNoRequiredFile("tar/tgz", "", stubName);
  const std::string output = sfx::OutputName(archiveName, ".EXE", folder);
  sfx::RefuseOutputOnArchive("tar/tgz", archiveName, output);
  sfx::JoinFiles(output, {stub, archiveName});
  return 0;
}

}  // namespace archives
