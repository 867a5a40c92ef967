// The plain decisions held against the system itself: the order of a real
// sorted list control, and a key that the real registry will not create.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Registry.h"
#include "settings/Associations.h"
#include "settings/ConfigRules.h"

namespace {

using Strings = std::vector<std::string>;

// The items as a list control with LBS_SORT holds them after adding them in
// this order.
Strings SortedByTheListControl(const Strings& items) {
  HWND list = CreateWindowExA(0, "LISTBOX", "", LBS_SORT | LBS_HASSTRINGS, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  EXPECT_NE(list, nullptr);
  for (const std::string& item : items) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  Strings sorted;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]))));
    sorted.push_back(text);
  }
  DestroyWindow(list);
  return sorted;
}

TEST(SettingsWin32Test, SortedOrderIsTheListControls) {
  const Strings cases[] = {
      {"zip", "EXE", "exe", "Exe", ""},
      {"scr", "Bat", "exe", "ABC", "bat", "BAT", "bAt"},
      {"a-b", "ab", "a_b", "a b", "A", "a", "_x", "~x", "1", "10", "2"},
      {"\x83\x41", "\x82\xA0", "exe", "\x82\x85", "\x82\x64", "\xB1", "lzh"},
      {"x", "X", "x", "X", "x", "X", "x", "X", "x"},
      {"scr", "pif", "exe", "bat", "exe", "targz", "EXE", "cab", "Cab"},
  };
  for (const Strings& items : cases) EXPECT_EQ(settings::SortLikeListBox(items), SortedByTheListControl(items));
}

std::string DefaultOf(const std::string& key) {
  platform::RegistryKey registry(platform::RegistryRoot::ClassesRoot, platform::kKeyRead);
  if (!registry.OpenKey(key, false)) return "(no key)";
  return registry.ReadString("");
}

// The registry refuses a lasting key below a volatile one: the icon key of
// the file type cannot be made after the file type's own key was opened.
TEST(SettingsWin32Test, AKeyThatCannotBeMadeEndsTheTypeWithoutWritingIntoTheKeyBefore) {
  const std::string ext = "mkv" + std::to_string(GetCurrentProcessId());
  const std::string type = "Qorbel" + ext + "File";
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, type.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);

  int notifications = 0;
  EXPECT_THROW(settings::AssociatedMeB(ext, "C:\\m.exe", [&] { ++notifications; }), platform::RegistryError);
  EXPECT_EQ(DefaultOf("." + ext), type);
  EXPECT_EQ(DefaultOf(type), ext + "File");
  EXPECT_EQ(DefaultOf(type + "\\DefaultIcon"), "(no key)");
  EXPECT_EQ(DefaultOf(type + "\\shell\\open\\command"), "(no key)");
  EXPECT_EQ(notifications, 0);
}

}  // namespace
