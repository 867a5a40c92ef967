#include "archives/YZ132.h"

#include <memory>

#include "archives/ArchiverErrors.h"
#include "archives/FormatSupport.h"
#include "archives/SelfExtracting.h"
#include "platform/Files.h"

namespace archives {

namespace {
std::unique_ptr<TYZ1Dll> sharedDll;
}  // namespace

const char* const TYZ1::kDllNames[2] = {"YYZ32.DLL", "YZ1.DLL"};

void TYZ1::LoadDLL() {
  if (sharedDll) return;
  std::string names;
  for (const char* name : kDllNames) {
    try {
      sharedDll = std::make_unique<TYZ1Dll>(name);
      sharedDll->LoadDLL();
      return;
    } catch (...) {
      sharedDll.reset();
    }
    names += names.empty() ? name : std::string(" か ") + name;
  }
  throw EArchiver("Yz1 形式書庫を扱うには " + names + " が必要です。");
}

void TYZ1::FreeDLL() { sharedDll.reset(); }

TYZ1Dll* TYZ1::SharedDll() { return sharedDll.get(); }

TCustomArchiverDll& TYZ1::ArchiverDll() {
  LoadDLL();
  return *sharedDll;
}

bool TYZ1::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    return LibraryOpensFile(*sharedDll, fileName, true);
  });
}

std::string TYZ1::BuildCommand(const std::string& command, const std::string& archiveName, const TArchiverOptions& o,
                               const std::string& folder, const TValueList& files, bool useResponseFile) const {
  // The compression level (m) decides y; levels 0 and 2 also force c to 2.
  int c = o.c;
  int y = -1;
  switch (o.m) {
    case 0: y = 2; break;
    case 1: y = 1; break;
    case 2: y = 2; break;
    case 9: y = 0; break;
    default: break;
  }
  if (y == 2) c = 2;
  TCmdOpt cmd;
  cmd.Add("-+");
  cmd.AddNum("c", c);
  cmd.AddNum("y", y);
  cmd.AddFlag("i", o.n > 0 || HasOwnerWindow());
  cmd.AddNum("z", o.p);
  cmd.AddNum("x", o.x);
  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TYZ1::BuildExtractCommand(const TCommandRequest& request) {
  return BuildCommand("x", request.archiveName, request.options, request.folder, request.files,
                      request.useResponseFile);
}

std::string TYZ1::BuildPackCommand(const TCommandRequest& request) {
  return BuildCommand("c", request.archiveName, request.options, request.folder, request.files,
                      request.useResponseFile);
}

int TYZ1::MakeSfx(ArcWindow, const std::string& archiveName, const TArchiverOptions& options, const std::string& folder,
                  std::string&, std::string&) {
  std::string stub;
  if (options.gw <= 0) {
    const char* const stubName = "yzdos16.sfx";
    stub = sfx::SearchStub(stubName);
    if (stub.empty()) throw EArchiver(FormatMessageText(msg::kYz1NoDosStub, {stubName}));
  } else {
    stub = sfx::SearchStub("yzw32cui.sfx");
    if (stub.empty()) stub = sfx::SearchStub("yzdec.exe");
    if (stub.empty()) throw EArchiver(msg::kYz1NoWin32Stub);
  }
  const std::string output = sfx::OutputName(archiveName, ".exe", folder);
  sfx::RefuseOutputOnArchive("yz1", archiveName, output);
  const std::uint64_t size = platform::FileSize(archiveName);
  sfx::RefuseYz1Size(size);
  sfx::JoinFiles(output, {stub, archiveName}, sfx::BigEndianSize(static_cast<std::uint32_t>(size)));
  return 0;
}

}  // namespace archives
