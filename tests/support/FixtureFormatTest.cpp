// The fixture format and the call-log fields, without any library loaded.
#include <gtest/gtest.h>

#include <string>

#include "testlibs/standin_fixture.h"
#include "testlibs/standin_text.h"
#include "tests/support/FixtureWriter.h"

namespace {

using standin::ParseFixture;

TEST(FixtureFormat, AnythingButAWellFormedFixtureIsNoArchive) {
  const char gzipBytes[] = "\x1f\x8b\x08\x00\x00\x00";
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"truncated header", "MOKF"},
      {"other version", "MOKFIX 2\n"},
      {"blank after the header", "MOKFIX 1 \n"},
      {"header not first", "\nMOKFIX 1\n"},
      {"binary", std::string(gzipBytes, sizeof gzipBytes - 1)},
      {"unknown directive", "MOKFIX 1\nmembers a\n"},
      {"member without name", "MOKFIX 1\nmember\n"},
      {"unknown field", "MOKFIX 1\nmember a colour=1\n"},
      {"field without key", "MOKFIX 1\nmember a =1\n"},
      {"field without value sign", "MOKFIX 1\nmember a size\n"},
      {"field given twice", "MOKFIX 1\nmember a size=1 size=2\n"},
      {"32-bit overflow", "MOKFIX 1\nmember a size=4294967296\n"},
      {"16-bit overflow", "MOKFIX 1\nmember a date=0x10000\n"},
      {"64-bit overflow", "MOKFIX 1\nmember a wtime=18446744073709551616\n"},
      {"hex without digits", "MOKFIX 1\nmember a size=0x\n"},
      {"negative size", "MOKFIX 1\nmember a size=-1\n"},
      {"empty number", "MOKFIX 1\nmember a crc=\n"},
      {"unknown escape", "MOKFIX 1\nmember a\\q\n"},
      {"truncated escape", "MOKFIX 1\nmember a\\x4\n"},
      {"backslash at the end", "MOKFIX 1\nmember a\\\n"},
      {"bad hex digit", "MOKFIX 1\nmember \\xG1\n"},
      {"raw control byte",
       "MOKFIX 1\nmember a\x01"
       "b\n"},
      {"CR inside a line", "MOKFIX 1\naccept lha\rmember a\n"},
      {"name of 514 bytes", "MOKFIX 1\nmember " + std::string(514, 'n') + "\n"},
      {"attribute of 9 bytes", "MOKFIX 1\nmember a attr=ABCDEFGHI\n"},
      {"open without fail", "MOKFIX 1\nopen\n"},
      {"open with another word", "MOKFIX 1\nopen succeed\n"},
      {"tartype twice", "MOKFIX 1\ntartype 1\ntartype 2\n"},
      {"tartype out of range", "MOKFIX 1\ntartype 2147483648\n"},
      {"failat zero", "MOKFIX 1\nfailat 0\n"},
      {"failat with bad code", "MOKFIX 1\nfailat 2 x\n"},
      {"accept without tags", "MOKFIX 1\naccept\n"},
      {"password with NUL", "MOKFIX 1\npassword a\\x00b\n"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ParseFixture(c.text).has_value()) << c.what;
  }
}

TEST(FixtureFormat, ReadsEveryDirectiveAndField) {
  const std::string text =
      "MOKFIX 1\r\n"
      "# made by hand\r\n"
      "\r\n"
      "accept lha \t zip\r\n"
      "accept 7z\n"
      "tartype -3\n"
      "open fail\n"
      "check fail\n"
      "password se\\x20cr\\\\et\n"
      "failat 3 0x8005\n"
      "member dir\\x5Ca\\x20b.txt size=10 packed=0x0A crc=0xDEADBEEF flag=1 os=2 ratio=500 "
      "date=0x5A21 time=65535 attr=A-\\x01 method=-lh5- wtime=18446744073709551615 atime=0 "
      "ctime=7 size64=0x100000000 packed64=9\n"
      "member \\x83\\x5C.exe\n"
      "member \\x00\n"
      "member \xE3\x81\x82 size=1";  // raw bytes, no LF at the end
  auto fixture = ParseFixture(text);
  ASSERT_TRUE(fixture.has_value());
  EXPECT_EQ(fixture->accept, (std::vector<std::string>{"lha", "zip", "7z"}));
  EXPECT_TRUE(fixture->Accepts("zip"));
  EXPECT_FALSE(fixture->Accepts("ZIP"));
  EXPECT_EQ(fixture->tarType, -3);
  EXPECT_TRUE(fixture->openFails);
  EXPECT_TRUE(fixture->checkFails);
  EXPECT_EQ(fixture->password, std::optional<std::string>("se cr\\et"));
  EXPECT_EQ(fixture->failAt, 3u);
  EXPECT_EQ(fixture->failCode, 0x8005);
  ASSERT_EQ(fixture->members.size(), 4u);

  const standin::FixtureMember& m = fixture->members[0];
  EXPECT_EQ(m.name, "dir\\a b.txt");
  EXPECT_EQ(m.size, 10u);
  EXPECT_EQ(m.packed, 10u);
  EXPECT_EQ(m.crc, 0xDEADBEEFu);
  EXPECT_EQ(m.flag, 1u);
  EXPECT_EQ(m.os, 2u);
  EXPECT_EQ(m.ratio, 500u);
  EXPECT_EQ(m.date, 0x5A21u);
  EXPECT_EQ(m.time, 65535u);
  EXPECT_EQ(m.attr, std::string("A-\x01"));
  EXPECT_EQ(m.method, "-lh5-");
  EXPECT_EQ(m.wtime, std::optional<std::uint64_t>(UINT64_MAX));
  EXPECT_EQ(m.atime, std::optional<std::uint64_t>(0));
  EXPECT_EQ(m.ctime, std::optional<std::uint64_t>(7));
  EXPECT_EQ(m.size64, std::optional<std::uint64_t>(0x100000000ull));
  EXPECT_EQ(m.packed64, std::optional<std::uint64_t>(9));

  EXPECT_EQ(fixture->members[1].name, "\x83\x5C.exe");
  EXPECT_FALSE(fixture->members[1].wtime.has_value());
  EXPECT_EQ(fixture->members[1].size, 0u);
  EXPECT_EQ(fixture->members[2].name, std::string(1, '\0'));
  EXPECT_EQ(fixture->members[3].name, "\xE3\x81\x82");
  EXPECT_EQ(fixture->members[3].size, 1u);
}

