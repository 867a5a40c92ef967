#include "archives/SZIP32.h"

#include "archives/ArchiverErrors.h"
#include "archives/SelfExtracting.h"

namespace archives {

const LibraryInfo TSevenZip32::kLibrary{"7z 形式書庫", "7-zip32.dll", "SevenZip"};

std::string TSevenZip32::BuildCommand(const std::string& command, const std::string& archiveName,
                                      const TArchiverOptions& o, const std::string& folder, const TValueList& files,
                                      bool useResponseFile) const {
  TCmdOpt cmd;
  // How files already in the output folder are treated, for extraction only.
  if (command == "x") {
    if (o.m == 2) {
      cmd.Add("-aou");
    } else if (o.jn > 0) {
      cmd.Add("-aos");
    } else if (o.c > 0) {
      cmd.Add("-aoa");
    }
  }
  cmd.Add("-ms=off");
  if (o.n > 0) cmd.Add("-hide");
  if (o.r == 0) cmd.Add("-r-");
  if (o.r > 1) cmd.Add("-r");
  cmd.AddDir("w", o.w);
  if (o.y > 0) cmd.Add("-y");
  cmd.AddFiles("x!", {TValue(&o.jx)});
  cmd.AddDir("o", folder);
  cmd.Add(o.UserOptions);
  cmd.AddStr("", archiveName);
  AddFileArguments(cmd, o, files, useResponseFile);
  const std::string word = command == "x" && o.x == 0 ? "e" : command;
  return word + cmd.CmdLine;
}

std::string TSevenZip32::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("x", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TSevenZip32::BuildPackCommand(const TCommandRequest& request) {
  return BuildCommand("u", request.archiveName, request.options, request.folder, request.files,
                      request.options.ResFileUsage.Contains(ruOnPack));
}

std::string TSevenZip32::BuildDeleteCommand(const TCommandRequest& request) {
  return BuildCommand("d", request.archiveName, request.options, "", request.files,
                      request.options.ResFileUsage.Contains(ruOnRemoveItem));
}

int TSevenZip32::MakeSfx(ArcWindow, const std::string& archiveName, const TArchiverOptions& options,
                         const std::string& folder, std::string&, std::string&) {
  const std::string sevenZipFolder = sfx::SevenZipFolder();
  if (SevenZipSfxModule.empty()) SevenZipSfxModule = SevenZipSfxModules[0];
  if (options.gw <= 0) throw EArchiver(msg::kNo16BitSfx);
  std::string module;
  if (!sevenZipFolder.empty()) module = sfx::SearchStub(SevenZipSfxModule, sevenZipFolder);
  if (module.empty()) module = sfx::SearchStub(SevenZipSfxModule);
  if (module.empty()) throw ESfxNoRequiredFile("7z", "", SevenZipSfxModule);
  const std::string output = sfx::OutputName(archiveName, ".exe", folder);
  sfx::RefuseOutputOnArchive("7z", archiveName, output);
  std::vector<std::string> sources{module};
  if (!SevenZipSfxConfig.empty()) sources.push_back(SevenZipSfxConfig);
  sources.push_back(archiveName);
  sfx::JoinFiles(output, sources);
  return 0;
}

}  // namespace archives
