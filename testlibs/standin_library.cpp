// A stand-in archiver library of the Common Archiver API, for tests.
//
// Built once per library file name: compile definitions choose the file name
// it reports (STANDIN_FILE_NAME), the format tag it accepts (STANDIN_TAG) and,
// for each entry it exports, the exported name (STANDIN_NAME_<slot>; an entry
// whose definition is absent does not exist in that build). testlibs/README.md
// describes the fixture archives it lists and the call log it writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "archives/ArchiverApi.h"
#include "testlibs/standin_fixture.h"
#include "testlibs/standin_text.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#include <unistd.h>
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#ifndef STANDIN_FILE_NAME
#error "STANDIN_FILE_NAME must name the library file"
#endif
#ifndef STANDIN_TAG
#error "STANDIN_TAG must name the accepted format tag"
#endif

#define STANDIN_STRINGIFY2(x) #x
#define STANDIN_STRINGIFY(x) STANDIN_STRINGIFY2(x)

using archives::ArcBool;
using archives::ArcHandle;
using archives::ArchiverProc;
using archives::ArcWindow;
using archives::TMemberInfo;

namespace {

constexpr int kEndOfList = -1;
constexpr int kBadArgument = -1;
constexpr const char* kLogVariable = "MOKURENA_STANDIN_LOG";
constexpr const char* kPasswordsVariable = "MOKURENA_STANDIN_PASSWORDS";
constexpr const char* kOutputText = "ok";

// Read on every call: tests change the variables while the library is loaded.
// Win32 reads the process environment, not the C runtime's copy of it.
std::string EnvironmentValue(const char* name) {
#if defined(_WIN32)
  char small[512];
  DWORD length = GetEnvironmentVariableA(name, small, sizeof small);
  if (length == 0) return std::string();
  if (length < sizeof small) return std::string(small, length);
  std::string large(length, '\0');
  DWORD copied = GetEnvironmentVariableA(name, &large[0], length);
  if (copied == 0 || copied >= length) return std::string();
  large.resize(copied);
  return large;
#else
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
#endif
}

void SleepForever() {
#if defined(_WIN32)
  Sleep(INFINITE);
#else
  pause();
#endif
}

// One line of the call log: file name, entry name, then the arguments.
class LogLine {
 public:
  explicit LogLine(const char* entry) : line_(STANDIN_FILE_NAME) {
    line_ += '\t';
    line_ += entry;
  }
  LogLine(const LogLine&) = delete;
  LogLine& operator=(const LogLine&) = delete;
  ~LogLine() {
    std::string path = EnvironmentValue(kLogVariable);
    if (!path.empty()) standin::AppendLine(path, line_);
  }

  LogLine& Text(const char* text) { return Field(standin::EscapeTextArgument(text)); }
  LogLine& Pointer(const void* pointer) { return Field(standin::PointerField(pointer)); }
  LogLine& Callback(ArchiverProc callback) {
    return Field(callback == nullptr ? std::string("0")
                                     : standin::HexField(reinterpret_cast<std::uintptr_t>(callback)));
  }
  LogLine& Decimal(long long value) { return Field(std::to_string(value)); }
  LogLine& Hex(std::uint64_t value) { return Field(standin::HexField(value)); }

