#include "archives/ARCHIVES.h"

#include "archives/ARJ32.h"
#include "archives/ArchiverErrors.h"
#include "archives/BGA32.h"
#include "archives/CAB32.h"
#include "archives/CmdOpt.h"
#include "archives/GCA32.h"
#include "archives/LHA32.h"
#include "archives/RAR32.h"
#include "archives/SZIP32.h"
#include "archives/TAR32.h"
#include "archives/YZ132.h"
#include "archives/ZIP32.h"
#include "platform/CodePage.h"

namespace archives {

namespace {

// The formats by extension, compared without regard to letter case.
struct ExtensionType {
  const char* extension;
  TArchiverType type;
};
const ExtensionType kExtensionTable[] = {
    {".lzh", atLha},  {".zip", atZip}, {".jar", atZip}, {".ear", atZip}, {".war", atZip}, {".cab", atCab},
    {".arj", atArj},  {".a", atTar},   {".lib", atTar}, {".tar", atTar}, {".deb", atTar}, {".rpm", atTar},
    {".cpio", atTar}, {".z", atTgz},   {".gz", atTgz},  {".tgz", atTgz}, {".taz", atTgz}, {".bz2", atBZ2},
    {".rar", atRar},  {".gza", atBga}, {".bza", atBga}, {".yz1", atYz1}, {".gca", atGCA}, {".7z", at7z},
};

// The content probes after the TAR family's, in the order they are asked; a
// later positive answer overrides an earlier one.
struct ContentProbe {
  bool (*probe)(const std::string& fileName);
  TArchiverType type;
};
const ContentProbe kContentProbes[] = {
    {&TRar32::ProbeArchive, atRar}, {&TArj32::ProbeArchive, atArj}, {&TZip32::ProbeArchive, atZip},
    {&TBGA32::ProbeArchive, atBga}, {&TYZ1::ProbeArchive, atYz1},   {&TCab32::ProbeArchive, atCab},
    {&TLha32::ProbeArchive, atLha},
};

// The extension with its dot: the text from the last "." of the name, unless
// a "\\" or ":" follows it; empty otherwise.
std::string ExtensionWithDot(const std::string& fileName) {
  std::size_t pos = platform::LastDelimiter(".\\:", fileName);
  if (pos == std::string::npos || fileName[pos] != '.') return std::string();
  return fileName.substr(pos);
}

TArchiverType TypeByExtension(const std::string& fileName) {
  // Lower-casing leaves every non-ASCII character non-ASCII, so only the
  // letters A-Z can make a table entry match.
  std::string extension = platform::AnsiLowerCase(ExtensionWithDot(fileName));
  if (extension == ".exe") return DetectArchiverType(fileName, TDetectBy::Content);
  for (const ExtensionType& entry : kExtensionTable) {
    if (extension == entry.extension) return entry.type;
  }
  return atNone;
}

TArchiverType TypeByContent(const std::string& fileName) {
  TArchiverType result = TTar32::ProbeArchive(fileName);
  for (const ContentProbe& probe : kContentProbes) {
    if (probe.probe(fileName)) result = probe.type;
  }
  return result;
}

}  // namespace

TArchiverType DetectArchiverType(const std::string& fileName, TDetectBy by) {
  return by == TDetectBy::Extension ? TypeByExtension(fileName) : TypeByContent(fileName);
}

std::unique_ptr<TArchiver> CreateArchiver(TArchiverType type) {
  switch (type) {
    case atLha: return std::make_unique<TLha32>();
    case atZip: return std::make_unique<TZip32>();
    case atCab: return std::make_unique<TCab32>();
    case atArj: return std::make_unique<TArj32>();
    case atTar: return std::make_unique<TTar32>();
    case atTgz: return std::make_unique<TTgz32>();
    case atBZ2: return std::make_unique<TBZ232>();
    case atRar: return std::make_unique<TRar32>();
    case atBga: return std::make_unique<TBGA32>();
    case atYz1: return std::make_unique<TYZ1>();
    case atGCA: return std::make_unique<TGCA32>();
    case at7z: return std::make_unique<TSevenZip32>();
    case atBel:
    case atNone:
    case atAutoDetect: break;
  }
  return nullptr;
}

// ---- TArchiveFile -------------------------------------------------------

TArchiveFile::TArchiveFile() : options_(std::make_unique<TArchiverOptions>()), fileName_(kNotSetText) {}

TArchiveFile::~TArchiveFile() = default;

void TArchiveFile::SetFileName(const std::string& value) {
  SetArchiverType(DetectArchiverType(value, TDetectBy::Extension));
  fileName_ = value;
}

void TArchiveFile::SetArchiverType(TArchiverType value) {
  if (ComponentState & csDesigning) {
    archiverType_ = value;
    return;
  }
  if (value == atNone) return;
  if (value == atAutoDetect) {
    archiverType_ = value;
    return;
  }
  std::unique_ptr<TArchiver> archiver = CreateArchiver(value);
  if (!archiver) {
    if (ComponentState & csReading) {
      archiverType_ = value;
      return;
    }
    throw EArchiver(msg::kTypeNotSpecified);
  }
  archiver_ = std::move(archiver);
  archiverType_ = value;
}

void TArchiveFile::SetOutputSize(int size) {
  output_.assign(size > 0 ? static_cast<std::size_t>(size) : 0, ' ');
  if (!output_.empty()) output_[0] = '\0';
}

TArchiver& TArchiveFile::RequireArchiver() {
  if (!archiver_) throw EArchiver(msg::kTypeNotDetermined);
  return *archiver_;
}

int TArchiveFile::OpenArchive(ArcWindow window, std::uint32_t mode) {
  if (archiverType_ == atAutoDetect) {
    SetArchiverType(DetectArchiverType(fileName_, TDetectBy::Content));
  }
  handle_ = RequireArchiver().OpenArchive(window, fileName_, mode);
  return handle_ ? 0 : 1;
}

int TArchiveFile::FindFirst(const std::string& wildcard, TMemberInfo& info) {
  return RequireArchiver().FindFirst(handle_, info, wildcard);
}

int TArchiveFile::FindNext(TMemberInfo& info) { return RequireArchiver().FindNext(handle_, info); }

void TArchiveFile::CloseArchive() {
  RequireArchiver().CloseArchive(handle_);
  handle_ = nullptr;
}

}  // namespace archives
