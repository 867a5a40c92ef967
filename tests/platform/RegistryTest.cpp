// The registry: on Win32 the real one, below HKCU\Software\MokurenaTest, which
// the tests remove again; on POSIX the in-memory substitute.
#include "platform/Registry.h"
#include "tests/support/PlatformHooks.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;

const std::string kBase = "Software\\MokurenaTest";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }

  static void Clean() {
#ifdef _WIN32
    // Deepest keys first: RegDeleteKeyA removes only keys without subkeys.
    for (const char* key : {"Software\\MokurenaTest\\Sub\\Deeper", "Software\\MokurenaTest\\Sub",
                            "Software\\MokurenaTest\\.lzh", "Software\\MokurenaTest"}) {
      RegDeleteKeyA(HKEY_CURRENT_USER, key);
    }
#else
    platform::ResetSubstituteRegistry();
#endif
  }
};

TEST_F(Registry, OpenCreateReadWrite) {
  RegistryKey key(RegistryRoot::CurrentUser, platform::kKeyAllAccess);
  EXPECT_FALSE(key.OpenKey(kBase + "\\Sub", false));  // missing, not created
  EXPECT_FALSE(key.IsOpen());

  ASSERT_TRUE(key.OpenKey(kBase + "\\Sub\\Deeper", true));
  EXPECT_TRUE(key.IsOpen());
  key.WriteString("", "default value");
  key.WriteString("Named", "C:\\Program Files\\x.exe \"%1\"");
  key.WriteString("Empty", "");
  EXPECT_EQ(key.ReadString(""), "default value");
  EXPECT_EQ(key.ReadString("named"), "C:\\Program Files\\x.exe \"%1\"");  // names ignore case
  EXPECT_EQ(key.ReadString("Empty"), "");
  EXPECT_EQ(key.ReadString("Missing"), "");
  key.WriteString("Named", "replaced");
  EXPECT_EQ(key.ReadString("NAMED"), "replaced");
  key.CloseKey();
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.ReadString(""), "");  // no key open

  // Key paths ignore case too, and a second object sees the same values.
  RegistryKey reader(RegistryRoot::CurrentUser, platform::kKeyRead);
  ASSERT_TRUE(reader.OpenKey("SOFTWARE\\mokurenatest\\SUB\\deeper", false));
  EXPECT_EQ(reader.ReadString(""), "default value");
  ASSERT_TRUE(reader.OpenKey(kBase + "\\Sub", false));  // the parent was created on the way,
  EXPECT_EQ(reader.ReadString(""), "");                 // and reopening left the old key
}

TEST_F(Registry, RefusedWritesAndWrongTypesRaise) {
  RegistryKey key(RegistryRoot::CurrentUser, platform::kKeyAllAccess);
  EXPECT_THROW(key.WriteString("", "x"), platform::RegistryError);  // no key open
  EXPECT_FALSE(key.OpenKey(kBase + "\\Missing", false));
  EXPECT_THROW(key.WriteString("", "x"), platform::RegistryError);  // the failed open left none

  ASSERT_TRUE(key.OpenKey(kBase + "\\.lzh", true));
  key.WriteInteger("", 7);
  key.WriteInteger("Count", 1);
  EXPECT_THROW(key.ReadString(""), platform::RegistryError);
  EXPECT_THROW(key.ReadString("count"), platform::RegistryError);
  key.WriteString("", "QorbelLzhFile");  // a string again
  EXPECT_EQ(key.ReadString(""), "QorbelLzhFile");

  // A key opened for reading refuses writes.
  RegistryKey reader(RegistryRoot::CurrentUser, platform::kKeyRead);
  ASSERT_TRUE(reader.OpenKey(kBase + "\\.lzh", false));
  EXPECT_THROW(reader.WriteString("", "x"), platform::RegistryError);
  EXPECT_EQ(reader.ReadString(""), "QorbelLzhFile");
}

#ifndef _WIN32
TEST_F(Registry, SubstituteRootsAreSeparateAndCanRefuseWrites) {
  RegistryKey user(RegistryRoot::CurrentUser, platform::kKeyAllAccess);
  ASSERT_TRUE(user.OpenKey(".lzh", true));
  user.WriteString("", "user");
  RegistryKey classes(RegistryRoot::ClassesRoot, platform::kKeyAllAccess);
  EXPECT_FALSE(classes.OpenKey(".lzh", false));

  platform::SetSubstituteRegistryRefusesWrites(RegistryRoot::ClassesRoot, true);
  EXPECT_FALSE(classes.OpenKey(".zip", true));  // cannot be created
  platform::SetSubstituteRegistryRefusesWrites(RegistryRoot::ClassesRoot, false);
  ASSERT_TRUE(classes.OpenKey(".zip", true));
  platform::SetSubstituteRegistryRefusesWrites(RegistryRoot::ClassesRoot, true);
  EXPECT_TRUE(classes.OpenKey(".zip", true));  // exists: opens
  EXPECT_THROW(classes.WriteString("", "x"), platform::RegistryError);

  // A reset forgets everything, and a key open across it is left harmless.
  platform::ResetSubstituteRegistry();
  EXPECT_EQ(user.ReadString(""), "");
  EXPECT_THROW(user.WriteString("", "again"), platform::RegistryError);
  EXPECT_FALSE(RegistryKey(RegistryRoot::CurrentUser, platform::kKeyRead).OpenKey(".lzh", false));
}
#endif

}  // namespace