 private:
  LogLine& Field(const std::string& field) {
    line_ += '\t';
    line_ += field;
    return *this;
  }
  std::string line_;
};

struct OpenedArchive {
  standin::Fixture fixture;
  std::size_t nextMember = 0;
  std::uint32_t lookups = 0;
  const standin::FixtureMember* current = nullptr;  // member of the last successful lookup
  std::optional<std::string> password;              // set by SetDefaultPassword
};

// Every open archive by its handle. A handle that is not in here (null,
// closed, another library's) is refused instead of being followed.
std::map<const void*, std::unique_ptr<OpenedArchive>>& OpenedArchives() {
  static std::map<const void*, std::unique_ptr<OpenedArchive>> archives;
  return archives;
}

OpenedArchive* FindArchive(ArcHandle handle) {
  auto found = OpenedArchives().find(handle);
  return found == OpenedArchives().end() ? nullptr : found->second.get();
}

// Position in the list of password answers; every OpenArchive restarts it.
std::size_t g_passwordAnswer = 0;

std::optional<standin::Fixture> ReadAcceptedFixture(const char* path) {
  std::optional<standin::Fixture> fixture = standin::ReadFixtureFile(path);
  if (fixture && !fixture->Accepts(STANDIN_TAG)) fixture.reset();
  return fixture;
}

void FillRecord(const standin::FixtureMember& member, TMemberInfo* info) {
  // Bytes 0-557 belong to the library; the rest is the caller's.
  std::memset(static_cast<void*>(info), 0, offsetof(TMemberInfo, LastWriteTime));
  info->OriginalSize = member.size;
  info->CompressedSize = member.packed;
  info->CRC = member.crc;
  info->Flag = member.flag;
  info->OSType = member.os;
  info->Ratio = member.ratio;
  info->DosDate = member.date;
  info->DosTime = member.time;
  std::size_t nameBytes = member.name.size();
  if (nameBytes > sizeof info->FileName) nameBytes = sizeof info->FileName;
  std::memcpy(info->FileName, member.name.data(), nameBytes);
  std::size_t attrBytes = member.attr.size();
  if (attrBytes > sizeof info->Attribute) attrBytes = sizeof info->Attribute;
  std::memcpy(info->Attribute, member.attr.data(), attrBytes);
  std::size_t methodBytes = member.method.size();
  if (methodBytes > sizeof info->Mode) methodBytes = sizeof info->Mode;
  std::memcpy(info->Mode, member.method.data(), methodBytes);
}

int LookUpMember(OpenedArchive& archive, TMemberInfo* info) {
  archive.current = nullptr;
  if (info == nullptr) return kBadArgument;
  const std::optional<std::string>& required = archive.fixture.password;
  if (required && archive.password != required) return archives::kErrorPasswordFile;
  ++archive.lookups;
  if (archive.fixture.failAt != 0 && archive.lookups == archive.fixture.failAt) {
    return archive.fixture.failCode;
  }
  if (archive.nextMember >= archive.fixture.members.size()) return kEndOfList;
  const standin::FixtureMember& member = archive.fixture.members[archive.nextMember++];
  FillRecord(member, info);
  archive.current = &member;
  return 0;
}

// Writes "ok" and its NUL when they fit; never beyond size.
std::uint32_t WriteOutput(void* buffer, std::uint32_t size) {
  const std::uint32_t needed = static_cast<std::uint32_t>(std::strlen(kOutputText)) + 1;
  if (buffer == nullptr || size < needed) return 0;
  std::memcpy(buffer, kOutputText, needed);
  return needed - 1;
}

[[maybe_unused]] int RunCommand(const char* entry, ArcWindow window, const char* commandLine, char* output,
                                std::uint32_t outputSize) {
  LogLine(entry).Pointer(window).Text(commandLine).Pointer(output).Decimal(outputSize);
  WriteOutput(output, outputSize);
  return 0;
}

[[maybe_unused]] ArcHandle OpenArchive(const char* entry, ArcWindow window, const char* path, std::uint32_t mode) {
  LogLine(entry).Pointer(window).Text(path).Hex(mode);
  g_passwordAnswer = 0;
  std::optional<standin::Fixture> fixture = ReadAcceptedFixture(path);
  if (!fixture || fixture->openFails) return nullptr;
  if (fixture->openStalls) {
    for (;;) SleepForever();
  }
  if (fixture->openCrashes) std::abort();
  for (std::uint32_t i = 0; i < fixture->openGrowsMiB; ++i) {
    char* block = static_cast<char*>(std::malloc(1 << 20));
    if (!block) std::abort();
    std::memset(block, 1, 1 << 20);  // committed, not only reserved
  }
  auto archive = std::make_unique<OpenedArchive>();
  archive->fixture = std::move(*fixture);
  ArcHandle handle = archive.get();
  OpenedArchives()[handle] = std::move(archive);
  return handle;
}

[[maybe_unused]] int CloseArchive(const char* entry, ArcHandle handle) {
  LogLine(entry).Pointer(handle);
  auto found = OpenedArchives().find(handle);
  if (found == OpenedArchives().end()) return kBadArgument;
  OpenedArchives().erase(found);
  return 0;
}

[[maybe_unused]] int FindFirst(const char* entry, ArcHandle handle, const char* wildcard, TMemberInfo* info) {
  // The wildcard is logged; every wildcard lists all members.
  LogLine(entry).Pointer(handle).Text(wildcard).Pointer(info);
  OpenedArchive* archive = FindArchive(handle);
  if (archive == nullptr) return kBadArgument;
  archive->nextMember = 0;
  archive->lookups = 0;
  return LookUpMember(*archive, info);
}

[[maybe_unused]] int FindNext(const char* entry, ArcHandle handle, TMemberInfo* info) {
  LogLine(entry).Pointer(handle).Pointer(info);
  OpenedArchive* archive = FindArchive(handle);
  if (archive == nullptr) return kBadArgument;
  return LookUpMember(*archive, info);
}

[[maybe_unused]] ArcBool CheckArchive(const char* entry, const char* path, int mode) {
  LogLine(entry).Text(path).Decimal(mode);
  std::optional<standin::Fixture> fixture = ReadAcceptedFixture(path);
  return fixture && !fixture->checkFails ? 1 : 0;
}

[[maybe_unused]] int GetArchiveType(const char* entry, const char* path) {
  LogLine(entry).Text(path);
  std::optional<standin::Fixture> fixture = standin::ReadFixtureFile(path);
  return fixture ? fixture->tarType : -1;
}

[[maybe_unused]] int ExtractMem(const char* entry, ArcWindow window, const char* commandLine, unsigned char* buffer,
                                std::uint32_t bufferSize, void* time, std::uint16_t* attribute,
                                std::uint32_t* writtenSize) {
  LogLine(entry)
      .Pointer(window)
      .Text(commandLine)
      .Pointer(buffer)
      .Decimal(bufferSize)
      .Pointer(time)
      .Pointer(attribute)
      .Pointer(writtenSize);
  std::uint32_t written = WriteOutput(buffer, bufferSize);
  if (writtenSize != nullptr) *writtenSize = written;
  return 0;
}

[[maybe_unused]] ArcBool SetOwnerWindowEx(const char* entry, ArcWindow window, ArchiverProc callback) {
  LogLine(entry).Pointer(window).Callback(callback);
  return 1;
}

[[maybe_unused]] ArcBool KillOwnerWindowEx(const char* entry, ArcWindow window) {
  LogLine(entry).Pointer(window);
  return 1;
}

using OptionalField = std::optional<std::uint64_t> standin::FixtureMember::*;

// The time and size entries answer for the member of the last successful
// lookup; 0 (not filled) when there is none or the fixture leaves it out.
[[maybe_unused]] ArcBool GetMemberValue(const char* entry, ArcHandle handle, std::uint64_t* value,
                                        OptionalField field) {
  LogLine(entry).Pointer(handle).Pointer(value);
  OpenedArchive* archive = FindArchive(handle);
  if (archive == nullptr || archive->current == nullptr || value == nullptr) return 0;
  const std::optional<std::uint64_t>& known = archive->current->*field;
  if (!known) return 0;
  *value = *known;
  return 1;
}

[[maybe_unused]] ArcBool SetEnumMembersProc64(const char* entry, void* first, void* second) {
  LogLine(entry).Pointer(first).Pointer(second);
  return 1;
}

[[maybe_unused]] ArcBool ClearEnumMembersProc64(const char* entry) {
  LogLine line(entry);
  return 1;
}

// Answers come from MOKURENA_STANDIN_PASSWORDS, ";"-separated, one per call.
[[maybe_unused]] int PasswordDialog(const char* entry, ArcWindow window, char* buffer, std::uint32_t size) {
  LogLine(entry).Pointer(window).Pointer(buffer).Decimal(size);
  std::string answers = EnvironmentValue(kPasswordsVariable);
  if (answers.empty()) return -1;
  std::size_t start = 0;
  for (std::size_t skipped = 0; skipped < g_passwordAnswer; ++skipped) {
    std::size_t separator = answers.find(';', start);
    if (separator == std::string::npos) return -1;  // list exhausted
    start = separator + 1;
  }
  ++g_passwordAnswer;
  std::size_t separator = answers.find(';', start);
  std::string answer = answers.substr(start, separator == std::string::npos ? std::string::npos : separator - start);
  if (answer == "cancel" || buffer == nullptr || size == 0) return -1;
  std::size_t copied = answer.size() < size ? answer.size() : size - 1;
  std::memcpy(buffer, answer.data(), copied);
  buffer[copied] = '\0';
  return 1;
}

[[maybe_unused]] int SetDefaultPassword(const char* entry, ArcHandle handle, const char* password) {
  LogLine(entry).Pointer(handle).Text(password);
  OpenedArchive* archive = FindArchive(handle);
  if (archive == nullptr || password == nullptr) return kBadArgument;
  archive->password = std::string(password);
  return 0;
}

}  // namespace

