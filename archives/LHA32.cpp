#include "archives/LHA32.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "archives/ArchiverErrors.h"
#include "platform/Files.h"

namespace archives {

namespace {

// AddNum for each switch, in the order given.
void AddNums(TCmdOpt& cmd, std::initializer_list<std::pair<const char*, std::int8_t>> switches) {
  for (const auto& [name, value] : switches) cmd.AddNum(name, value);
}

}  // namespace

const LibraryInfo TLha32::kLibrary{"LHA 形式書庫", "UNLHA32.DLL", "Unlha"};

bool TLha32::ProbeArchive(const std::string& fileName) {
  return Guarded(false, [&] {
    LoadDLL();
    std::string fullPath = platform::ExpandFullPath(fileName);
    if (SharedDll()->CheckArchive(fullPath, kCheckModeLha) == 0) return false;
    return OpensAsArchive(*SharedDll(), fullPath, true);
  });
}

std::string TLha32::BuildCommand(const std::string& command, const std::string& archiveName,
                                 const TArchiverOptions& o, const std::string& folder,
                                 const TValueList& files, bool useResponseFile) const {
  TCmdOpt cmd;
  cmd.Add("-+");
  if (command == "x" && o.jse == -1) throw EAssertionFailed(msg::kJseNotSet);
  if (o.jso == -1) throw EAssertionFailed(msg::kJsoNotSet);

  AddNums(cmd, {{"a", o.a}, {"c", o.c}, {"e", o.e}, {"f", o.f},
                {"h", o.h}, {"i", o.i}, {"l", o.l}, {"m", o.m}});
  cmd.AddNum("n", HasOwnerWindow() ? 1 : o.n);
  AddNums(cmd, {{"o", o.o}, {"p", o.p}, {"r", o.r}, {"s", o.s}, {"t", o.t}, {"u", o.u}});
  cmd.AddDir("w", o.w);
  AddNums(cmd, {{"x", o.x}, {"y", o.y}, {"z", o.z}, {"jc", o.jc}, {"jd", o.jd}, {"je", o.je},
                {"jf", o.jf}, {"jh", o.jh}, {"ji", o.ji}, {"jm", o.jm}, {"jn", o.jn}});
  cmd.AddStr("jo", o.jo);
  cmd.AddStr("job", o.job);
  AddNums(cmd, {{"jp", o.jp}, {"jr", o.jr}, {"jsb", o.jsb}, {"jsc", o.jsc}, {"jsd", o.jsd},
                {"jse", o.jse}, {"jsf", o.jsf}, {"jsl", o.jsl}, {"jso", o.jso}, {"jss", o.jss},
                {"jst", o.jst}, {"jsv", o.jsv}, {"jsz", o.jsz}, {"jw", o.jw}});
  cmd.AddFiles("jx", {TValue(&o.jx)});
  AddNums(cmd, {{"jyc", o.jyc}, {"jyd", o.jyd}, {"jyk", o.jyk}, {"jyn", o.jyn}, {"jyo", o.jyo}});
  cmd.AddStr("jz", o.jz);
  AddNums(cmd, {{"ga", o.ga}, {"gd", o.gd}, {"ge", o.ge}, {"gf", o.gf}, {"gj", o.gj},
                {"gm", o.gm}, {"gn", o.gn}, {"go", o.go}, {"gp", o.gp}});
  cmd.AddStr("gr", o.gr);
  AddNums(cmd, {{"gs", o.gs}, {"gu", o.gu}, {"gw", o.gw}, {"gya", o.gya}, {"gyc", o.gyc}});
  cmd.AddStr("gyd", o.gyd);
  cmd.AddStr("gye", o.gye);
  AddNums(cmd, {{"gyo", o.gyo}, {"gyq", o.gyq}, {"gys", o.gys}});
  cmd.AddStr("gyt", o.gyt);
  cmd.AddStr("gyw", o.gyw);
  cmd.AddNum("gyx", o.gyx);

  cmd.Add(o.UserOptions);
  AddArchiveArguments(cmd, archiveName, folder);
  AddFileArguments(cmd, o, files, useResponseFile);
  return command + cmd.CmdLine;
}

std::string TLha32::BuildExtractCommand(const std::string& archiveName,
                                        const TArchiverOptions& options,
                                        const std::string& folder, const TValueList& files,
                                        bool) {
  return BuildCommand("x", archiveName, options, folder, files,
                      options.ResFileUsage.Contains(ruOnUnpack));
}

std::string TLha32::BuildPackCommand(const std::string& archiveName,
                                     const TArchiverOptions& options, const std::string& folder,
                                     const TValueList& files, bool) {
  return BuildCommand("u", archiveName, options, folder, files,
                      options.ResFileUsage.Contains(ruOnPack));
}

std::string TLha32::BuildDeleteCommand(const std::string& archiveName,
                                       const TArchiverOptions& options, const std::string&,
                                       const TValueList& files, bool) {
  return BuildCommand("d", archiveName, options, "", files,
                      options.ResFileUsage.Contains(ruOnRemoveItem));
}

std::string TLha32::BuildUpdateCommand(const std::string& archiveName,
                                       const TArchiverOptions& options, const std::string& folder,
                                       const TValueList& files, bool) {
  return BuildCommand("f", archiveName, options, folder, files,
                      options.ResFileUsage.Contains(ruOnUpdate));
}

std::string TLha32::BuildSfxCommand(const std::string& archiveName,
                                    const TArchiverOptions& options, const std::string& folder) {
  return BuildCommand("s", archiveName, options, folder, {}, false);
}

std::string TLha32::BuildExtractMemCommand(const std::string& archiveName,
                                           const TArchiverOptions& options,
                                           const std::string& memberName) {
  return BuildCommand("", archiveName, options, "", {TValue(memberName)}, false);
}

}  // namespace archives
