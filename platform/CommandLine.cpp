// Splitting a command line into arguments as the Windows C runtime does.
#include "platform/Shell.h"

#include "platform/CodePage.h"

namespace platform {

std::vector<std::string> SplitCommandLine(const std::string& parameters) {
  std::vector<std::string> args;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < parameters.size()) {
    const char c = parameters[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument) args.push_back(current);
      current.clear();
      inArgument = false;
      ++i;
      continue;
    }
    inArgument = true;
    // A double-byte character is copied whole: a trail byte with the value
    // of "\\" is no backslash.
    const std::size_t length = CharLength(parameters, i);
    if (length > 1) {
      current.append(parameters, i, length);
      i += length;
      continue;
    }
    if (c == '\\') {
      std::size_t count = 0;
      while (i < parameters.size() && parameters[i] == '\\') {
        ++count;
        ++i;
      }
      if (i < parameters.size() && parameters[i] == '"') {
        // 2n backslashes and a quote: n backslashes, the quote delimits;
        // 2n+1: n backslashes and a literal quote.
        current.append(count / 2, '\\');
        if (count % 2 == 1) {
          current += '"';
          ++i;
        }
      } else {
        current.append(count, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < parameters.size() && parameters[i + 1] == '"') {
        // A doubled quote inside quotes is one literal quote.
        current += '"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    current += c;
    ++i;
  }
  if (inArgument) args.push_back(current);
  return args;
}

}  // namespace platform
