#include "archives/SelfExtracting.h"

#include <fstream>
#include <memory>

#include "archives/ArchiverErrors.h"
#include "archives/CmdOpt.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace archives {
namespace sfx {

namespace {

const char kSevenZipKey[] = "SOFTWARE\\7-ZIP";
const char kSevenZipPathValue[] = "Path";
constexpr std::size_t kCopyChunk = 64 * 1024;

}  // namespace

std::string SearchStub(const std::string& fileName, const std::string& folder) {
  return platform::SearchFile(fileName, folder);
}

std::string SevenZipFolder() {
  platform::RegistryKey key(platform::RegistryRoot::LocalMachine, platform::kKeyRead);
  if (!key.OpenKey(kSevenZipKey, false)) return std::string();
  return key.ReadString(kSevenZipPathValue);
}

std::string OutputName(const std::string& archiveName, const std::string& extension, const std::string& folder) {
  const std::string renamed = platform::ChangeFileExt(archiveName, extension);
  if (folder.empty() || IsNotSet(folder)) return renamed;
  const std::string separator(1, platform::PathSeparator());
  const std::string joint = platform::LastCharacter(folder) == separator ? "" : separator;
  return folder + joint + platform::ExtractFileName(renamed);
}

void RefuseOutputOnArchive(const std::string& archiveKind, const std::string& archiveName, const std::string& output) {
  // A second name for the same file (a short name, another drive letter, a
  // link) passes the comparison of names; the file's identity does not.
  if (platform::AnsiSameText(platform::ExpandFullPath(archiveName), platform::ExpandFullPath(output)) ||
      platform::IsSameFile(archiveName, output)) {
    throw EArchiver(FormatMessageText(msg::kSfxOutputIsArchive, {archiveKind, output}));
  }
}

std::string BigEndianSize(std::uint32_t size) {
  std::string bytes(4, '\0');
  for (int i = 3; i >= 0; --i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(size & 0xFF);
    size >>= 8;
  }
  return bytes;
}

void RefuseYz1Size(std::uint64_t size) {
  if (!FitsSizeTrailer(size)) throw EArchiver(msg::kYz1SfxTooLarge);
}

void JoinFiles(const std::string& output, const std::vector<std::string>& sources, const std::string& trailer) {
  // Others may read the sources but not write them while they are open: an
  // output that is one of them under another name cannot be created.
  std::vector<std::unique_ptr<platform::SharedReadFile>> inputs;
  for (const std::string& source : sources) inputs.push_back(std::make_unique<platform::SharedReadFile>(source));
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  if (!out) throw platform::FileError("cannot create \"" + output + "\"");
  std::unique_ptr<char[]> chunk(new char[kCopyChunk]);
  for (const auto& input : inputs) {
    while (const std::size_t got = input->Read(chunk.get(), kCopyChunk)) {
      out.write(chunk.get(), static_cast<std::streamsize>(got));
      if (!out) throw platform::FileError("cannot write \"" + output + "\"");
    }
  }
  out.write(trailer.data(), static_cast<std::streamsize>(trailer.size()));
  out.close();
  if (!out) throw platform::FileError("cannot write \"" + output + "\"");
}

}  // namespace sfx
}  // namespace archives
