// Builds fixture archives for the stand-in libraries (format described in
// testlibs/README.md). Names and texts are raw bytes: any byte may be given.
//
//   FixtureWriter()
//       .Accept("lha")
//       .Member(FixtureMember("docs\\readme.exe").Size(10).DosDateTime(0x5A21, 0x6000))
//       .WriteTo(path);
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "testlibs/standin_fixture.h"

namespace testsupport {

class FixtureMember {
 public:
  // An empty name is written as one NUL byte, which reads as an empty name.
  explicit FixtureMember(std::string name) : name_(std::move(name)) {}

  FixtureMember& Size(std::uint32_t v) { return Field("size", v); }
  FixtureMember& Packed(std::uint32_t v) { return Field("packed", v); }
  FixtureMember& Crc(std::uint32_t v) { return Field("crc", v); }
  FixtureMember& Flag(std::uint32_t v) { return Field("flag", v); }
  FixtureMember& Os(std::uint32_t v) { return Field("os", v); }
  FixtureMember& Ratio(std::uint16_t v) { return Field("ratio", v); }
  FixtureMember& DosDate(std::uint16_t v) { return Field("date", v); }
  FixtureMember& DosTime(std::uint16_t v) { return Field("time", v); }
  FixtureMember& DosDateTime(std::uint16_t date, std::uint16_t time) { return DosDate(date).DosTime(time); }
  // At most 8 bytes each; longer texts make the fixture unreadable.
  FixtureMember& Attribute(const std::string& text) { return Text("attr", text); }
  FixtureMember& Method(const std::string& text) { return Text("method", text); }
  // The optional values: a library answers its Get...Ex entry only for these.
  FixtureMember& WriteTime(std::uint64_t v) { return Field("wtime", v); }
  FixtureMember& AccessTime(std::uint64_t v) { return Field("atime", v); }
  FixtureMember& CreateTime(std::uint64_t v) { return Field("ctime", v); }
  FixtureMember& Size64(std::uint64_t v) { return Field("size64", v); }
  FixtureMember& Packed64(std::uint64_t v) { return Field("packed64", v); }

  std::string Line() const {
    std::string line = "member ";
    line += name_.empty() ? std::string("\\x00") : standin::EncodeFixtureToken(name_);
    for (const std::string& field : fields_) line += " " + field;
    return line;
  }

 private:
  FixtureMember& Field(const char* key, std::uint64_t value) {
    fields_.push_back(std::string(key) + "=" + std::to_string(value));
    return *this;
  }
  FixtureMember& Text(const char* key, const std::string& text) {
    fields_.push_back(std::string(key) + "=" + (text.empty() ? std::string() : standin::EncodeFixtureToken(text)));
    return *this;
  }

  std::string name_;
  std::vector<std::string> fields_;
};

class FixtureWriter {
 public:
  // Format tags whose libraries accept the file: lha arj cab tar rar bga gca
  // 7z yz1 zip. Several may be given in one text, separated by blanks.
  FixtureWriter& Accept(const std::string& tag) { return Line("accept " + tag); }
  FixtureWriter& TarType(std::int32_t type) { return Line("tartype " + std::to_string(type)); }
  FixtureWriter& OpenFails() { return Line("open fail"); }
  // OpenArchive never returns; aborts the process; or first takes mebibytes
  // of memory and keeps them (aborting, as a library that expects none to
  // fail, when it gets none).
  FixtureWriter& OpenStalls() { return Line("open stall"); }
  FixtureWriter& OpenCrashes() { return Line("open crash"); }
  FixtureWriter& OpenGrows(std::uint32_t mebibytes) { return Line("open grow " + std::to_string(mebibytes)); }
  FixtureWriter& CheckFails() { return Line("check fail"); }
  FixtureWriter& Password(const std::string& password) {
    return Line("password " + standin::EncodeFixtureToken(password));
  }
  // The n-th lookup (FindFirst counts as 1) returns code instead of a member.
  FixtureWriter& FailAt(std::uint32_t lookup, std::int32_t code = -1) {
    return Line("failat " + std::to_string(lookup) + " " + std::to_string(code));
  }
  FixtureWriter& Member(const FixtureMember& member) { return Line(member.Line()); }
  FixtureWriter& Member(const std::string& name) { return Member(FixtureMember(name)); }
  FixtureWriter& Comment(const std::string& text) { return Line("# " + text); }
  // Any line as it is, for fixtures that must be malformed.
  FixtureWriter& Line(const std::string& line) {
    lines_.push_back(line);
    return *this;
  }

  std::string Text() const {
    std::string text = std::string(standin::kFixtureHeader) + "\n";
    for (const std::string& line : lines_) text += line + "\n";
    return text;
  }

  // Writes the fixture; throws platform::FileError.
  const FixtureWriter& WriteTo(const std::string& path) const {
    platform::WriteWholeFile(path, Text());
    return *this;
  }

 private:
  std::vector<std::string> lines_;
};

}  // namespace testsupport
