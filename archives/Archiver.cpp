#include "archives/Archiver.h"

#include "archives/ArchiverErrors.h"
#include "platform/Files.h"

namespace archives {

void TArchiver::LoadDLL() { throw EArchiver("Abstract method 'TArchiver.LoadDLL' was called"); }

void TArchiver::FreeDLL() { throw EArchiver("Abstract method 'TArchiver.FreeDLL' was called"); }

void TArchiver::EnsureLoaded() { TArchiver::LoadDLL(); }

ArcHandle TArchiver::OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode) {
  return ArchiverDll().OpenArchive(window, platform::ExpandFullPath(fileName, 260), mode);
}

int TArchiver::FindFirst(ArcHandle archive, TMemberInfo& info, const std::string& wildcard) {
  return ArchiverDll().FindFirst(archive, wildcard, info);
}

int TArchiver::FindNext(ArcHandle archive, TMemberInfo& info) {
  return ArchiverDll().FindNext(archive, info);
}

int TArchiver::CloseArchive(ArcHandle archive) { return ArchiverDll().CloseArchive(archive); }

ArcBool TArchiver::CheckArchive(const std::string& fileName, int mode, int extraMode) {
  return ArchiverDll().CheckArchive(fileName, mode + extraMode);
}

bool TArchiver::SetOwnerWindow(ArcWindow window, ArchiverProc callback) {
  OwnerWindow = window;
  return ArchiverDll().SetOwnerWindowEx(window, callback) != 0;
}

bool TArchiver::KillOwnerWindow(ArcWindow window) {
  ArcBool result = ArchiverDll().KillOwnerWindowEx(window);
  OwnerWindow = nullptr;
  return result != 0;
}

ArcBool TArchiver::SetEnumMembersProc(void* first, void* second) {
  return ArchiverDll().SetEnumMembersProc64(first, second);
}

ArcBool TArchiver::ClearEnumMembersProc() { return ArchiverDll().ClearEnumMembersProc64(); }

}  // namespace archives
