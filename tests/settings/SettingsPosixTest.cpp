// What needs the POSIX substitutes' test switches: a registry that starts
// refusing values, and a program started through the substitute shell.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "settings/Associations.h"
#include "settings/ZipFolder.h"
#include "tests/support/PlatformHooks.h"

namespace {

std::string DefaultOf(const std::string& key) {
  platform::RegistryKey registry(platform::RegistryRoot::ClassesRoot, platform::kKeyRead);
  if (!registry.OpenKey(key, false)) return "(no key)";
  return registry.ReadString("");
}

TEST(SettingsPosixTest, ARefusedValueEndsTheRunBeforeTheNextTypeIsNotified) {
  platform::ResetSubstituteRegistry();
  int notifications = 0;
  // The registry starts refusing after lzh is done, while zip is next.
  const auto refuseAfterFirst = [&] {
    ++notifications;
    platform::SetSubstituteRegistryRefusesWrites(platform::RegistryRoot::ClassesRoot, true);
  };
  EXPECT_THROW(settings::AssociatedMe({true, true, false, true, false, false}, "C:\\m.exe", refuseAfterFirst),
               platform::RegistryError);
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(DefaultOf("QorbellzhFile\\shell\\open\\command"), "\"C:\\m.exe\" \"%1\"");
  EXPECT_EQ(DefaultOf(".zip"), "(no key)");
  EXPECT_EQ(DefaultOf(".7z"), "(no key)");

  // Existing keys open, but their first value is refused: nothing after it.
  platform::SetSubstituteRegistryRefusesWrites(platform::RegistryRoot::ClassesRoot, false);
  settings::AssociatedMeB("cab", "C:\\old.exe", nullptr);
  platform::SetSubstituteRegistryRefusesWrites(platform::RegistryRoot::ClassesRoot, true);
  EXPECT_THROW(settings::AssociatedMeB("cab", "C:\\new.exe", [&] { ++notifications; }), platform::RegistryError);
  EXPECT_EQ(notifications, 1);
  EXPECT_EQ(DefaultOf("QorbelcabFile\\DefaultIcon"), "\"C:\\old.exe\",0");
  platform::ResetSubstituteRegistry();
}

TEST(SettingsPosixTest, SwitchRunsRegsvr32FromTheSearchPathWithoutWaiting) {
  const std::string folder = platform::CreateTempFolder("zipfldr");
  const std::string record = platform::JoinPath(folder, "record");
  const std::string tool = platform::JoinPath(folder, "regsvr32.exe");
  // Records its arguments one per line, after the caller has gone on.
  platform::WriteWholeFile(tool, "#!/bin/sh\nsleep 0.3\nprintf '%s\\n' \"$@\" > '" + record + ".part'\nmv '" +
                                     record + ".part' '" + record + "'\n");
  ASSERT_EQ(chmod(tool.c_str(), 0755), 0);
  const std::string path = platform::GetEnvironmentValue("PATH");
  platform::SetEnvironmentValue("PATH", folder + ":" + path);

  const struct {
    bool switchOn;
    const char* recorded;
  } cases[] = {{false, "/u\nzipfldr\n"}, {true, "zipfldr\n"}};
  for (const auto& c : cases) {
    platform::RemoveFile(record);
    ASSERT_TRUE(settings::SwitchZipFolder(nullptr, c.switchOn));
    EXPECT_FALSE(platform::FileExists(record)) << "the tool was waited for";
    for (int i = 0; i < 200 && !platform::FileExists(record); ++i) usleep(20000);
    EXPECT_EQ(platform::ReadWholeFile(record), c.recorded);
  }
  platform::SetEnvironmentValue("PATH", path);
  platform::RemoveTree(folder);
}

}  // namespace
