#include "ArchiveTools.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <iconv.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace archives;

namespace backends_test {

TempFolder::TempFolder() {
  char pattern[] = "/tmp/backends-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  const std::string command = "rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) {
  }
}

void MakeFolders(const std::string& path) {
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at == path.size() || path[at] == '/') ::mkdir(path.substr(0, at).c_str(), 0755);
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos) MakeFolders(path.substr(0, slash));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int RunTool(const std::vector<std::string>& argv, const std::string& folder,
            const std::vector<std::string>& environment) {
  pid_t pid = fork();
  if (pid == 0) {
    int log = ::open("/tmp/backends-test-tools.log", O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    int null = ::open("/dev/null", O_RDONLY);
    dup2(null, 0);
    if (chdir(folder.c_str()) != 0) _exit(126);
    for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

bool HaveProgram(const std::string& name) {
  const std::string command = "command -v '" + name + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void Put64(std::string& out, std::uint64_t v) {
  Put32(out, static_cast<std::uint32_t>(v));
  Put32(out, static_cast<std::uint32_t>(v >> 32));
}

std::string ToCp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* o = &out[0];
  std::size_t outLeft = out.size();
  const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible: " + utf8);
  out.resize(out.size() - outLeft);
  return out;
}

Library::Library(const std::string& fileName, const std::string& prefix)
    : handle_(dlopen((std::string(MOKURENA_BACKENDS_DIR) + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL)),
      prefix_(prefix),
      writeTimeName_(prefix == "UnZip" ? "UnzipGetWriteTimeEx" : prefix + "GetWriteTimeEx") {}

Library::~Library() {
  if (handle_) dlclose(handle_);
}

void* Library::Entry(const std::string& suffix) const {
  return handle_ ? dlsym(handle_, (prefix_ + suffix).c_str()) : nullptr;
}

ArcHandle Library::Open(const std::string& path) const {
  auto open = reinterpret_cast<OpenArchiveEntry>(Entry("OpenArchive"));
  return open ? open(nullptr, path.c_str(), kModeList) : nullptr;
}

int Library::Close(ArcHandle archive) const {
  return reinterpret_cast<CloseArchiveEntry>(Entry("CloseArchive"))(archive);
}

int Library::Check(const std::string& path, int mode) const {
  return reinterpret_cast<CheckArchiveEntry>(Entry("CheckArchive"))(path.c_str(), mode);
}

int Library::ArchiveType(const std::string& path) const {
  return reinterpret_cast<GetArchiveTypeEntry>(Entry("GetArchiveType"))(path.c_str());
}

std::vector<Listed> Library::List(const std::string& path, int* endCode, bool* opened, const char* wildcard) const {
  std::vector<Listed> members;
  auto first = reinterpret_cast<FindFirstEntry>(Entry("FindFirst"));
  auto next = reinterpret_cast<FindNextEntry>(Entry("FindNext"));
  auto writeTime = reinterpret_cast<GetTimeExEntry>(dlsym(handle_, writeTimeName_.c_str()));
  auto accessTime = reinterpret_cast<GetTimeExEntry>(Entry("GetAccessTimeEx"));
  auto createTime = reinterpret_cast<GetTimeExEntry>(Entry("GetCreateTimeEx"));
  auto originalSize = reinterpret_cast<GetSizeExEntry>(Entry("GetOriginalSizeEx"));
  auto compressedSize = reinterpret_cast<GetSizeExEntry>(Entry("GetCompressedSizeEx"));
  ArcHandle archive = Open(path);
  if (opened) *opened = archive != nullptr;
  if (!archive) {
    if (endCode) *endCode = 0;
    return members;
  }
  TMemberInfo info;
  std::memset(&info, 0xCC, sizeof info);
  int r = first(archive, wildcard, &info);
  while (r == 0) {
    Listed m;
    m.info = info;
    m.name = info.FileName;
    m.hasWrite = writeTime(archive, &m.write) != 0;
    m.hasAccess = accessTime(archive, &m.access) != 0;
    m.hasCreate = createTime(archive, &m.create) != 0;
    m.hasOriginal = originalSize(archive, &m.original) != 0;
    m.hasCompressed = compressedSize(archive, &m.compressed) != 0;
    members.push_back(m);
    std::memset(&info, 0xCC, sizeof info);
    r = next(archive, &info);
  }
  if (endCode) *endCode = r;
  Close(archive);
  return members;
}

std::vector<std::string> Names(const std::vector<Listed>& members) {
  std::vector<std::string> names;
  for (const Listed& m : members) names.push_back(m.name);
  return names;
}

const Listed* FindMember(const std::vector<Listed>& members, const std::string& name) {
  for (const Listed& m : members)
    if (m.name == name) return &m;
  return nullptr;
}

}  // namespace backends_test
