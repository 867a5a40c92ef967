#include "archives/Yz1Dll.h"

#include <cstring>

namespace archives {

namespace {

constexpr int kMaxAttempts = 4;
constexpr std::uint32_t kPasswordBufferSize = 256;

// Overwrites a buffer in a way the compiler may not drop as a dead store.
void Wipe(char* buffer, std::size_t size) {
  volatile char* p = buffer;
  while (size--) *p++ = 0;
}

}  // namespace

TYZ1Dll::TYZ1Dll(const std::string& dllName) : TArchiverDll("YZ1 形式書庫", dllName, "Yz1") {}

void TYZ1Dll::FreeDLL() {
  setDefaultPasswordEntry_ = nullptr;
  passwordDialogEntry_ = nullptr;
  TArchiverDll::FreeDLL();
}

ArcHandle TYZ1Dll::OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode) {
  lastOwnerWindow_ = window;
  return TArchiverDll::OpenArchive(window, fileName, mode);
}

int TYZ1Dll::FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) {
  char password[kPasswordBufferSize];
  int result = 0;
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    result = TArchiverDll::FindFirst(archive, wildcard, info);
    if (result != kErrorPasswordFile) break;
    std::memset(password, 0, sizeof password);
    if (PasswordDialog(lastOwnerWindow_, password, kPasswordBufferSize) < 0) break;
    password[kPasswordBufferSize - 1] = '\0';
    SetDefaultPassword(archive, password);
  }
  // The password lives only in this buffer; leave nothing of it behind.
  Wipe(password, sizeof password);
  return result;
}

int TYZ1Dll::SetDefaultPassword(ArcHandle archive, const char* password) {
  if (!BindNamed(setDefaultPasswordEntry_, "SetDefaultPassword", false)) return -1;
  return reinterpret_cast<SetDefaultPasswordEntry>(setDefaultPasswordEntry_)(archive, password);
}

int TYZ1Dll::PasswordDialog(ArcWindow window, char* buffer, std::uint32_t size) {
  if (!BindNamed(passwordDialogEntry_, "PasswordDialog", false)) return -1;
  return reinterpret_cast<PasswordDialogEntry>(passwordDialogEntry_)(window, buffer, size);
}

}  // namespace archives
