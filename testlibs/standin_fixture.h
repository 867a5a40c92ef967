// Fixture archives of the stand-in libraries: a small text format of our own
// (described in testlibs/README.md). The parser reads from a buffer, checks
// every length before it reads and answers "not an archive" for anything it
// does not understand; nothing in the input can make it read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin {

constexpr const char* kFixtureHeader = "MOKFIX 1";
constexpr std::size_t kMaxFixtureBytes = 4u << 20;
constexpr std::size_t kMaxMemberNameBytes = 513;
constexpr std::size_t kMaxAttributeBytes = 8;  // attribute and method texts

struct FixtureMember {
  std::string name;  // raw bytes, at most 513
  std::uint32_t size = 0;
  std::uint32_t packed = 0;
  std::uint32_t crc = 0;
  std::uint32_t flag = 0;
  std::uint32_t os = 0;
  std::uint16_t ratio = 0;
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  std::string attr;    // at most 8 bytes
  std::string method;  // at most 8 bytes
  std::optional<std::uint64_t> wtime;
  std::optional<std::uint64_t> atime;
  std::optional<std::uint64_t> ctime;
  std::optional<std::uint64_t> size64;
  std::optional<std::uint64_t> packed64;
};

struct Fixture {
  std::vector<std::string> accept;  // format tags
  std::int32_t tarType = 0;
  bool openFails = false;
  bool openStalls = false;         // OpenArchive never returns
  bool openCrashes = false;        // OpenArchive aborts the process
  std::uint32_t openGrowsMiB = 0;  // OpenArchive first takes this much memory and keeps it
  bool checkFails = false;
  std::optional<std::string> password;
  std::uint32_t failAt = 0;  // 0 = never
  std::int32_t failCode = -1;
  std::vector<FixtureMember> members;

  bool Accepts(const std::string& tag) const;
};

// Parses fixture text. Returns nothing for anything that is not a well-formed
// fixture: missing or other first line, unknown directive or field, bad
// escape, number out of range, over-long name.
std::optional<Fixture> ParseFixture(const std::string& bytes);

// Reads and parses a fixture file; nothing for a missing, unreadable,
// over-large or malformed file and for a folder.
std::optional<Fixture> ReadFixtureFile(const char* path);

// Decodes a token of the format: printable ASCII and bytes 0x80-0xFF as they
// are, "\xHH" for any byte, "\\" for a backslash. False for a malformed token
// (other escapes, raw control bytes).
bool DecodeFixtureToken(const std::string& token, std::string& bytes);

// Encodes bytes as a token: "\xHH" for blanks, backslashes, control bytes and
// bytes 0x80-0xFF; other printable ASCII as it is. An empty text gives an
// empty string, which is no token: a member that must read as unnamed is
// written with the name "\x00".
std::string EncodeFixtureToken(const std::string& bytes);

}  // namespace standin
