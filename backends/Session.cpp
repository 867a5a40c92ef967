#include "backends/Session.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <unistd.h>
#include <unordered_set>

#include "backends/NameText.h"
#include "platform/CodePage.h"

namespace backends {
namespace {

// The open sessions, and the lock that every entry takes to look its handle
// up there. Made when the library is loaded, before any entry can run.
struct OpenSessions {
  std::mutex lock;
  std::unordered_set<Session*> sessions;
};
OpenSessions g_open;

std::atomic<archives::ArcWindow> g_owner{nullptr};

// A UTC file time as a local DOS date and time; false before 1980 or after 2107.
bool FileTimeToLocalDos(std::uint64_t fileTime, std::uint16_t& date, std::uint16_t& time) {
  const std::int64_t seconds = static_cast<std::int64_t>(fileTime / 10000000ULL) - 11644473600LL;
  const std::time_t t = static_cast<std::time_t>(seconds);
  struct tm local;
  if (!localtime_r(&t, &local)) return false;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return false;
  date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return true;
}

std::uint32_t Clamp32(std::uint64_t value) {
  return value > 0xFFFFFFFFULL ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

}  // namespace

void FillRecord(const Member& member, archives::TMemberInfo* info, std::string& name) {
  std::memset(info, 0, offsetof(archives::TMemberInfo, LastWriteTime));
  info->OriginalSize = Clamp32(member.originalSize);
  info->CompressedSize = member.hasCompressedSize ? Clamp32(member.compressedSize) : 0;
  info->CRC = member.crc;
  if (member.hasCompressedSize && member.originalSize > 0) {
    const std::uint64_t ratio = member.compressedSize * 1000 / member.originalSize;
    info->Ratio = static_cast<std::uint16_t>(ratio > 0xFFFF ? 0xFFFF : ratio);
  }
  if (member.hasDosDateTime) {
    info->DosDate = member.dosDate;
    info->DosTime = member.dosTime;
  } else if (member.hasWriteTime) {
    FileTimeToLocalDos(member.writeTime, info->DosDate, info->DosTime);
  }
  RecordName(member.name, name);
  std::memcpy(info->FileName, name.data(), name.size() < kMaxRecordName ? name.size() : kMaxRecordName);
  // Attribute text: read-only, hidden, system, folder, archive; "-" for each one off.
  static const char kLetters[] = "RHSDA";
  static const std::uint32_t kBits[] = {kAttrReadOnly, kAttrHidden, kAttrSystem, kAttrDirectory, kAttrArchive};
  for (int i = 0; i < 5; ++i) info->Attribute[i] = (member.attributes & kBits[i]) ? kLetters[i] : '-';
  std::memcpy(info->Mode, member.method, sizeof info->Mode - 1);
}

std::vector<std::string> SplitPatterns(const char* wildcard) {
  std::vector<std::string> patterns;
  if (!wildcard) return patterns;
  std::string current;
  bool quoted = false, any = false;
  for (const char* p = wildcard; *p; ++p) {
    if (*p == '"') {
      quoted = !quoted;
      any = true;
    } else if (*p == ' ' && !quoted) {
      if (any) patterns.push_back(current);
      current.clear();
      any = false;
    } else {
      current.push_back(*p);
      any = true;
    }
  }
  if (any) patterns.push_back(current);
  return patterns;
}

Session* Session::Open(const Format& format, const std::string& path) {
  std::unique_ptr<MemberReader> reader = format.open(path);
  if (!reader) return nullptr;
  Session* session = new Session(format, path, std::move(reader));
  std::lock_guard<std::mutex> guard(g_open.lock);
  g_open.sessions.insert(session);
  return session;
}

Session* Session::Find(archives::ArcHandle handle) {
  std::lock_guard<std::mutex> guard(g_open.lock);
  auto it = g_open.sessions.find(static_cast<Session*>(handle));
  return it == g_open.sessions.end() ? nullptr : *it;
}

bool Session::Close(archives::ArcHandle handle) {
  Session* session = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_open.lock);
    auto it = g_open.sessions.find(static_cast<Session*>(handle));
    if (it == g_open.sessions.end()) return false;
    session = *it;
    g_open.sessions.erase(it);
  }
  delete session;
  return true;
}

int Session::FindFirst(const char* wildcard, archives::TMemberInfo* info) {
  if (!atStart_) {
    // A new search starts from the first member again.
    std::unique_ptr<MemberReader> reader = format_.open(path_);
    if (!reader) {
      hasCurrent_ = false;
      searching_ = false;
      return kErrorHeaderBroken;
    }
    reader_ = std::move(reader);
    atStart_ = true;
  }
  patterns_ = SplitPatterns(wildcard);
  for (const std::string& pattern : patterns_) {
    if (pattern == "*" || pattern == "*.*") {  // every name: no matching at all
      patterns_.clear();
      break;
    }
  }
  searching_ = true;
  ended_ = false;
  return Advance(info);
}

int Session::FindNext(archives::TMemberInfo* info) {
  if (!searching_) return kErrorNotSearchMode;
  return Advance(info);
}

