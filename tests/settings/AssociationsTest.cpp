// The associations against the registry of the platform: the substitute
// natively, Wine's real registry in the Win32 build. Every test works on
// extensions and executable paths of its own, so the tests neither see nor
// disturb each other's keys in a registry that outlives them.
#include "settings/Associations.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "settings/ConfigRules.h"
#include "tests/support/PlatformHooks.h"

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

int g_unique = 0;

// An executable path no other test uses.
std::string UniqueExe() { return "C:\\Tools " + std::to_string(++g_unique) + "\\\x83\x5C\\Mokurena.exe"; }

// An extension no other test uses (for the cases that name their own).
std::string UniqueExt() { return "mk" + std::to_string(++g_unique); }

void SetDefault(const std::string& key, const std::string& value, const std::string& name = "") {
  RegistryKey registry(RegistryRoot::ClassesRoot, platform::kKeyAllAccess);
  ASSERT_TRUE(registry.OpenKey(key, true)) << key;
  registry.WriteString(name, value);
}

// The default value of a key, or "(no key)".
std::string DefaultOf(const std::string& key, const std::string& name = "") {
  RegistryKey registry(RegistryRoot::ClassesRoot, platform::kKeyRead);
  if (!registry.OpenKey(key, false)) return "(no key)";
  return registry.ReadString(name);
}

class AssociationsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ResetSubstituteRegistry(); }
  void TearDown() override { platform::ResetSubstituteRegistry(); }
};

TEST_F(AssociationsTest, AssociatingWritesFourValuesThenNotifiesAndKeepsTheRest) {
  const std::string exe = UniqueExe();
  const std::string ext = UniqueExt();
  const std::string type = "Qorbel" + ext + "File";
  // An earlier association by another program, and another value beside it.
  SetDefault("." + ext, "OtherArchiver." + ext);
  SetDefault("." + ext, "application/x-other", "Content Type");
  SetDefault("OtherArchiver." + ext + "\\shell\\open\\command", "\"C:\\other.exe\" \"%1\"");

  std::vector<std::string> seenAtNotify;
  settings::AssociatedMeB(ext, exe, [&] { seenAtNotify.push_back(DefaultOf(type + "\\shell\\open\\command")); });

  const std::map<std::string, std::string> expected = {
      {"." + ext, type},
      {type, ext + "File"},
      {type + "\\DefaultIcon", "\"" + exe + "\",0"},
      {type + "\\shell\\open\\command", "\"" + exe + "\" \"%1\""},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(DefaultOf(key), value) << key;
  // One notification, after the last value.
  EXPECT_EQ(seenAtNotify, std::vector<std::string>{"\"" + exe + "\" \"%1\""});
  EXPECT_EQ(DefaultOf("." + ext, "Content Type"), "application/x-other");
  EXPECT_EQ(DefaultOf("OtherArchiver." + ext + "\\shell\\open\\command"), "\"C:\\other.exe\" \"%1\"");

  EXPECT_TRUE(settings::IsAssosiatedMeB(ext, exe));
  // Rewriting an existing association is the same four values.
  settings::AssociatedMeB(ext, exe, nullptr);
  for (const auto& [key, value] : expected) EXPECT_EQ(DefaultOf(key), value) << key;
}

TEST_F(AssociationsTest, AssociatedOnlyWhenTheOpenCommandNamesThisExecutable) {
  const std::string exe = "C:\\Tools\\\x83\x5C\\Mokurena.exe";
  struct Case {
    const char* what;
    const char* fileType;  // nullptr: no extension key
    const char* command;   // nullptr: no command key
    bool expected;
  };
  const Case cases[] = {
      {"no extension key", nullptr, nullptr, false},
      {"extension key without a file type", "", nullptr, false},
      {"file type without a command", "TypeA", nullptr, false},
      {"this executable", "TypeB", "\"C:\\Tools\\\x83\x5C\\Mokurena.exe\" \"%1\"", true},
      {"other letter case", "TypeC", "\"c:\\TOOLS\\\x83\x5C\\MOKURENA.EXE\" \"%1\"", true},
      {"named anywhere in the command", "TypeD", "cmd /c c:\\tools\\\x83\x5C\\mokurena.exe -x", true},
      {"another folder", "TypeE", "\"C:\\Old\\\x83\x5C\\Mokurena.exe\" \"%1\"", false},
      {"a short form of the path", "TypeF", "\"C:\\Tools\\\x83\x5C\\MOKURE~1.EXE\" \"%1\"", false},
      {"a file type literally named error", "error", "\"C:\\Tools\\\x83\x5C\\Mokurena.exe\" \"%1\"", false},
  };
  for (const Case& c : cases) {
    const std::string ext = UniqueExt();
    std::string type = c.fileType ? c.fileType : "";
    if (c.fileType && *c.fileType && std::string(c.fileType) != "error") type += ext;  // a type of its own
    if (c.fileType) SetDefault("." + ext, type);
    if (c.command) SetDefault(type + "\\shell\\open\\command", c.command);
    EXPECT_EQ(settings::IsAssosiatedMeB(ext, exe), c.expected) << c.what;
    // The test reads only.
    if (!c.fileType) {
      EXPECT_EQ(DefaultOf("." + ext), "(no key)") << c.what;
    }
  }
}

TEST_F(AssociationsTest, AFileTypeThatIsNoStringIsARegistryError) {
  const std::string ext = UniqueExt();
  {
    RegistryKey registry(RegistryRoot::ClassesRoot, platform::kKeyAllAccess);
    ASSERT_TRUE(registry.OpenKey("." + ext, true));
    registry.WriteInteger("", 7);
  }
  EXPECT_THROW(settings::IsAssosiatedMeB(ext, UniqueExe()), platform::RegistryError);
}

TEST_F(AssociationsTest, OnlyTickedTypesAreWrittenEachFollowedByItsNotification) {
  const std::vector<std::string> types(settings::kArchiveTypeExtensions.begin(),
                                       settings::kArchiveTypeExtensions.end());
  const struct {
    const char* what;
    settings::AssociationChoices ticked;
  } cases[] = {
      {"none", {false, false, false, false, false, false}},
      {"lzh and 7z", {true, false, false, true, false, false}},
      {"all six", {true, true, true, true, true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string exe = UniqueExe();
    // What the other types held before stays; an untouched type keeps it.
    const std::string sentinel = "Sentinel" + std::to_string(++g_unique);
    for (const std::string& ext : types) SetDefault("." + ext, sentinel);

    // At every notification: which types then open with exe.
    std::vector<std::vector<bool>> notifications;
    settings::AssociatedMe(c.ticked, exe, [&] {
      std::vector<bool> associated;
      for (const std::string& ext : types) associated.push_back(settings::IsAssosiatedMeB(ext, exe));
      notifications.push_back(associated);
    });

    std::vector<std::vector<bool>> expected;
    std::vector<bool> sofar(types.size(), false);
    for (std::size_t i = 0; i < types.size(); ++i) {
      if (!c.ticked[i]) continue;
      sofar[i] = true;
      expected.push_back(sofar);
    }
    EXPECT_EQ(notifications, expected);
    for (std::size_t i = 0; i < types.size(); ++i) {
      EXPECT_EQ(DefaultOf("." + types[i]), c.ticked[i] ? "Qorbel" + types[i] + "File" : sentinel) << types[i];
    }
  }
}

}  // namespace