TEST(FixtureFormat, DefaultsOfAMinimalFixture) {
  auto fixture = ParseFixture("MOKFIX 1\n");
  ASSERT_TRUE(fixture.has_value());
  EXPECT_TRUE(fixture->accept.empty());
  EXPECT_EQ(fixture->tarType, 0);
  EXPECT_FALSE(fixture->openFails);
  EXPECT_FALSE(fixture->checkFails);
  EXPECT_FALSE(fixture->password.has_value());
  EXPECT_EQ(fixture->failAt, 0u);
  EXPECT_TRUE(fixture->members.empty());
}

TEST(FixtureFormat, WriterEncodesEveryByteOfANameAndParsesBack) {
  std::string allBytes;
  for (int c = 1; c < 256; ++c) allBytes += static_cast<char>(c);
  const std::string longName = std::string(512, 'n') + "Z";
  testsupport::FixtureWriter writer;
  writer.Accept("lha")
      .Accept("zip")
      .TarType(5)
      .Password("p w")
      .FailAt(2)
      .Comment("three members")
      .Member(testsupport::FixtureMember(allBytes.substr(0, 255)).Size(1).Attribute("\t a"))
      .Member(testsupport::FixtureMember(longName).WriteTime(1).Size64(2))
      .Member("");
  const std::string text = writer.Text();
  for (unsigned char c : text) {
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "raw byte " << int(c);
  }
  auto fixture = ParseFixture(text);
  ASSERT_TRUE(fixture.has_value()) << text;
  EXPECT_EQ(fixture->accept, (std::vector<std::string>{"lha", "zip"}));
  EXPECT_EQ(fixture->tarType, 5);
  EXPECT_EQ(fixture->password, std::optional<std::string>("p w"));
  EXPECT_EQ(fixture->failAt, 2u);
  EXPECT_EQ(fixture->failCode, -1);
  ASSERT_EQ(fixture->members.size(), 3u);
  EXPECT_EQ(fixture->members[0].name, allBytes.substr(0, 255));
  EXPECT_EQ(fixture->members[0].attr, "\t a");
  EXPECT_EQ(fixture->members[1].name, longName);
  EXPECT_EQ(fixture->members[1].wtime, std::optional<std::uint64_t>(1));
  EXPECT_FALSE(fixture->members[1].atime.has_value());
  EXPECT_EQ(fixture->members[2].name, std::string(1, '\0'));
}

TEST(LogFields, EscapesControlBytesAndBackslashOnly) {
  const struct {
    std::string text;
    std::string field;
  } cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"a\tb", "a\\tb"},
      {"\r\n", "\\r\\n"},
      {"c:\\dir\\", "c:\\\\dir\\\\"},
      {"\x01\x1f\x7f", "\\x01\\x1F\\x7F"},
      {"\x83\x5C\xE3\x81\x82", "\x83\\\\\xE3\x81\x82"},  // multibyte bytes stay raw
      {"\\N", "\\\\N"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standin::EscapeField(c.text), c.field);
    std::string decoded;
    ASSERT_TRUE(standin::UnescapeField(c.field, decoded)) << c.field;
    EXPECT_EQ(decoded, c.text);
  }
}

TEST(LogFields, MalformedFieldsAndNullTexts) {
  std::string decoded;
  for (const char* field : {"\\", "a\\", "\\q", "\\x4", "\\xZZ", "\\x"}) {
    EXPECT_FALSE(standin::UnescapeField(field, decoded)) << field;
  }
  EXPECT_EQ(standin::EscapeTextArgument(nullptr), "\\N");
  EXPECT_EQ(standin::EscapeTextArgument(""), "");
  ASSERT_TRUE(standin::UnescapeField("\\N", decoded));
  EXPECT_EQ(decoded, std::string(1, '\0'));

  EXPECT_EQ(standin::PointerField(nullptr), "0");
  EXPECT_EQ(standin::PointerField(reinterpret_cast<void*>(0x1234)), "0x1234");
  EXPECT_EQ(standin::HexField(0x800000), "0x800000");
  EXPECT_EQ(standin::HexField(0), "0x0");
  EXPECT_EQ(standin::SplitFields("a\t\tb\t"), (std::vector<std::string>{"a", "", "b", ""}));
}

}  // namespace
