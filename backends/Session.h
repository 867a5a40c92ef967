// The state behind one archive handle, and the behaviour of every entry of
// the libraries. Each library's entries (Entries.h) forward here with their
// own format.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archives/ArchiverApi.h"
#include "backends/Formats.h"
#include "backends/Member.h"

namespace backends {

// Result codes of the entries (the API's values).
constexpr int kNoMoreMembers = -1;
constexpr int kErrorHeaderBroken = 0x8017;
constexpr int kErrorHandle = 0x8021;         // not an open archive handle
constexpr int kErrorNotSearchMode = 0x8022;  // FindNext before FindFirst
constexpr int kErrorNotSupport = 0x8023;
constexpr int kErrorMemory = 0x801E;

class Session {
 public:
  // A registered session for an archive of the format, or nullptr.
  static Session* Open(const Format& format, const std::string& path);
  // The session behind a handle, or nullptr when the handle is not one of ours
  // or has been closed.
  static Session* Find(archives::ArcHandle handle);
  // Unregisters and frees; false for an unknown handle.
  static bool Close(archives::ArcHandle handle);

  int FindFirst(const char* wildcard, archives::TMemberInfo* info);
  int FindNext(archives::TMemberInfo* info);

  // Values of the member last handed out; false when it has none.
  bool WriteTime(std::uint64_t* value) const;
  bool AccessTime(std::uint64_t* value) const;
  bool CreateTime(std::uint64_t* value) const;
  bool OriginalSize(std::uint64_t* value) const;
  bool CompressedSize(std::uint64_t* value) const;

 private:
  Session(const Format& format, std::string path, std::unique_ptr<MemberReader> reader)
      : format_(format), path_(std::move(path)), reader_(std::move(reader)) {}
  int Advance(archives::TMemberInfo* info);

  const Format& format_;
  std::string path_;
  std::unique_ptr<MemberReader> reader_;
  bool atStart_ = true;
  bool searching_ = false;
  bool ended_ = false;
  std::vector<std::string> patterns_;
  Member current_;
  bool hasCurrent_ = false;
  std::string recordName_;
};

// Fills bytes 0-557 of a member record (the library's part) from a member;
// the 64-bit part after them is the caller's and is not touched. name is
// room for the record's name, kept from one member to the next.
void FillRecord(const Member& member, archives::TMemberInfo* info, std::string& name);

// The wildcard argument split into its patterns: separated by blanks, a
// pattern in double quotes may hold blanks.
std::vector<std::string> SplitPatterns(const char* wildcard);

// Entry behaviour shared by every library.
int CommandEntry(char* output, std::uint32_t outputSize);
archives::ArcHandle OpenEntry(const Format& format, const char* path);
int CloseEntry(archives::ArcHandle handle);
int FindFirstEntry(archives::ArcHandle handle, const char* wildcard, archives::TMemberInfo* info);
int FindNextEntry(archives::ArcHandle handle, archives::TMemberInfo* info);
archives::ArcBool CheckEntry(const Format& format, const char* path, int mode);
int ArchiveTypeEntry(const Format& format, const char* path);
archives::ArcBool SetOwnerEntry(archives::ArcWindow window);
archives::ArcBool KillOwnerEntry(archives::ArcWindow window);

enum class Value { WriteTime, AccessTime, CreateTime, OriginalSize, CompressedSize };
archives::ArcBool ValueEntry(archives::ArcHandle handle, Value which, std::uint64_t* out);

}  // namespace backends
