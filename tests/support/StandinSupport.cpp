#include "tests/support/StandinSupport.h"

#include <stdexcept>

#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "testlibs/standin_text.h"

#ifndef MOKURENA_EXE_SUFFIX
#define MOKURENA_EXE_SUFFIX ""
#endif

namespace testsupport {

const std::string kNullText = standin::NullText();

namespace {

std::string StandinRoot() {
  std::string binFolder = platform::ExtractFilePath(platform::ExecutablePath());
  return platform::ExpandFullPath(platform::JoinPath(platform::JoinPath(binFolder, ".."), "standins"));
}

std::string ReadIfPresent(const std::string& path) {
  if (!platform::FileExists(path)) return std::string();
  return platform::ReadWholeFile(path);
}

// The lines that have their LF; a last line still being written is left out.
std::vector<std::string> CompleteLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) {
      // A line without its LF is one being written: it is not complete.
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> DecodeLine(const std::string& line, std::size_t minimumFields, const char* what) {
  std::vector<std::string> fields = standin::SplitFields(line);
  if (fields.size() < minimumFields) {
    throw std::runtime_error(std::string(what) + ": too few fields: " + line);
  }
  for (std::string& field : fields) {
    std::string decoded;
    if (!standin::UnescapeField(field, decoded)) {
      throw std::runtime_error(std::string(what) + ": bad escape: " + line);
    }
    field = decoded;
  }
  return fields;
}

}  // namespace

std::string StandinFolder(const std::string& variant) { return platform::JoinPath(StandinRoot(), variant); }

std::string StandinArchiverPath() {
  return platform::JoinPath(platform::JoinPath(StandinRoot(), "programs"),
                            std::string("standin_archiver") + MOKURENA_EXE_SUFFIX);
}

ScopedEnvironmentValue::ScopedEnvironmentValue(const std::string& name, const std::string& value)
    : name_(name), previous_(platform::GetEnvironmentValue(name)) {
  platform::SetEnvironmentValue(name_, value);
}

ScopedEnvironmentValue::~ScopedEnvironmentValue() { platform::SetEnvironmentValue(name_, previous_); }

ScopedLibraryFolder::ScopedLibraryFolder(const std::string& variant, const std::vector<std::string>& files)
    : folder_(platform::CreateTempFolder("mokurena-libs")) {
  try {
    for (const std::string& file : files) Add(variant, file);
  } catch (...) {
    platform::RemoveTree(folder_);
    throw;
  }
  platform::SetLibrarySearchFolder(folder_);
}

ScopedLibraryFolder::ScopedLibraryFolder(const Libraries& libraries)
    : folder_(platform::CreateTempFolder("mokurena-libs")) {
  try {
    for (const Library& library : libraries) Add(library.first, library.second);
  } catch (...) {
    platform::RemoveTree(folder_);
    throw;
  }
  platform::SetLibrarySearchFolder(folder_);
}

ScopedLibraryFolder::~ScopedLibraryFolder() {
  platform::SetLibrarySearchFolder("");
  try {
    platform::RemoveTree(folder_);
  } catch (...) {
    // A library still loaded cannot be deleted on Win32; the folder stays.
  }
}

void ScopedLibraryFolder::Add(const std::string& variant, const std::string& file) {
  std::string source = platform::JoinPath(StandinFolder(variant), file);
  if (!platform::FileExists(source)) {
    throw std::runtime_error("stand-in library not built: " + source);
  }
  platform::CopyFileTo(source, PathOf(file));
}

bool ScopedLibraryFolder::Remove(const std::string& file) { return platform::RemoveFile(PathOf(file)); }

std::string ScopedLibraryFolder::PathOf(const std::string& file) const { return platform::JoinPath(folder_, file); }

ScopedCallLog::ScopedCallLog()
    : folder_(platform::CreateTempFolder("mokurena-log")),
      path_(platform::JoinPath(folder_, "calls.log")),
      variable_("MOKURENA_STANDIN_LOG", path_) {}

ScopedCallLog::~ScopedCallLog() {
  try {
    platform::RemoveTree(folder_);
  } catch (...) {
  }
}

std::vector<std::string> ScopedCallLog::Lines() const { return CompleteLines(ReadIfPresent(path_)); }

std::vector<StandinCall> ScopedCallLog::Read() const {
  std::vector<StandinCall> calls;
  for (const std::string& line : Lines()) {
    std::vector<std::string> fields = DecodeLine(line, 2, "call log");
    StandinCall call;
    call.dll = fields[0];
    call.entry = fields[1];
    call.args.assign(fields.begin() + 2, fields.end());
    calls.push_back(std::move(call));
  }
  return calls;
}

std::vector<std::string> ScopedCallLog::Entries() const {
  std::vector<std::string> entries;
  for (const StandinCall& call : Read()) entries.push_back(call.entry);
  return entries;
}

void ScopedCallLog::Clear() { platform::RemoveFile(path_); }

std::vector<ArchiverRecord> ReadArchiverRecords(const std::string& path) {
  std::vector<ArchiverRecord> records;
  for (const std::string& line : CompleteLines(ReadIfPresent(path))) {
    std::vector<std::string> fields = DecodeLine(line, 3, "archiver record");
    ArchiverRecord record;
    record.commandLine = fields[0];
    record.currentFolder = fields[1];
    record.programPath = fields[2];
    record.arguments.assign(fields.begin() + 3, fields.end());
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace testsupport
