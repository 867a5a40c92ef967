// Test helpers: a temporary folder, the real archiving tools, one archiver
// library loaded by file name and listed through its entries, and our own
// readers listing bytes in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archives/ArchiverApi.h"
#include "backends/ByteSource.h"
#include "backends/Member.h"

namespace backends_test {

// A fresh folder below /tmp, removed with everything in it at destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes bytes to path, creating its folders; the name is bytes as given
// (a Shift_JIS name stays Shift_JIS on the file system).
void WriteFile(const std::string& path, const std::string& bytes);
void MakeFolders(const std::string& path);
std::string ReadFile(const std::string& path);

// Runs a program (searched in PATH) in folder with extra environment entries
// ("NAME=value"); its output goes to a log. Returns the exit status.
int RunTool(const std::vector<std::string>& argv, const std::string& folder,
            const std::vector<std::string>& environment = {});
bool HaveProgram(const std::string& name);

// Little-endian fields appended to the bytes of an archive a test writes.
void Put16(std::string& out, std::uint32_t v);
void Put32(std::string& out, std::uint32_t v);
void Put64(std::string& out, std::uint64_t v);

// UTF-8 text in code page 932.
std::string ToCp932(const std::string& utf8);

// One member as the library gave it.
struct Listed {
  std::string name;
  archives::TMemberInfo info;
  bool hasWrite, hasAccess, hasCreate, hasOriginal, hasCompressed;
  std::uint64_t write, access, create, original, compressed;
};

class Library {
 public:
  // fileName inside the build's backends folder, e.g. "UNLHA32.DLL".
  Library(const std::string& fileName, const std::string& prefix);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  void* Entry(const std::string& suffix) const;

  archives::ArcHandle Open(const std::string& path) const;
  int Close(archives::ArcHandle archive) const;
  int Check(const std::string& path, int mode) const;
  int ArchiveType(const std::string& path) const;
  // Opens, lists every member matching wildcard, closes. endCode gets the
  // result that ended the listing (-1 = no more members); opened tells
  // whether the open succeeded.
  std::vector<Listed> List(const std::string& path, int* endCode = nullptr, bool* opened = nullptr,
                           const char* wildcard = "*.*") const;

 private:
  void* handle_;
  std::string prefix_;
  std::string writeTimeName_;
};

// Names only, in listing order.
std::vector<std::string> Names(const std::vector<Listed>& members);
// The member of that name, or nullptr.
const Listed* FindMember(const std::vector<Listed>& members, const std::string& name);

// What one of our readers lists from bytes in memory: whether it took them,
// the members, and how the listing ended.
struct ReaderListing {
  bool opened = false;
  backends::ReadResult end = backends::ReadResult::End;
  std::vector<backends::Member> members;
};

template <typename Open>
ReaderListing ListWith(Open open, const std::string& bytes) {
  ReaderListing listing;
  std::unique_ptr<backends::MemberReader> reader = open(std::unique_ptr<backends::ByteSource>(
      new backends::MemorySource(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
  listing.opened = reader != nullptr;
  if (!reader) return listing;
  backends::Member member;
  while ((listing.end = reader->Next(member)) == backends::ReadResult::Member) listing.members.push_back(member);
  return listing;
}

// A damaged archive: whether the reader takes it, and if it does, how many
// members it lists before the listing ends in damage.
struct DamagedCase {
  const char* what;
  std::string archive;
  bool opened;
  std::size_t members;
};

inline void ExpectDamaged(const ReaderListing& listing, const DamagedCase& c) {
  EXPECT_EQ(listing.opened, c.opened) << c.what;
  if (!listing.opened) return;
  EXPECT_EQ(listing.end, backends::ReadResult::Damaged) << c.what;
  EXPECT_EQ(listing.members.size(), c.members) << c.what;
}

// Lists every prefix of bytes and rounds scramblings of 4 bytes each: the
// reader must end every time without reading outside the bytes (ASan
// watches).
template <typename List>
void ListCutAndScrambled(List list, const std::string& bytes, unsigned seed, int rounds = 3000) {
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) list(bytes.substr(0, cut));
  std::mt19937 random(seed);
  for (int round = 0; round < rounds; ++round) {
    std::string scrambled = bytes;
    for (int n = 0; n < 4; ++n) scrambled[random() % scrambled.size()] = static_cast<char>(random());
    list(scrambled);
  }
}

// Lists two readers of one archive in step: they must end alike, member by
// member, and compare(a, b) checks each pair. The members listed.
template <typename Compare>
std::size_t ListInStep(backends::MemberReader& ours, backends::MemberReader& theirs, Compare compare) {
  backends::Member a, b;
  std::size_t count = 0;
  for (;;) {
    const backends::ReadResult ra = ours.Next(a);
    const backends::ReadResult rb = theirs.Next(b);
    EXPECT_EQ(ra, rb) << "member " << count;
    if (ra != rb || ra != backends::ReadResult::Member) return count;
    ++count;
    compare(a, b);
  }
}

}  // namespace backends_test
