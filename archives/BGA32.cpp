#include "archives/BGA32.h"

namespace archives {

const LibraryInfo TBGA32::kLibrary{"BGA 形式書庫", "BGA32.DLL", "Bga"};

bool TBGA32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, true);
  });
}

std::string TBGA32::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                                 const std::string& folder, const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.AddFlag("a", o.a > 0);
  cmd.Add(o.c > 0 ? "-o" : "-n");
  cmd.AddFlag("i", o.n > 0 || HasOwnerWindow());
  cmd.AddFlag("r", o.r > 0);
  cmd.AddFlag("j", o.x < 1);
  cmd.AddNum("l", o.jm);
  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TBGA32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("x", request.archiveName, request.options, request.folder, request.files,
                      request.useResponseFile);
}

std::string TBGA32::BuildPackCommand(const TCommandRequest& request) {
  return BuildCommand("a", request.archiveName, request.options, request.folder, request.files,
                      request.useResponseFile);
}

std::string TBGA32::BuildDeleteCommand(const TCommandRequest& request) {
  return BuildCommand("d", request.archiveName, request.options, "", request.files,
                      request.options.ResFileUsage.Contains(ruOnRemoveItem));
}

std::string TBGA32::BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                                    const std::string& folder) {
  return BuildCommand("s", archiveName, options, folder, {}, options.ResFileUsage.Contains(ruOnRemoveItem));
}

}  // namespace archives
