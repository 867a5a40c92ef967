#include "app/Arguments.h"

namespace app {

namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Moves pos past separators and empty pairs of quotes; true when an argument
// begins there.
bool SkipToArgument(const std::string& line, std::size_t& pos) {
  for (;;) {
    while (pos < line.size() && IsSeparator(line[pos])) ++pos;
    if (pos + 1 < line.size() && line[pos] == '"' && line[pos + 1] == '"') {
      pos += 2;
      continue;
    }
    return pos < line.size();
  }
}

std::string ReadArgument(const std::string& line, std::size_t& pos) {
  std::string argument;
  bool quoted = false;
  while (pos < line.size() && (quoted || !IsSeparator(line[pos]))) {
    if (line[pos] == '"') {
      quoted = !quoted;
    } else {
      argument += line[pos];
    }
    ++pos;
  }
  return argument;
}

}  // namespace

std::vector<std::string> ProgramArguments(const std::string& commandLine) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  bool programName = true;
  while (SkipToArgument(commandLine, pos)) {
    std::string argument = ReadArgument(commandLine, pos);
    if (programName) {
      programName = false;
    } else {
      arguments.push_back(std::move(argument));
    }
  }
  return arguments;
}

}  // namespace app
