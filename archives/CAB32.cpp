#include "archives/CAB32.h"

#include "platform/Files.h"

namespace archives {

const LibraryInfo TCab32::kLibrary{"CAB 形式書庫", "CAB32.DLL", "Cab"};

bool TCab32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*SharedDll(), fileName, false);
  });
}

std::string TCab32::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                                 const std::string& folder, const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  if (o.c == 1) cmd.Add("-o");
  if (o.n > 0 || HasOwnerWindow()) cmd.Add("-i");
  if (o.r > 0) cmd.Add("-r");
  cmd.AddDir("h", o.w);
  if (o.x == 0) cmd.Add("-j");
  if (o.ji > 0) cmd.Add("-q");
  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TCab32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("-x", platform::ExpandFullPath(request.archiveName), request.options, request.folder,
                      request.files, request.options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TCab32::BuildPackCommand(const TCommandRequest& request) {
  return BuildCommand("-a", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnPack));
}

std::string TCab32::BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                                    const std::string& folder) {
  return BuildCommand("-f", archiveName, options, folder, {}, false);
}

std::string TCab32::BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildCommand("", archiveName, options, "", {TValue(memberName)}, false);
}

}  // namespace archives
