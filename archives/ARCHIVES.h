// The archive façade: the one object through which the rest of the system
// reaches an archive. It decides the format from the file name's extension or
// from the content, creates the format's archiver and forwards listing to it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archives/Archiver.h"
#include "archives/ArchiverApi.h"
#include "archives/ArchiverOptions.h"
#include "archives/ArchiverType.h"

namespace archives {

// How DetectArchiverType decides.
enum class TDetectBy { Extension, Content };

// The format of a file: by extension from the façade's table (".exe" is typed
// by content); by content through every format's probe, the last positive
// answer winning. atNone when nothing matches.
TArchiverType DetectArchiverType(const std::string& fileName, TDetectBy by);

// A new archiver object of the format, loading its library as its class does;
// nullptr for a type without an archiver class.
std::unique_ptr<TArchiver> CreateArchiver(TArchiverType type);

// Member information handed to an enumeration callback.
struct TEnumMemberInfo64 {
  TMemberInfo Info;
};

using TArchiverProgressEvent = std::function<void(void* sender, int state, void* lpEis, bool& abort)>;
using TArchiverEnumMemberEvent = std::function<void(void* sender, TEnumMemberInfo64& enumInfo, bool& abort)>;

class TArchiveFile {
 public:
  // The component framework's states that change how a type is stored.
  enum ComponentStateFlag : std::uint8_t { csDesigning = 1, csReading = 2 };

  TArchiveFile();
  ~TArchiveFile();
  TArchiveFile(const TArchiveFile&) = delete;
  TArchiveFile& operator=(const TArchiveFile&) = delete;

  const std::string& FileName() const { return fileName_; }
  // Sets the type detected from the name's extension (which may create the
  // archiver and load its library), then stores the name. When the first step
  // raises, the name stays as it was.
  void SetFileName(const std::string& value);

  TArchiverType ArchiverType() const { return archiverType_; }
  void SetArchiverType(TArchiverType value);

  TArchiverOptions& Options() { return *options_; }
  TArchiver* Archiver() const { return archiver_.get(); }
  ArcHandle Handle() const { return handle_; }

  int GetOutputSize() const { return static_cast<int>(output_.size()); }
  void SetOutputSize(int size);
  std::string& Output() { return output_; }

  std::uint8_t ComponentState = 0;
  TArchiverProgressEvent OnProgress;
  TArchiverEnumMemberEvent OnEnumMember;

  // 0 when the library opened the archive, 1 when it gave no handle. Detects
  // the format by content first when no type is set yet.
  int OpenArchive(ArcWindow window, std::uint32_t mode);
  // The library's result: 0 = the record holds a member.
  int FindFirst(const std::string& wildcard, TMemberInfo& info);
  int FindNext(TMemberInfo& info);
  // Closes the stored handle, a null one included, and forgets it.
  void CloseArchive();

 private:
  TArchiver& RequireArchiver();

  TArchiverType archiverType_ = atAutoDetect;
  std::unique_ptr<TArchiver> archiver_;
  std::unique_ptr<TArchiverOptions> options_;
  std::string fileName_;
  std::string output_;
  ArcHandle handle_ = nullptr;
};

}  // namespace archives
