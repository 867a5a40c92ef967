// The YZ1 binding: the prefix binding plus the library's password prompt,
// which listing an encrypted archive runs.
#pragma once

#include <cstdint>
#include <string>

#include "archives/ArchiverDll.h"

namespace archives {

class TYZ1Dll : public TArchiverDll {
 public:
  explicit TYZ1Dll(const std::string& dllName);

  ArcHandle OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode) override;
  // While the library answers that a member needs a password, asks the user
  // for one and tries again: at most four attempts.
  int FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info) override;

  // -1 when the library lacks the entry; otherwise the library's result.
  int SetDefaultPassword(ArcHandle archive, const char* password);
  int PasswordDialog(ArcWindow window, char* buffer, std::uint32_t size);

  void FreeDLL() override;

 private:
  ArcWindow lastOwnerWindow_ = nullptr;  // given to the last OpenArchive; the password prompt's owner
  void* setDefaultPasswordEntry_ = nullptr;
  void* passwordDialogEntry_ = nullptr;
};

}  // namespace archives
