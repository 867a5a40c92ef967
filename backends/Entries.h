// The exported entries of one library: its prefix, the name of its write-time
// entry (UNZIP32.DLL spells it "UnzipGetWriteTimeEx") and its format.
// Each library's source file expands this once.
#pragma once

#include <type_traits>

#include "archives/ArchiverApi.h"
#include "backends/Session.h"

#define MOKURENA_EXPORT extern "C" __attribute__((visibility("default")))

#define MOKURENA_ENTRY_CHECK(name, type) \
  static_assert(std::is_same<decltype(&name), archives::type>::value, #name " has the wrong signature");

#define MOKURENA_LIBRARY_ENTRIES(P, WRITE_TIME, FORMAT)                                                             \
  MOKURENA_EXPORT int P(archives::ArcWindow, const char*, char* output, std::uint32_t size) {                       \
    return backends::CommandEntry(output, size);                                                                    \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcHandle P##OpenArchive(archives::ArcWindow, const char* path, std::uint32_t) {        \
    return backends::OpenEntry(FORMAT, path);                                                                       \
  }                                                                                                                 \
  MOKURENA_EXPORT int P##CloseArchive(archives::ArcHandle handle) { return backends::CloseEntry(handle); }          \
  MOKURENA_EXPORT int P##FindFirst(archives::ArcHandle handle, const char* wildcard, archives::TMemberInfo* info) { \
    return backends::FindFirstEntry(handle, wildcard, info);                                                        \
  }                                                                                                                 \
  MOKURENA_EXPORT int P##FindNext(archives::ArcHandle handle, archives::TMemberInfo* info) {                        \
    return backends::FindNextEntry(handle, info);                                                                   \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool P##CheckArchive(const char* path, int mode) {                                   \
    return backends::CheckEntry(FORMAT, path, mode);                                                                \
  }                                                                                                                 \
  MOKURENA_EXPORT int P##GetArchiveType(const char* path) { return backends::ArchiveTypeEntry(FORMAT, path); }      \
  MOKURENA_EXPORT archives::ArcBool P##SetOwnerWindowEx(archives::ArcWindow window, archives::ArchiverProc) {       \
    return backends::SetOwnerEntry(window);                                                                         \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool P##KillOwnerWindowEx(archives::ArcWindow window) {                              \
    return backends::KillOwnerEntry(window);                                                                        \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool WRITE_TIME(archives::ArcHandle handle, std::uint64_t* value) {                  \
    return backends::ValueEntry(handle, backends::Value::WriteTime, value);                                         \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool P##GetAccessTimeEx(archives::ArcHandle handle, std::uint64_t* value) {          \
    return backends::ValueEntry(handle, backends::Value::AccessTime, value);                                        \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool P##GetCreateTimeEx(archives::ArcHandle handle, std::uint64_t* value) {          \
    return backends::ValueEntry(handle, backends::Value::CreateTime, value);                                        \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool P##GetOriginalSizeEx(archives::ArcHandle handle, std::uint64_t* value) {        \
    return backends::ValueEntry(handle, backends::Value::OriginalSize, value);                                      \
  }                                                                                                                 \
  MOKURENA_EXPORT archives::ArcBool P##GetCompressedSizeEx(archives::ArcHandle handle, std::uint64_t* value) {      \
    return backends::ValueEntry(handle, backends::Value::CompressedSize, value);                                    \
  }                                                                                                                 \
  MOKURENA_ENTRY_CHECK(P, CommandEntry)                                                                             \
  MOKURENA_ENTRY_CHECK(P##OpenArchive, OpenArchiveEntry)                                                            \
  MOKURENA_ENTRY_CHECK(P##CloseArchive, CloseArchiveEntry)                                                          \
  MOKURENA_ENTRY_CHECK(P##FindFirst, FindFirstEntry)                                                                \
  MOKURENA_ENTRY_CHECK(P##FindNext, FindNextEntry)                                                                  \
  MOKURENA_ENTRY_CHECK(P##CheckArchive, CheckArchiveEntry)                                                          \
  MOKURENA_ENTRY_CHECK(P##GetArchiveType, GetArchiveTypeEntry)                                                      \
  MOKURENA_ENTRY_CHECK(P##SetOwnerWindowEx, SetOwnerWindowExEntry)                                                  \
  MOKURENA_ENTRY_CHECK(P##KillOwnerWindowEx, KillOwnerWindowExEntry)                                                \
  MOKURENA_ENTRY_CHECK(WRITE_TIME, GetTimeExEntry)                                                                  \
  MOKURENA_ENTRY_CHECK(P##GetAccessTimeEx, GetTimeExEntry)                                                          \
  MOKURENA_ENTRY_CHECK(P##GetCreateTimeEx, GetTimeExEntry)                                                          \
  MOKURENA_ENTRY_CHECK(P##GetOriginalSizeEx, GetSizeExEntry)                                                        \
  MOKURENA_ENTRY_CHECK(P##GetCompressedSizeEx, GetSizeExEntry)