int Session::Advance(archives::TMemberInfo* info) {
  hasCurrent_ = false;
  if (ended_) return kNoMoreMembers;
  atStart_ = false;
  for (;;) {
    const ReadResult r = reader_->Next(current_);
    if (r != ReadResult::Member) {
      ended_ = true;
      if (r != ReadResult::End) return kErrorHeaderBroken;
      const int doubt = reader_->Doubt();
      return doubt != 0 ? doubt : kNoMoreMembers;
    }
    bool match = patterns_.empty();
    if (!match) {
      RecordName(current_.name, recordName_);
      for (const std::string& pattern : patterns_) {
        if (MatchWildcard(pattern, recordName_)) {
          match = true;
          break;
        }
      }
    }
    if (match) {
      FillRecord(current_, info, recordName_);
      hasCurrent_ = true;
      return 0;
    }
  }
}

bool Session::WriteTime(std::uint64_t* value) const {
  if (!hasCurrent_ || !current_.hasWriteTime) return false;
  *value = current_.writeTime;
  return true;
}
bool Session::AccessTime(std::uint64_t* value) const {
  if (!hasCurrent_ || !current_.hasAccessTime) return false;
  *value = current_.accessTime;
  return true;
}
bool Session::CreateTime(std::uint64_t* value) const {
  if (!hasCurrent_ || !current_.hasCreateTime) return false;
  *value = current_.createTime;
  return true;
}
bool Session::OriginalSize(std::uint64_t* value) const {
  if (!hasCurrent_ || !current_.hasOriginalSize) return false;
  *value = current_.originalSize;
  return true;
}
bool Session::CompressedSize(std::uint64_t* value) const {
  if (!hasCurrent_ || !current_.hasCompressedSize) return false;
  *value = current_.compressedSize;
  return true;
}

// The entries. Nothing may leave them as an exception: the caller is C.

int CommandEntry(char* output, std::uint32_t outputSize) {
  try {
    if (output && outputSize > 0) {
      const std::string text =
          platform::WideToNarrow(u"このライブラリは書庫の一覧表示だけに対応しています。コマンドは実行できません。");
      // Cut between characters so that the buffer never ends in half a one.
      std::size_t fit = 0;
      for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = platform::CharLength(text, at);
        if (n == 0 || at + n > outputSize - 1) break;
        at += n;
        fit = at;
      }
      std::memcpy(output, text.data(), fit);
      output[fit] = '\0';
    }
  } catch (...) {
    if (output && outputSize > 0) output[0] = '\0';
  }
  return kErrorNotSupport;
}

archives::ArcHandle OpenEntry(const Format& format, const char* path) {
  if (!path || !*path) return nullptr;
  try {
    return Session::Open(format, path);
  } catch (...) {
    return nullptr;
  }
}

int CloseEntry(archives::ArcHandle handle) {
  try {
    return Session::Close(handle) ? 0 : kErrorHandle;
  } catch (...) {
    return kErrorHandle;
  }
}

int FindFirstEntry(archives::ArcHandle handle, const char* wildcard, archives::TMemberInfo* info) {
  Session* session = Session::Find(handle);
  if (!session) return kErrorHandle;
  if (!info) return kErrorNotSupport;
  try {
    return session->FindFirst(wildcard, info);
  } catch (const std::bad_alloc&) {
    return kErrorMemory;
  } catch (...) {
    return kErrorHeaderBroken;
  }
}

int FindNextEntry(archives::ArcHandle handle, archives::TMemberInfo* info) {
  Session* session = Session::Find(handle);
  if (!session) return kErrorHandle;
  if (!info) return kErrorNotSupport;
  try {
    return session->FindNext(info);
  } catch (const std::bad_alloc&) {
    return kErrorMemory;
  } catch (...) {
    return kErrorHeaderBroken;
  }
}

archives::ArcBool CheckEntry(const Format& format, const char* path, int mode) {
  if (!path || !*path) return 0;
  try {
    std::unique_ptr<MemberReader> reader = format.open(path);
    if (!reader) return 0;
    // Modes 1 (basic) and 2 (full) read every header; the others, the
    // quick check, only the first.
    if (mode & 3) {
      Member member;
      ReadResult r;
      while ((r = reader->Next(member)) == ReadResult::Member) {
      }
      if (r == ReadResult::Damaged || reader->Doubt() != 0) return 0;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}

int ArchiveTypeEntry(const Format& format, const char* path) {
  if (!path || ::access(path, R_OK) != 0) return -1;
  try {
    if (format.archiveType) return format.archiveType(path);
    return format.open(path) ? 1 : 0;
  } catch (...) {
    return -1;
  }
}

archives::ArcBool SetOwnerEntry(archives::ArcWindow window) {
  g_owner.store(window);
  return 1;
}

archives::ArcBool KillOwnerEntry(archives::ArcWindow window) {
  archives::ArcWindow expected = window;
  g_owner.compare_exchange_strong(expected, nullptr);
  return 1;
}

archives::ArcBool ValueEntry(archives::ArcHandle handle, Value which, std::uint64_t* out) {
  Session* session = Session::Find(handle);
  if (!session || !out) return 0;
  switch (which) {
    case Value::WriteTime: return session->WriteTime(out);
    case Value::AccessTime: return session->AccessTime(out);
    case Value::CreateTime: return session->CreateTime(out);
    case Value::OriginalSize: return session->OriginalSize(out);
    case Value::CompressedSize: return session->CompressedSize(out);
  }
  return 0;
}

}  // namespace backends
