// Bindings to the outside archiver libraries: each entry is looked up by name
// the first time it is needed and its address kept.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "archives/ArchiverApi.h"
#include "platform/DynamicLibrary.h"

namespace archives {

// Looks entryName up in module unless slot already holds an address. Returns
// true when the slot holds one afterwards; otherwise raises EEntryNotFound
// with the module's path (the executable's for a null module) when
// raiseIfMissing is set, or returns false.
bool BindEntry(void*& slot, platform::LibraryHandle module, const std::string& entryName, bool raiseIfMissing);

// Converts a DOS date and time, read as local time, to a UTC file time. Both
// zero give zero. False when the conversion fails; result is then unchanged.
bool DosTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result);

// The abstract binding: holds the 17 entry addresses and calls them. Derived
// bindings bind an entry before they call the operation of this class.
class TCustomArchiverDll {
 public:
  // The entry slots, in this order.
  enum Entry {
    eCommand,
    eOpenArchive,
    eCloseArchive,
    eFindFirst,
    eFindNext,
    eExtractMem,
    eCheckArchive,
    eSetOwnerWindowEx,
    eKillOwnerWindowEx,
    eGetWriteTimeEx,
    eGetCreateTimeEx,
    eGetAccessTimeEx,
    eGetOriginalSizeEx,
    eGetCompressedSizeEx,
    eGetArchiveType,
    eSetEnumMembersProc64,
    eClearEnumMembersProc64,
    kEntryCount
  };
  // What an entry is, indexed by Entry: its name suffix (the command
  // entry's is empty), whether an operation needs it (else the operation
  // answers 0 without it), and whether a call to it may come first, before
  // any other, so that its binding loads the library.
  struct EntryTraits {
    const char* suffix;
    bool required;
    bool loadsLibrary;
  };
  static const EntryTraits kEntries[kEntryCount];

  TCustomArchiverDll() = default;
  virtual ~TCustomArchiverDll();
  TCustomArchiverDll(const TCustomArchiverDll&) = delete;
  TCustomArchiverDll& operator=(const TCustomArchiverDll&) = delete;

  virtual void LoadDLL() = 0;
  // Forgets every entry address.
  virtual void FreeDLL();
  virtual int Command(ArcWindow window, const std::string& archiveName, const std::string& commandLine, char* output,
                      std::uint32_t outputSize);
  virtual int PackCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine,
                          char* output, std::uint32_t outputSize);
  virtual ArcBool CheckArchive(const std::string& fileName, int mode);
  virtual int CloseArchive(ArcHandle archive);
  virtual int ExtractMem(ArcWindow window, const std::string& commandLine, unsigned char* buffer,
                         std::uint32_t bufferSize, void* time, std::uint16_t* attribute, std::uint32_t* writtenSize);
  virtual int FindFirst(ArcHandle archive, const std::string& wildcard, TMemberInfo& info);
  virtual int FindNext(ArcHandle archive, TMemberInfo& info);
  virtual ArcBool KillOwnerWindowEx(ArcWindow window);
  virtual ArcHandle OpenArchive(ArcWindow window, const std::string& fileName, std::uint32_t mode);
  virtual ArcBool SetOwnerWindowEx(ArcWindow window, ArchiverProc callback);
  virtual ArcBool GetWriteTimeEx(ArcHandle archive, std::uint64_t& fileTime);
  virtual ArcBool GetCreateTimeEx(ArcHandle archive, std::uint64_t& fileTime);
  virtual ArcBool GetAccessTimeEx(ArcHandle archive, std::uint64_t& fileTime);
  virtual ArcBool GetOriginalSizeEx(ArcHandle archive, std::uint64_t& size);
  virtual ArcBool GetCompressedSizeEx(ArcHandle archive, std::uint64_t& size);
  virtual int GetArchiveType(const std::string& fileName);
  virtual ArcBool SetEnumMembersProc64(void* first, void* second);
  virtual ArcBool ClearEnumMembersProc64();

  // Completes the 64-bit times and sizes of a record that a find entry has
  // just filled, through the five optional entries or their fallbacks.
  void FillExtendedInfo(ArcHandle archive, TMemberInfo& info);

  // The bound address of an entry; nullptr while unbound.
  void* EntryAddress(Entry entry) const { return entries_[entry]; }

 protected:
  // Makes entry callable before an operation calls it: a derived binding
  // loads its library and binds the entry here. Nothing by default.
  virtual void PrepareEntry(Entry /*entry*/) {}
  void*& Slot(Entry entry) { return entries_[entry]; }
  // The address of a required entry; raises EEntryNotFound when unbound.
  void* Required(Entry entry) const;
  // Prepares entry and calls it as a function of type Fn. Without an address
  // a required entry raises EEntryNotFound and an optional one answers 0.
  template <class Fn, class... Args>
  auto Call(Entry entry, Args... args) -> decltype(std::declval<Fn>()(args...)) {
    PrepareEntry(entry);
    if (!entries_[entry]) {
      if (kEntries[entry].required) Required(entry);
      return {};
    }
    return reinterpret_cast<Fn>(entries_[entry])(args...);
  }

 private:
  void* entries_[kEntryCount] = {};
};

// The binding of a library whose entries all carry one prefix.
class TArchiverDll : public TCustomArchiverDll {
 public:
  TArchiverDll(std::string description, std::string dllName, std::string prefix);
  ~TArchiverDll() override;

  platform::LibraryHandle ModuleHandle() const { return moduleHandle_; }
  const std::string& DllName() const { return dllName_; }

  // Loads the library unless it is loaded; raises ENoArchiverDLL when it
  // cannot. Nothing of a failure is kept: the next call tries again.
  void LoadDLL() override;
  // Forgets every entry, frees the library.
  void FreeDLL() override;

 protected:
  // Loads the library first where the entry says so, then binds prefix + the
  // entry's suffix, raising when a required one is missing.
  void PrepareEntry(Entry entry) override;
  bool BindNamed(void*& slot, const std::string& suffix, bool raiseIfMissing);

 private:
  platform::LibraryHandle moduleHandle_ = nullptr;
  std::string description_;
  std::string dllName_;
  std::string prefix_;
};

}  // namespace archives
