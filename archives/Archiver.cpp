#include "archives/Archiver.h"

#include "archives/ArchiverErrors.h"
#include "platform/Files.h"

namespace archives {

void TArchiver::LoadDLL() { throw EArchiver("Abstract method 'TArchiver.LoadDLL' was called"); }

void TArchiver::FreeDLL() { throw EArchiver("Abstract method 'TArchiver.FreeDLL' was called"); }

void TArchiver::EnsureLoaded() { TArchiver::LoadDLL(); }

ArcHandle TArchiver::OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode) {
  return ArchiverDll().OpenArchive(window, platform::ExpandFullPath(fileName, 260), mode);
}

int TArchiver::FindFirst(ArcHandle archive, TMemberInfo& info, const std::string& wildcard) {
  return ArchiverDll().FindFirst(archive, wildcard, info);
}

int TArchiver::FindNext(ArcHandle archive, TMemberInfo& info) { return ArchiverDll().FindNext(archive, info); }

int TArchiver::CloseArchive(ArcHandle archive) { return ArchiverDll().CloseArchive(archive); }

int TArchiver::Extract(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                       const std::string& folder, const TValueList& files, bool useResponseFile,
                       std::string& commandLine, std::string& output) {
  commandLine = BuildExtractCommand({archiveName, options, folder, files, useResponseFile});
  return RunCommand(window, archiveName, commandLine, output);
}

int TArchiver::Pack(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                    const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
                    std::string& output) {
  commandLine = BuildPackCommand({archiveName, options, folder, files, useResponseFile});
  return RunPackCommand(window, archiveName, commandLine, output);
}

int TArchiver::Delete(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                      const std::string& folder, const TValueList& files, bool useResponseFile,
                      std::string& commandLine, std::string& output) {
  commandLine = BuildDeleteCommand({archiveName, options, folder, files, useResponseFile});
  return RunPackCommand(window, archiveName, commandLine, output);
}

int TArchiver::Update(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                      const std::string& folder, const TValueList& files, bool useResponseFile,
                      std::string& commandLine, std::string& output) {
  commandLine = BuildUpdateCommand({archiveName, options, folder, files, useResponseFile});
  return RunPackCommand(window, archiveName, commandLine, output);
}

int TArchiver::MakeSfx(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                       const std::string& folder, std::string& commandLine, std::string& output) {
  commandLine = BuildSfxCommand(archiveName, options, folder);
  return RunPackCommand(window, archiveName, commandLine, output);
}

int TArchiver::ExtractToMemory(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                               const std::string& memberName, unsigned char* buffer, std::uint32_t bufferSize,
                               std::uint32_t* writtenSize, std::string& commandLine) {
  commandLine = BuildExtractMemCommand(archiveName, options, memberName);
  // The binding's ExtractMem relies on a loaded library. Every format but GCA
  // loads it when the archiver is made; GCA only when a loading call comes,
  // so a memory extraction may well be the first call: load here (a no-op
  // when loaded), which reports a missing library as such.
  TCustomArchiverDll& dll = ArchiverDll();
  dll.LoadDLL();
  return dll.ExtractMem(window, commandLine, buffer, bufferSize, nullptr, nullptr, writtenSize);
}

std::string TArchiver::BuildPackCommand(const TCommandRequest&) { throw EArchiver(msg::kNoPack); }

std::string TArchiver::BuildDeleteCommand(const TCommandRequest&) { throw EArchiver(msg::kNoDelete); }

std::string TArchiver::BuildUpdateCommand(const TCommandRequest&) { throw EArchiver(msg::kNoUpdate); }

std::string TArchiver::BuildSfxCommand(const std::string&, const TArchiverOptions&, const std::string&) {
  throw EArchiver(msg::kNoSfx);
}

std::string TArchiver::BuildExtractMemCommand(const std::string&, const TArchiverOptions&, const std::string&) {
  throw EArchiver(msg::kNoExtractMem);
}

int TArchiver::RunCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine,
                          std::string& output) {
  return ArchiverDll().Command(window, archiveName, commandLine, output.data(),
                               static_cast<std::uint32_t>(output.size()));
}

int TArchiver::RunPackCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine,
                              std::string& output) {
  return ArchiverDll().PackCommand(window, archiveName, commandLine, output.data(),
                                   static_cast<std::uint32_t>(output.size()));
}

void TArchiver::AddArchiveArguments(TCmdOpt& cmd, const std::string& archiveName, const std::string& folder) {
  cmd.AddStr("", archiveName);
  cmd.AddDir("", folder);
}

int TArchiver::AddFileArguments(TCmdOpt& cmd, const TArchiverOptions& options, const TValueList& files,
                                bool useResponseFile) {
  const std::string& responseFile = options.ResFileName;
  const int count = useResponseFile && !responseFile.empty() && !IsNotSet(responseFile)
                        ? cmd.AddResponseFile(files, responseFile)
                        : cmd.AddFiles("", files);
  cmd.Add(options.UserFileList);
  return count;
}

ArcBool TArchiver::CheckArchive(const std::string& fileName, int mode, int extraMode) {
  return ArchiverDll().CheckArchive(fileName, mode + extraMode);
}

bool TArchiver::SetOwnerWindow(ArcWindow window, ArchiverProc callback) {
  OwnerWindow = window;
  return ArchiverDll().SetOwnerWindowEx(window, callback) != 0;
}

bool TArchiver::KillOwnerWindow(ArcWindow window) {
  ArcBool result = ArchiverDll().KillOwnerWindowEx(window);
  OwnerWindow = nullptr;
  return result != 0;
}

ArcBool TArchiver::SetEnumMembersProc(void* first, void* second) {
  return ArchiverDll().SetEnumMembersProc64(first, second);
}

ArcBool TArchiver::ClearEnumMembersProc() { return ArchiverDll().ClearEnumMembersProc64(); }

}  // namespace archives
