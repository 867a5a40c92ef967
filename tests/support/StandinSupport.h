// Test support around the stand-in archiver libraries and program: choosing
// which libraries are present, reading their call log and the archiver
// program's records. testlibs/README.md describes the libraries themselves.
//
// Win32 keeps a library loaded under its file name: while a UNLHA32.DLL is
// loaded, LoadLibraryA("UNLHA32.DLL") returns that one whatever folder is set.
// A test that switches variants of one file must free the library first.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Folder of one variant of the stand-in libraries ("full", "bare",
// "nofindnext", "nopassword"): <executable folder>/../standins/<variant>.
std::string StandinFolder(const std::string& variant);

// Path of the stand-in archiver program.
std::string StandinArchiverPath();

// Sets an environment variable for the life of the object, then restores the
// value it had (an empty value means unset).
class ScopedEnvironmentValue {
 public:
  ScopedEnvironmentValue(const std::string& name, const std::string& value);
  ~ScopedEnvironmentValue();
  ScopedEnvironmentValue(const ScopedEnvironmentValue&) = delete;
  ScopedEnvironmentValue& operator=(const ScopedEnvironmentValue&) = delete;

 private:
  std::string name_;
  std::string previous_;
};

// A fresh temporary folder holding copies of chosen stand-in libraries, set
// as the library search folder; the destructor sets the empty folder again
// and removes the folder (on Win32 a library still loaded stays behind).
// Throws std::runtime_error when a library has not been built.
class ScopedLibraryFolder {
 public:
  using Library = std::pair<std::string, std::string>;  // variant, file name
  using Libraries = std::vector<Library>;

  // ScopedLibraryFolder("full", {"UNLHA32.DLL", "CAB32.DLL"})
  ScopedLibraryFolder(const std::string& variant, const std::vector<std::string>& files);
  // ScopedLibraryFolder(Libraries{{"bare", "UNLHA32.DLL"}, {"full", "CAB32.DLL"}}); the
  // type must be named, a bare list of two pairs also reads as the form above.
  explicit ScopedLibraryFolder(const Libraries& libraries);
  ~ScopedLibraryFolder();
  ScopedLibraryFolder(const ScopedLibraryFolder&) = delete;
  ScopedLibraryFolder& operator=(const ScopedLibraryFolder&) = delete;

  // Copies one more library into the folder (replacing one of that name).
  void Add(const std::string& variant, const std::string& file);
  // Deletes a library from the folder; false when it could not be deleted.
  bool Remove(const std::string& file);

  const std::string& Folder() const { return folder_; }
  std::string PathOf(const std::string& file) const;

 private:
  std::string folder_;
};

// One call received by a stand-in library.
struct StandinCall {
  std::string dll;                // file name of the library, e.g. "UNLHA32.DLL"
  std::string entry;              // exported name, e.g. "UnlhaOpenArchive"
  std::vector<std::string> args;  // decoded; a null text is kNullText
};

// What a null text argument decodes to: one NUL character.
extern const std::string kNullText;

// Points MOKURENA_STANDIN_LOG at a fresh file for the life of the object.
class ScopedCallLog {
 public:
  ScopedCallLog();
  ~ScopedCallLog();
  ScopedCallLog(const ScopedCallLog&) = delete;
  ScopedCallLog& operator=(const ScopedCallLog&) = delete;

  // The calls logged so far, in order. Throws std::runtime_error for a line
  // that is not in the log's format.
  std::vector<StandinCall> Read() const;
  // The raw lines, without their LF.
  std::vector<std::string> Lines() const;
  // Only the entry names, in order.
  std::vector<std::string> Entries() const;
  // Forgets what was logged so far.
  void Clear();
  const std::string& Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
  ScopedEnvironmentValue variable_;
};

// One run of the stand-in archiver program.
struct ArchiverRecord {
  std::string commandLine;
  std::string currentFolder;
  std::string programPath;
  std::vector<std::string> arguments;
};

// The records of a record file, in order; none when the file does not exist.
// Throws std::runtime_error for a malformed line.
std::vector<ArchiverRecord> ReadArchiverRecords(const std::string& path);

}  // namespace testsupport
