// The outside interface: the entries of the Common Archiver API libraries and
// the member record their find entries fill. Nothing here belongs to us; it is
// the binary contract with libraries that are loaded at run time by file name.
#pragma once

#include <cstddef>
#include <cstdint>

// The libraries' entries are stdcall on 32-bit Windows. x86-64 Windows and
// POSIX have one calling convention, which the entries use there.
#if defined(_WIN32) && !defined(_WIN64)
#define ARCAPI __stdcall
#else
#define ARCAPI
#endif

namespace archives {

using ArcWindow = void*;  // owner window (HWND); nullptr = none
using ArcHandle = void*;  // open archive (HARC); nullptr = failure
using ArcBool = std::int32_t;

// Modes of the open and check entries.
constexpr std::uint32_t kModeList = 0x00800000;
constexpr std::uint32_t kModeProbeOpen = 0x00800002;
constexpr int kCheckModeLha = 16;
constexpr int kCheckModeZip = 24;

// Result of a find entry for a member that needs a password.
constexpr int kErrorPasswordFile = 0x800A;

constexpr std::size_t kMemberPathSize = 513;

#pragma pack(push, 1)
// The member record. Bytes 0-557 are the library's INDIVIDUALINFO, filled by
// FindFirst and FindNext; bytes 558-597 are completed by the binding.
struct TMemberInfo {
  std::uint32_t OriginalSize;
  std::uint32_t CompressedSize;
  std::uint32_t CRC;
  std::uint32_t Flag;
  std::uint32_t OSType;
  std::uint16_t Ratio;
  std::uint16_t DosDate;
  std::uint16_t DosTime;
  char FileName[kMemberPathSize];
  char Reserved[3];
  char Attribute[8];
  char Mode[8];
  std::uint64_t LastWriteTime;  // UTC file time
  std::uint64_t LastAccessTime;
  std::uint64_t CreationTime;
  std::uint64_t OriginalSize64;
  std::uint64_t CompressedSize64;
};
#pragma pack(pop)

static_assert(sizeof(TMemberInfo) == 598, "member record is 598 bytes");
static_assert(offsetof(TMemberInfo, OriginalSize) == 0, "");
static_assert(offsetof(TMemberInfo, CompressedSize) == 4, "");
static_assert(offsetof(TMemberInfo, CRC) == 8, "");
static_assert(offsetof(TMemberInfo, Flag) == 12, "");
static_assert(offsetof(TMemberInfo, OSType) == 16, "");
static_assert(offsetof(TMemberInfo, Ratio) == 20, "");
static_assert(offsetof(TMemberInfo, DosDate) == 22, "");
static_assert(offsetof(TMemberInfo, DosTime) == 24, "");
static_assert(offsetof(TMemberInfo, FileName) == 26, "");
static_assert(offsetof(TMemberInfo, Reserved) == 539, "");
static_assert(offsetof(TMemberInfo, Attribute) == 542, "");
static_assert(offsetof(TMemberInfo, Mode) == 550, "");
static_assert(offsetof(TMemberInfo, LastWriteTime) == 558, "");
static_assert(offsetof(TMemberInfo, LastAccessTime) == 566, "");
static_assert(offsetof(TMemberInfo, CreationTime) == 574, "");
static_assert(offsetof(TMemberInfo, OriginalSize64) == 582, "");
static_assert(offsetof(TMemberInfo, CompressedSize64) == 590, "");

// Callback handed to SetOwnerWindowEx.
using ArchiverProc = ArcBool(ARCAPI*)(ArcWindow window, std::uint32_t message, std::uint32_t state, void* info);

// Entry signatures. An entry's name is the library's prefix plus a suffix;
// the command entry is named by the prefix alone.
extern "C" {
using CommandEntry = int(ARCAPI*)(ArcWindow window, const char* commandLine, char* output, std::uint32_t outputSize);
using OpenArchiveEntry = ArcHandle(ARCAPI*)(ArcWindow window, const char* archivePath, std::uint32_t mode);
using CloseArchiveEntry = int(ARCAPI*)(ArcHandle archive);
using FindFirstEntry = int(ARCAPI*)(ArcHandle archive, const char* wildcard, TMemberInfo* info);
using FindNextEntry = int(ARCAPI*)(ArcHandle archive, TMemberInfo* info);
using ExtractMemEntry = int(ARCAPI*)(ArcWindow window, const char* commandLine, unsigned char* buffer,
                                     std::uint32_t bufferSize, void* time, std::uint16_t* attribute,
                                     std::uint32_t* writtenSize);
using CheckArchiveEntry = ArcBool(ARCAPI*)(const char* archivePath, int mode);
using SetOwnerWindowExEntry = ArcBool(ARCAPI*)(ArcWindow window, ArchiverProc callback);
using KillOwnerWindowExEntry = ArcBool(ARCAPI*)(ArcWindow window);
using GetTimeExEntry = ArcBool(ARCAPI*)(ArcHandle archive, std::uint64_t* fileTime);
using GetSizeExEntry = ArcBool(ARCAPI*)(ArcHandle archive, std::uint64_t* size);
using GetArchiveTypeEntry = int(ARCAPI*)(const char* archivePath);
using SetEnumMembersProc64Entry = ArcBool(ARCAPI*)(void* first, void* second);
using ClearEnumMembersProc64Entry = ArcBool(ARCAPI*)();
using PasswordDialogEntry = int(ARCAPI*)(ArcWindow window, char* buffer, std::uint32_t size);
using SetDefaultPasswordEntry = int(ARCAPI*)(ArcHandle archive, const char* password);
}

}  // namespace archives
