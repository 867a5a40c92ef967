#include "archives/GCA32.h"

namespace archives {

const LibraryInfo TGCA32::kLibrary{"GCA 形式書庫", "UnGCA32.DLL", "UnGCA"};

std::string TGCA32::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                                 const std::string& folder, const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.AddNum("sx", o.n);
  cmd.AddNum("xx", o.x);
  cmd.AddNum("yx", o.y);
  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  const int fileCount = AddFileArguments(cmd, o, files, useResponseFile);
  // An extraction that names no file is written with the word "e".
  const std::string word = fileCount == 0 && command == "ex" ? "e" : command;
  return word + cmd.CmdLine;
}

std::string TGCA32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("ex", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TGCA32::BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildCommand("ex", archiveName, options, "c:\\test\\", {TValue(memberName)}, false);
}

}  // namespace archives