// The exported entries. Each exists only when its name is defined.

#define STANDIN_ENTRY_NAME(slot) STANDIN_STRINGIFY(STANDIN_NAME_##slot)

#ifdef STANDIN_NAME_Command
STANDIN_EXPORT int ARCAPI STANDIN_NAME_Command(ArcWindow window, const char* commandLine, char* output,
                                               std::uint32_t outputSize) {
  return RunCommand(STANDIN_ENTRY_NAME(Command), window, commandLine, output, outputSize);
}
#endif

#ifdef STANDIN_NAME_PackCommand
STANDIN_EXPORT int ARCAPI STANDIN_NAME_PackCommand(ArcWindow window, const char* commandLine, char* output,
                                                   std::uint32_t outputSize) {
  return RunCommand(STANDIN_ENTRY_NAME(PackCommand), window, commandLine, output, outputSize);
}
#endif

#ifdef STANDIN_NAME_OpenArchive
STANDIN_EXPORT ArcHandle ARCAPI STANDIN_NAME_OpenArchive(ArcWindow window, const char* path, std::uint32_t mode) {
  return OpenArchive(STANDIN_ENTRY_NAME(OpenArchive), window, path, mode);
}
#endif

#ifdef STANDIN_NAME_CloseArchive
STANDIN_EXPORT int ARCAPI STANDIN_NAME_CloseArchive(ArcHandle handle) {
  return CloseArchive(STANDIN_ENTRY_NAME(CloseArchive), handle);
}
#endif

