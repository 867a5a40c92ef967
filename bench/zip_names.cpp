// The least a ZIP lister can do: for each archive named, read the end record
// and the central directory and print every member name. No ZIP64, no
// checks beyond staying inside the buffer. The floor that the small-archive
// case of the benchmark measures the scan against.
//
//   zip_names ARCHIVE...
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::uint32_t Le(const unsigned char* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

bool ListNames(const char* path, std::vector<unsigned char>& buffer) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  const long tail = size < 65557 ? size : 65557;  // the end record and the longest comment
  buffer.resize(static_cast<std::size_t>(tail));
  std::fseek(file, size - tail, SEEK_SET);
  const bool read = std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size();
  if (!read || tail < 22) {
    std::fclose(file);
    return false;
  }
  long end = tail - 22;
  while (end >= 0 && Le(&buffer[end], 4) != 0x06054b50) --end;
  if (end < 0) {
    std::fclose(file);
    return false;
  }
  const std::uint32_t count = Le(&buffer[end + 10], 2);
  const std::uint32_t length = Le(&buffer[end + 12], 4);
  const std::uint32_t offset = Le(&buffer[end + 16], 4);
  buffer.resize(length);
  std::fseek(file, offset, SEEK_SET);
  const bool whole = std::fread(buffer.data(), 1, length, file) == length;
  std::fclose(file);
  if (!whole) return false;
  std::size_t p = 0;
  for (std::uint32_t i = 0; i < count && p + 46 <= buffer.size(); ++i) {
    const std::uint32_t nameLength = Le(&buffer[p + 28], 2);
    const std::size_t record = 46 + nameLength + Le(&buffer[p + 30], 2) + Le(&buffer[p + 32], 2);
    if (p + record > buffer.size()) return false;
    std::fwrite(&buffer[p + 46], 1, nameLength, stdout);
    std::fputc('\n', stdout);
    p += record;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<unsigned char> buffer;
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    if (!ListNames(argv[i], buffer)) {
      std::fprintf(stderr, "zip_names: %s: not read\n", argv[i]);
      status = 2;
    }
  }
  return status;
}
