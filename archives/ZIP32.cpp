#include "archives/ZIP32.h"

#include "archives/ArchiverErrors.h"
#include "archives/FormatSupport.h"
#include "archives/SelfExtracting.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace archives {

namespace {
std::unique_ptr<TZipDll> sharedDll;

// The rest of a command line after the options: user options, archive,
// folder, files and the user's file list.
std::string FinishCommand(TCmdOpt& cmd, const std::string& command, const std::string& archiveName,
                          const TArchiverOptions& options, const std::string& folder, const TValueList& files,
                          bool useResponseFile) {
  cmd.Add(options.UserOptions);
  TArchiver::AddArchiveArguments(cmd, archiveName, folder);
  TArchiver::AddFileArguments(cmd, options, files, useResponseFile);
  return command + cmd.CmdLine;
}

}  // namespace

std::string EscapeZipFileName(const std::string& fileName) {
  std::string result;
  std::size_t pos = 0;
  if (!fileName.empty() && fileName[0] == '-') {
    result = "[-]";
    pos = 1;
  }
  while (pos < fileName.size()) {
    const std::size_t length = platform::CharLength(fileName, pos);
    if (length == 1 && fileName[pos] == '\\') {
      result += '/';
    } else if (length == 1 && fileName[pos] == '[') {
      result += "[[]";
    } else {
      result.append(fileName, pos, length);
    }
    pos += length;
  }
  return result;
}

void TZip32::LoadDLL() {
  if (sharedDll) return;
  sharedDll = std::make_unique<TZipDll>();
  sharedDll->LoadDLL();
}

void TZip32::FreeDLL() { sharedDll.reset(); }

TZipDll* TZip32::SharedDll() { return sharedDll.get(); }

TCustomArchiverDll& TZip32::ArchiverDll() {
  LoadDLL();
  return *sharedDll;
}

bool TZip32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    std::string fullPath = platform::ExpandFullPath(fileName);
    if (sharedDll->CheckArchive(fullPath, kCheckModeZip) == 0) return false;
    if (!platform::FileExists(fullPath)) return false;
    return OpensAsArchive(*sharedDll, fullPath, false);
  });
}

int TZip32::Delete(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
                   std::string& output) {
  commandLine = BuildDeleteCommand({archiveName, options, folder, files, useResponseFile});
  LoadDLL();
  return sharedDll->ChangeCommand(window, commandLine, output.data(), static_cast<std::uint32_t>(output.size()));
}

int TZip32::Update(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
                   std::string& output) {
  commandLine = BuildUpdateCommand({archiveName, options, folder, files, useResponseFile});
  LoadDLL();
  return sharedDll->ChangeCommand(window, commandLine, output.data(), static_cast<std::uint32_t>(output.size()));
}

std::string TZip32::BuildUnZipCommand(const std::string& command, const std::string& archiveName,
                                      const TArchiverOptions& o, const std::string& folder, const TValueList& files,
                                      bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.OnConvertFileName = EscapeZipFileName;
  if (o.c == 1) cmd.Add("-o");
  if (o.n > 0 || HasOwnerWindow()) cmd.Add("--i");
  if (o.x == 0) cmd.Add("-j");
  return FinishCommand(cmd, command, archiveName, o, folder, files, useResponseFile);
}

std::string TZip32::BuildLmZipCommand(const std::string& command, const std::string& archiveName,
                                      const TArchiverOptions& o, const std::string& folder, const TValueList& files,
                                      bool useResponseFile) const {
  TCmdOpt cmd;
  if (o.c == 1) cmd.Add("-o");
  if (o.x == 0) cmd.Add("-j");
  return FinishCommand(cmd, command, archiveName, o, folder, files, useResponseFile);
}

std::string TZip32::BuildZipCommand(const std::string& command, const std::string& archiveName,
                                    const TArchiverOptions& o, const std::string& folder, const TValueList& files,
                                    bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.OnConvertFileName = EscapeZipFileName;
  if (o.a > 0) cmd.Add("-S");
  if (o.a < 2) cmd.Add("-D");
  if (o.l > 0) cmd.Add("-v");
  if (o.n > 0) cmd.Add("-q");
  if (o.r > 0) cmd.Add("-r");
  if (o.n > 0) cmd.Add("-o");
  if (o.u > 0) cmd.Add("-u");
  if (o.x == 0) cmd.Add("-j");
  if (o.jc > 0) cmd.Add("-FF");
  if (o.ji > 0) cmd.Add("-k");
  cmd.AddNum("", o.jm);
  if (o.gd > 0) cmd.Add("-J");
  return FinishCommand(cmd, command, archiveName, o, folder, files, useResponseFile);
}

std::string TZip32::BuildExtractCommand(const TCommandRequest& request) {
  LoadDLL();
  if (!sharedDll->UnZipModule() && !sharedDll->LmZipModule()) {
    throw EArchiver(msg::kZipNoUnpacker);
  }
  return BuildUnZipCommand("-x", request.archiveName, request.options, request.folder, request.files,
                           request.useResponseFile);
}

std::string TZip32::BuildPackCommand(const TCommandRequest& request) {
  LoadDLL();
  if (sharedDll->ZipModule()) {
    return BuildZipCommand("", request.archiveName, request.options, request.folder, request.files,
                           request.useResponseFile);
  }
  if (sharedDll->LmZipModule()) {
    return BuildLmZipCommand("-ru", request.archiveName, request.options, "", request.files, request.useResponseFile);
  }
  throw EArchiver(msg::kZipNoPacker);
}

std::string TZip32::BuildDeleteCommand(const TCommandRequest& request) {
  return BuildZipCommand("-d", request.archiveName, request.options, "", request.files, request.useResponseFile);
}

std::string TZip32::BuildUpdateCommand(const TCommandRequest& request) {
  return BuildZipCommand("-f", request.archiveName, request.options, request.folder, request.files,
                         request.useResponseFile);
}

std::string TZip32::BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildUnZipCommand("", archiveName, options, "", {TValue(memberName)}, false);
}

std::string TZip32::BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                                    const std::string& folder) {
  LoadDLL();
  if (!sharedDll->ZipModule()) throw ESfxNoRequiredFile("zip", "", TZipDll::kZipDllName);
  const bool win32 = options.gw > 0;
  const char* const stubName = win32 ? "sfx32gui.dat" : "sfx16.dat";
  const std::string stub = sfx::SearchStub(stubName);
  if (stub.empty()) throw ESfxNoRequiredFile("zip", win32 ? "Win32" : "DOS", stubName);
  const std::string output = sfx::OutputName(archiveName, ".EXE", folder);
  sfx::RefuseOutputOnArchive("zip", archiveName, output);
  sfx::JoinFiles(output, {stub, archiveName});
  return "-A " + output;
}

}  // namespace archives
