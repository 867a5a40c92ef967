// The ZIP binding: up to three libraries at once (UNZIP32.DLL reads,
// ZIP32J.DLL writes, LMZIP32.DLL does both). Entries are written out in full
// and searched in the libraries in an order of their own. An address found is
// kept only while the same libraries are loaded: loading or freeing one
// forgets every address, so a library loaded meanwhile is taken into account
// as if every call searched afresh. A library that failed to load is not
// asked for again until FreeDLL: checking archive after archive would
// otherwise search the disk for the absent ones each time.
#pragma once

#include <cstdint>
#include <string>

#include "archives/ArchiverDll.h"

namespace archives {

class TZipDll : public TCustomArchiverDll {
 public:
  static constexpr const char* kUnZipDllName = "UNZIP32.DLL";
  static constexpr const char* kZipDllName = "ZIP32J.DLL";
  static constexpr const char* kLmZipDllName = "LMZIP32.DLL";

  TZipDll() = default;
  ~TZipDll() override;

  platform::LibraryHandle UnZipModule() const { return unZipModule_; }
  platform::LibraryHandle LmZipModule() const { return lmZipModule_; }
  platform::LibraryHandle ZipModule() const { return zipModule_; }

  // Loads each of the three libraries that is neither loaded nor known to be
  // absent, and forgets every entry address if one was; never raises.
  void LoadDLL() override;
  // Frees the libraries and forgets every entry and every absence.
  void FreeDLL() override;

  int Command(ArcWindow window, const std::string& archiveName, const std::string& commandLine, char* output,
              std::uint32_t outputSize) override;
  // Deletes the archive named by archiveName, then runs the Zip entry: for a
  // fresh archive and for a self-extracting one, which replace the file.
  int PackCommand(ArcWindow window, const std::string& archiveName, const std::string& commandLine, char* output,
                  std::uint32_t outputSize) override;
  // Runs the Zip entry, found as PackCommand finds it, on an archive that is
  // to be changed (members deleted or updated): nothing is deleted first.
  int ChangeCommand(ArcWindow window, const std::string& commandLine, char* output, std::uint32_t outputSize);

 protected:
  // Loads the libraries first where the entry says so, then searches the
  // entry by its ZIP name; entries no ZIP library has stay unbound.
  void PrepareEntry(Entry entry) override;

 private:
  // Unless slot holds an address, searches entryName in the given libraries in
  // order (null ones skipped); LMZIP32.DLL spells a third character "Z" as
  // "z". Stores the first address found, or null; raises EEntryNotFound when
  // raiseIfMissing and none has it.
  bool BindZipEntry(void*& slot, platform::LibraryHandle first, platform::LibraryHandle second,
                    platform::LibraryHandle third, const char* entryName, bool raiseIfMissing);

  // Loads fileName into module unless it is loaded or known to be absent;
  // true when it loaded the library now.
  static bool LoadUnlessAbsent(platform::LibraryHandle& module, bool& absent, const char* fileName);
  void ForgetEntries();

  platform::LibraryHandle unZipModule_ = nullptr;
  platform::LibraryHandle lmZipModule_ = nullptr;
  platform::LibraryHandle zipModule_ = nullptr;
  bool unZipAbsent_ = false;
  bool lmZipAbsent_ = false;
  bool zipAbsent_ = false;
  void* zipEntry_ = nullptr;
  void* unZipEntry_ = nullptr;
};

}  // namespace archives
