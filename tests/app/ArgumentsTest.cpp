#include "app/Arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

TEST(ProgramArguments, SplitsAsTheProgramCountsThem) {
  struct Case {
    const char* what;
    std::string commandLine;
    Arguments expected;
  };
  const Case cases[] = {
      {"nothing at all", "", {}},
      {"program name only", "mokurena.exe", {}},
      {"quoted program name with blanks", "\"C:\\Program Files\\m\\mokurena.exe\"", {}},
      {"blanks around", "   mokurena.exe   a  ", {"a"}},
      {"quoted path with blanks", "mokurena.exe \"C:\\a b\\x.lzh\"", {"C:\\a b\\x.lzh"}},
      {"unquoted path with a blank is two", "mokurena.exe C:\\a b\\x.lzh", {"C:\\a", "b\\x.lzh"}},
      {"empty quotes are no argument", "mokurena.exe \"\"", {}},
      {"several empty pairs", "mokurena.exe \"\" \"\"\"\"", {}},
      {"empty pair between arguments", "mokurena.exe a \"\" b", {"a", "b"}},
      {"empty pair at the start of an argument", "mokurena.exe \"\"C:\\x.lzh", {"C:\\x.lzh"}},
      {"empty pair before the program name", "\"\" mokurena.exe a", {"a"}},
      {"quoted stretch inside an argument", "mokurena.exe C:\\dir\\\"a b\".lzh", {"C:\\dir\\a b.lzh"}},
      {"every quote is removed", "mokurena.exe \"a\"\"b\"", {"ab"}},
      {"empty pair inside an argument", "mokurena.exe a\"\"b", {"ab"}},
      {"unclosed quote runs to the end", "mokurena.exe \"C:\\a b", {"C:\\a b"}},
      {"backslashes are plain characters", "mokurena.exe \"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
      {"two backslashes before a quote stay two", "mokurena.exe a\\\\\"b c\"", {"a\\\\b c"}},
      {"control characters separate",
       "mokurena.exe\ta\x01"
       "b\r\nc",
       {"a", "b", "c"}},
      {"control characters inside quotes stay", "mokurena.exe \"a\tb\"", {"a\tb"}},
      {"Shift_JIS trail byte 0x5C is no backslash",
       "mokurena.exe \"\x95\x5C\\\x94\x5C.lzh\"",
       {"\x95\x5C\\\x94\x5C.lzh"}},
      {"bytes above 0x7F never separate", "mokurena.exe \xA0\xFF", {"\xA0\xFF"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::ProgramArguments(c.commandLine), c.expected) << c.what;
  }
}

}  // namespace
