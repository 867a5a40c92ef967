// Lists an archive through one archiver library, the way the check run does:
// OpenArchive, FindFirst "*.*", FindNext until non-zero, CloseArchive. One
// member path per line on standard output. Until the scan command exists the
// benchmark times the libraries through this program.
//
//   list_with_library LIBRARY-PATH PREFIX ARCHIVE
//   list_with_library build/backends/UNZIP32.DLL UnZip big.zip
#include <clocale>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

#include "archives/ArchiverApi.h"

using namespace archives;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s LIBRARY-PATH PREFIX ARCHIVE\n", argv[0]);
    return 2;
  }
  std::setlocale(LC_ALL, "");  // the narrow code page of member names
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  const std::string prefix = argv[2];
  auto entry = [&](const char* suffix) { return dlsym(library, (prefix + suffix).c_str()); };
  auto open = reinterpret_cast<OpenArchiveEntry>(entry("OpenArchive"));
  auto close = reinterpret_cast<CloseArchiveEntry>(entry("CloseArchive"));
  auto first = reinterpret_cast<FindFirstEntry>(entry("FindFirst"));
  auto next = reinterpret_cast<FindNextEntry>(entry("FindNext"));
  if (!open || !close || !first || !next) {
    std::fprintf(stderr, "%s: listing entries missing\n", argv[1]);
    return 2;
  }
  ArcHandle archive = open(nullptr, argv[3], kModeList);
  if (!archive) {
    std::fprintf(stderr, "%s: cannot open\n", argv[3]);
    return 2;
  }
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  TMemberInfo info;
  std::memset(&info, 0, sizeof info);
  unsigned long count = 0;
  int r = first(archive, "*.*", &info);
  while (r == 0) {
    std::fputs(info.FileName, stdout);
    std::fputc('\n', stdout);
    ++count;
    r = next(archive, &info);
  }
  close(archive);
  std::fflush(stdout);
  if (r != -1) {
    std::fprintf(stderr, "%s: listing ended with code 0x%x after %lu members\n", argv[3], r, count);
    return 1;
  }
  return 0;
}