#ifdef STANDIN_NAME_FindFirst
STANDIN_EXPORT int ARCAPI STANDIN_NAME_FindFirst(ArcHandle handle, const char* wildcard, TMemberInfo* info) {
  return FindFirst(STANDIN_ENTRY_NAME(FindFirst), handle, wildcard, info);
}
#endif

#ifdef STANDIN_NAME_FindNext
STANDIN_EXPORT int ARCAPI STANDIN_NAME_FindNext(ArcHandle handle, TMemberInfo* info) {
  return FindNext(STANDIN_ENTRY_NAME(FindNext), handle, info);
}
#endif

#ifdef STANDIN_NAME_CheckArchive
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_CheckArchive(const char* path, int mode) {
  return CheckArchive(STANDIN_ENTRY_NAME(CheckArchive), path, mode);
}
#endif

#ifdef STANDIN_NAME_GetArchiveType
STANDIN_EXPORT int ARCAPI STANDIN_NAME_GetArchiveType(const char* path) {
  return GetArchiveType(STANDIN_ENTRY_NAME(GetArchiveType), path);
}
#endif

#ifdef STANDIN_NAME_ExtractMem
STANDIN_EXPORT int ARCAPI STANDIN_NAME_ExtractMem(ArcWindow window, const char* commandLine, unsigned char* buffer,
                                                  std::uint32_t bufferSize, void* time, std::uint16_t* attribute,
                                                  std::uint32_t* writtenSize) {
  return ExtractMem(STANDIN_ENTRY_NAME(ExtractMem), window, commandLine, buffer, bufferSize, time, attribute,
                    writtenSize);
}
#endif

