// Small RAR writers for tests (no RAR creator is packaged for Debian): stored
// members only, enough for a reader to list names, sizes and times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace backends_test {

struct RarMember {
  std::string name;  // bytes as stored; "\\" separates folders in RAR 4, "/" in RAR 5
  std::string data;
  bool directory = false;
};

// RAR 4. unicodeNames marks names as UTF-8 (the flag a RAR 4 writer sets
// for names outside the code page); encryptedHeaders sets the archive's
// header-encryption flag, the headers after it being unreadable.
std::string MakeRar4(const std::vector<RarMember>& members, bool unicodeNames = false, bool encryptedHeaders = false);

// RAR 5 (names are UTF-8). encryptedHeaders puts the archive encryption
// header first, as a writer does when headers are encrypted.
std::string MakeRar5(const std::vector<RarMember>& members, bool encryptedHeaders = false);

}  // namespace backends_test
