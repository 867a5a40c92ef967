// What needs the POSIX substitutes' test switches: a registry that starts
// refusing values, and a program started through the substitute shell.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "settings/Associations.h"
#include "settings/SettingsFiles.h"
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
  platform::WriteWholeFile(tool, "#!/bin/sh\nsleep 0.3\nprintf '%s\\n' \"$@\" > '" + record + ".part'\nmv '" + record +
                                     ".part' '" + record + "'\n");
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

// An Apply by a user who may write the two files but not their folder (0555)
// writes them in place, where no temporary file can be made. As root, the
// writes run in a child that has become nobody.
TEST(SettingsPosixTest, ApplyWorksInAFolderThatTakesNoNewFile) {
  const std::string folder = platform::CreateTempFolder("readonly-folder");
  const std::string watch = platform::JoinPath(folder, "checklst.ini");
  const std::string ini = platform::JoinPath(folder, "mokurena.ini");
  platform::WriteWholeFile(watch, "zip\r\n");
  platform::WriteWholeFile(ini, "[Other]\r\nk=v\r\n");
  const bool root = geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  if (root) {
    ASSERT_EQ(chown(watch.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(ini.c_str(), kNobody, kNobody), 0);
  }
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

  // 0: written; 1: the folder took a new file after all; 2: a write failed.
  const auto apply = [&]() -> int {
    const std::string probe = platform::JoinPath(folder, "probe");
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      close(fd);
      unlink(probe.c_str());
      return 1;
    }
    try {
      settings::SaveWatchList(watch, {"bat", "exe"});
      settings::WriteArchiverPaths(ini, settings::ArchiverPaths{"a"});
    } catch (const std::exception&) {
      return 2;
    }
    return 0;
  };
  int result = -1;
  if (root) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(3);
      _exit(apply());
    }
    int status = 0;
    waitpid(child, &status, 0);
    result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  } else {
    result = apply();
  }
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(platform::ReadWholeFile(watch), "bat\r\nexe\r\n");
  EXPECT_EQ(platform::ReadWholeFile(ini),
            "[Other]\r\nk=v\r\n\r\n[Software]\r\nArchiverPath=a\r\nlzhPath=\r\nzipPath=\r\ncabPath=\r\n"
            "7zPath=\r\nrarPath=\r\ngcaPath=\r\n\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 2);
  platform::RemoveTree(folder);
}

}  // namespace