#ifdef STANDIN_NAME_SetOwnerWindowEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_SetOwnerWindowEx(ArcWindow window, ArchiverProc callback) {
  return SetOwnerWindowEx(STANDIN_ENTRY_NAME(SetOwnerWindowEx), window, callback);
}
#endif

#ifdef STANDIN_NAME_KillOwnerWindowEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_KillOwnerWindowEx(ArcWindow window) {
  return KillOwnerWindowEx(STANDIN_ENTRY_NAME(KillOwnerWindowEx), window);
}
#endif

#ifdef STANDIN_NAME_GetWriteTimeEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_GetWriteTimeEx(ArcHandle handle, std::uint64_t* fileTime) {
  return GetMemberValue(STANDIN_ENTRY_NAME(GetWriteTimeEx), handle, fileTime, &standin::FixtureMember::wtime);
}
#endif

#ifdef STANDIN_NAME_GetCreateTimeEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_GetCreateTimeEx(ArcHandle handle, std::uint64_t* fileTime) {
  return GetMemberValue(STANDIN_ENTRY_NAME(GetCreateTimeEx), handle, fileTime, &standin::FixtureMember::ctime);
}
#endif

#ifdef STANDIN_NAME_GetAccessTimeEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_GetAccessTimeEx(ArcHandle handle, std::uint64_t* fileTime) {
  return GetMemberValue(STANDIN_ENTRY_NAME(GetAccessTimeEx), handle, fileTime, &standin::FixtureMember::atime);
}
#endif

#ifdef STANDIN_NAME_GetOriginalSizeEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_GetOriginalSizeEx(ArcHandle handle, std::uint64_t* size) {
  return GetMemberValue(STANDIN_ENTRY_NAME(GetOriginalSizeEx), handle, size, &standin::FixtureMember::size64);
}
#endif

#ifdef STANDIN_NAME_GetCompressedSizeEx
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_GetCompressedSizeEx(ArcHandle handle, std::uint64_t* size) {
  return GetMemberValue(STANDIN_ENTRY_NAME(GetCompressedSizeEx), handle, size, &standin::FixtureMember::packed64);
}
#endif

#ifdef STANDIN_NAME_SetEnumMembersProc64
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_SetEnumMembersProc64(void* first, void* second) {
  return SetEnumMembersProc64(STANDIN_ENTRY_NAME(SetEnumMembersProc64), first, second);
}
#endif

#ifdef STANDIN_NAME_ClearEnumMembersProc64
STANDIN_EXPORT ArcBool ARCAPI STANDIN_NAME_ClearEnumMembersProc64() {
  return ClearEnumMembersProc64(STANDIN_ENTRY_NAME(ClearEnumMembersProc64));
}
#endif

#ifdef STANDIN_NAME_PasswordDialog
STANDIN_EXPORT int ARCAPI STANDIN_NAME_PasswordDialog(ArcWindow window, char* buffer, std::uint32_t size) {
  return PasswordDialog(STANDIN_ENTRY_NAME(PasswordDialog), window, buffer, size);
}
#endif

#ifdef STANDIN_NAME_SetDefaultPassword
STANDIN_EXPORT int ARCAPI STANDIN_NAME_SetDefaultPassword(ArcHandle handle, const char* password) {
  return SetDefaultPassword(STANDIN_ENTRY_NAME(SetDefaultPassword), handle, password);
}
#endif
