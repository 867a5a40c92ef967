#include "archives/LHA32.h"

#include "archives/ArchiverErrors.h"
#include "platform/Files.h"

namespace archives {

const LibraryInfo TLha32::kLibrary{"LHA 形式書庫", "UNLHA32.DLL", "Unlha"};

bool TLha32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    std::string fullPath = platform::ExpandFullPath(fileName);
    if (SharedDll()->CheckArchive(fullPath, kCheckModeLha) == 0) return false;
    return OpensAsArchive(*SharedDll(), fullPath, true);
  });
}

std::string TLha32::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                                 const std::string& folder, const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.Add("-+");
  if (command == "x" && o.jse == -1) throw EAssertionFailed(msg::kJseNotSet);
  if (o.jso == -1) throw EAssertionFailed(msg::kJsoNotSet);

  for (const TArchiverOptions::TSwitchInfo& sw : TArchiverOptions::Switches()) {
    switch (sw.Kind) {
      case TArchiverOptions::TSwitchKind::Number:
        // With an owner window n is always 1.
        cmd.AddNum(sw.Name, (sw.Number == &TArchiverOptions::n && HasOwnerWindow()) ? 1 : o.*sw.Number);
        break;
      case TArchiverOptions::TSwitchKind::Text: cmd.AddStr(sw.Name, o.*sw.Text); break;
      case TArchiverOptions::TSwitchKind::Folder: cmd.AddDir(sw.Name, o.*sw.Text); break;
      case TArchiverOptions::TSwitchKind::List: cmd.AddFiles(sw.Name, {TValue(&(o.*sw.List))}); break;
    }
  }

  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TLha32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("x", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TLha32::BuildPackCommand(const TCommandRequest& request) {
  return BuildCommand("u", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnPack));
}

std::string TLha32::BuildDeleteCommand(const TCommandRequest& request) {
  return BuildCommand("d", request.archiveName, request.options, "", request.files,
                      request.options.ResFileUsage.Contains(ruOnRemoveItem));
}

std::string TLha32::BuildUpdateCommand(const TCommandRequest& request) {
  return BuildCommand("f", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnUpdate));
}

std::string TLha32::BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                                    const std::string& folder) {
  return BuildCommand("s", archiveName, options, folder, {}, false);
}

std::string TLha32::BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildCommand("", archiveName, options, "", {TValue(memberName)}, false);
}

}  // namespace archives
