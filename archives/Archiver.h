// The base of the per-format archiver classes.
#pragma once

#include <cstdint>
#include <string>

#include "archives/ArchiverApi.h"
#include "archives/ArchiverDll.h"
#include "archives/ArchiverType.h"

namespace archives {

// An archiver reaches its format's library through the binding that its class
// shares with every other archiver of the format. Each concrete class offers
// the class-level operations as static members (LoadDLL, FreeDLL, SharedDll,
// ProbeArchive) and loads its library when it is constructed.
class TArchiver {
 public:
  virtual ~TArchiver() = default;
  TArchiver(const TArchiver&) = delete;
  TArchiver& operator=(const TArchiver&) = delete;

  // Class-level loading of a class that lacks its own: always raises.
  static void LoadDLL();
  static void FreeDLL();

  // The format this object stands for.
  virtual TArchiverType ArchiverType() const = 0;
  // The format's shared binding.
  virtual TCustomArchiverDll& ArchiverDll() = 0;
  // Runs the class-level LoadDLL of this object's class.
  virtual void EnsureLoaded();

  // Listing. OpenArchive expands fileName to a full path first.
  virtual ArcHandle OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode);
  virtual int FindFirst(ArcHandle archive, TMemberInfo& info, const std::string& wildcard);
  virtual int FindNext(ArcHandle archive, TMemberInfo& info);
  virtual int CloseArchive(ArcHandle archive);
  virtual ArcBool CheckArchive(const std::string& fileName, int mode, int extraMode);

  // Owner window and member enumeration.
  virtual bool SetOwnerWindow(ArcWindow window, ArchiverProc callback);
  virtual bool KillOwnerWindow(ArcWindow window);
  virtual ArcBool SetEnumMembersProc(void* first, void* second);
  virtual ArcBool ClearEnumMembersProc();

  bool HasOwnerWindow() const { return OwnerWindow != nullptr; }
  ArcWindow OwnerWindow = nullptr;

 protected:
  TArchiver() = default;
};

}  // namespace archives
