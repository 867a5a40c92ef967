// The base of the per-format archiver classes.
#pragma once

#include <cstdint>
#include <string>

#include "archives/ArchiverApi.h"
#include "archives/ArchiverDll.h"
#include "archives/ArchiverOptions.h"
#include "archives/ArchiverType.h"
#include "archives/CmdOpt.h"

namespace archives {

// The arguments of the command-line builders for extracting, packing,
// deleting and updating; see TArchiver for what each means. It lives no
// longer than the call it is made for.
struct TCommandRequest {
  const std::string& archiveName;
  const TArchiverOptions& options;
  const std::string& folder;
  const TValueList& files;
  bool useResponseFile;
};

// An archiver reaches its format's library through the binding that its class
// shares with every other archiver of the format. Each concrete class offers
// the class-level operations as static members (LoadDLL, FreeDLL, SharedDll,
// ProbeArchive) and loads its library when it is constructed.
//
// The command operations (Extract, Pack, Delete, Update, MakeSfx,
// ExtractToMemory) ask the format for a command line through its builder,
// store the line in their commandLine argument and then run it through the
// binding; the library's result is returned unchanged (0 = success). A
// builder the format does not offer raises EArchiver before anything reaches
// the library. `files` is a list of mixed values as ToStringList flattens
// it; `useResponseFile` is the caller's wish to pass the file list through
// the options' response file, which some formats follow and others replace by
// the options' ResFileUsage. `output` is the buffer the library may write its
// messages into, up to the text's length: size it beforehand.
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

  // Commands. `folder` is the output folder when extracting and the base
  // folder when packing or updating.
  virtual int Extract(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                      const std::string& folder, const TValueList& files, bool useResponseFile,
                      std::string& commandLine, std::string& output);
  virtual int Pack(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
                   std::string& output);
  virtual int Delete(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                     const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
                     std::string& output);
  virtual int Update(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                     const std::string& folder, const TValueList& files, bool useResponseFile, std::string& commandLine,
                     std::string& output);
  // Makes a self-extracting program of the archive, in `folder` when it is
  // not empty, else beside the archive.
  virtual int MakeSfx(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                      const std::string& folder, std::string& commandLine, std::string& output);
  // Extracts one member into buffer; the library stores the count of bytes
  // written through writtenSize.
  virtual int ExtractToMemory(ArcWindow window, const std::string& archiveName, const TArchiverOptions& options,
                              const std::string& memberName, unsigned char* buffer, std::uint32_t bufferSize,
                              std::uint32_t* writtenSize, std::string& commandLine);

  virtual ArcBool CheckArchive(const std::string& fileName, int mode, int extraMode);

  // Command-line builders. Every format supplies the extraction; the others
  // raise EArchiver with a fixed message unless the format offers them.
  virtual std::string BuildExtractCommand(const TCommandRequest& request) = 0;
  virtual std::string BuildPackCommand(const TCommandRequest& request);
  virtual std::string BuildDeleteCommand(const TCommandRequest& request);
  virtual std::string BuildUpdateCommand(const TCommandRequest& request);
  virtual std::string BuildSfxCommand(const std::string& archiveName, const TArchiverOptions& options,
                                      const std::string& folder);
  virtual std::string BuildExtractMemCommand(const std::string& archiveName, const TArchiverOptions& options,
                                             const std::string& memberName);

  // Owner window and member enumeration.
  virtual bool SetOwnerWindow(ArcWindow window, ArchiverProc callback);
  virtual bool KillOwnerWindow(ArcWindow window);
  virtual ArcBool SetEnumMembersProc(void* first, void* second);
  virtual ArcBool ClearEnumMembersProc();

  // The binding's Command (RunCommand) or PackCommand (RunPackCommand) with
  // output's characters as the buffer and its length as the buffer's size.
  int RunCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine, std::string& output);
  int RunPackCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine,
                     std::string& output);

  // The archive name as a quoted item, then the folder as a quoted folder
  // item (left out when empty or not set).
  static void AddArchiveArguments(TCmdOpt& cmd, const std::string& archiveName, const std::string& folder);
  // The file list: into the options' response file when useResponseFile is
  // set and ResFileName is neither empty nor not set, else one quoted item
  // per name; then a blank and UserFileList. Returns the count of names.
  static int AddFileArguments(TCmdOpt& cmd, const TArchiverOptions& options, const TValueList& files,
                              bool useResponseFile);

  bool HasOwnerWindow() const { return OwnerWindow != nullptr; }
  ArcWindow OwnerWindow = nullptr;

 protected:
  TArchiver() = default;
};

}  // namespace archives
