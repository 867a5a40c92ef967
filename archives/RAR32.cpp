#include "archives/RAR32.h"

namespace archives {

const LibraryInfo TRar32::kLibrary{"RAR 形式書庫", "UNRAR32.DLL", "Unrar"};

bool TRar32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, false);
  });
}

std::string TRar32::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                                 const std::string& folder, const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  if (o.c < 1) cmd.Add("-u");
  if (o.m > 0) cmd.Add("-y");
  if (o.p > 0) cmd.Add("-s");
  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TRar32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand(request.options.x != 0 ? "-x" : "-e", request.archiveName, request.options, request.folder,
                      request.files, request.options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TRar32::BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildCommand("", archiveName, options, "", {TValue(memberName)}, false);
}

}  // namespace archives
