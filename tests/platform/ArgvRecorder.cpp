// Writes its arguments, one per line, to the file named by MOKURENA_ARGV_FILE.
// The file appears complete or not at all: it is written under another name
// and then renamed.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* target = std::getenv("MOKURENA_ARGV_FILE");
  if (!target || !*target) return 2;
  const std::string part = std::string(target) + ".part";
  std::FILE* f = std::fopen(part.c_str(), "wb");
  if (!f) return 3;
  for (int i = 1; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
  if (std::fclose(f) != 0) return 4;
  return std::rename(part.c_str(), target) == 0 ? 0 : 5;
}
