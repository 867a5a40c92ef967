// mokurena-scan: checks archives from the command line (ScanCommand.h).
#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/scan/ScanCommand.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "settings/SettingsFiles.h"

namespace {

void WriteLine(std::FILE* stream, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fputc('\n', stream);
}

class Scanner {
 public:
  Scanner(const scan::Options& options, const app::StringList& watch, const std::string& libraries)
      : options_(options), checks_(watch, options, libraries) {}

  // Checks an archive; its result is reported in order, once it is in.
  void Check(const std::string& path) {
    checks_.Submit(path);
    // Enough archives ahead that the worker never waits for the next one.
    while (checks_.Pending() > kArchivesAhead) Report(checks_.Take());
  }

  // Reports every archive submitted.
  void Finish() {
    while (checks_.Pending() > 0) Report(checks_.Take());
  }

  // The paths of standard input, each checked as soon as it is read and
  // reported before more input is waited for.
  void CheckStandardInput() {
    scan::PathListReader reader(options_.nulSeparated);
    std::vector<std::string> paths;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
      reader.Feed(buffer, got, paths);
      CheckAll(paths);
    }
    reader.Finish(paths);
    CheckAll(paths);
  }

  int Status() const { return status_; }

 private:
  static constexpr std::size_t kArchivesAhead = 64;

  void CheckAll(std::vector<std::string>& paths) {
    for (const std::string& path : paths) Check(path);
    paths.clear();
    Finish();
  }

  void Report(const scan::ArchiveResult& result) {
    const scan::ResultText text = scan::TextOf(result, options_.json);
    std::fwrite(text.err.data(), 1, text.err.size(), stderr);
    std::fwrite(text.out.data(), 1, text.out.size(), stdout);
    std::fflush(stdout);
    const int status = scan::ExitStatusOf(result);
    if (status > status_) status_ = status;
  }

  const scan::Options& options_;
  scan::ArchiveChecks checks_;
  int status_ = scan::kExitClean;
};

int Run(const std::vector<std::string>& args) {
  if (args.size() == 1 && args[0] == scan::kWorkerOption) return scan::ServeChecks();
  scan::Options options;
  std::string error;
  if (!scan::ParseArguments(args, options, error)) {
    WriteLine(stderr, "mokurena-scan: " + error + " (--help shows the usage)");
    return scan::kExitTrouble;
  }
  if (options.help) {
    std::fputs(scan::UsageText().c_str(), stdout);
    return scan::kExitClean;
  }
  if (options.version) {
    std::fputs(scan::VersionText().c_str(), stdout);
    return scan::kExitClean;
  }

  const std::string libraries = options.libraries.empty() ? scan::DefaultLibraryFolder() : options.libraries;
  if (!libraries.empty()) platform::SetLibrarySearchFolder(libraries);

  app::StringList watch;
  if (options.extensionsGiven) {
    watch = options.extensions;
  } else if (!options.watchFile.empty()) {
    // A watch list named on the command line must be there; only the file
    // beside the program falls back to the default list.
    if (!platform::FileExists(options.watchFile)) {
      WriteLine(stderr, "mokurena-scan: " + options.watchFile + ": no such watch list file");
      return scan::kExitTrouble;
    }
    watch = settings::LoadWatchList(options.watchFile);
  } else {
    watch =
        settings::LoadWatchList(scan::WatchListFileWithoutOption(settings::WatchListPath(), scan::kSystemWatchList));
  }

  Scanner scanner(options, watch, libraries);
  bool stdinRead = false;
  for (const std::string& archive : options.archives) {
    if (archive == scan::kStdinMarker) {
      if (!stdinRead) scanner.CheckStandardInput();
      stdinRead = true;
    } else {
      scanner.Check(archive);
    }
  }
  scanner.Finish();
  return scanner.Status();
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything loads a library: archives are often checked where they
  // arrived, and a library planted beside them must never run.
  platform::KeepCurrentFolderOutOfLibrarySearch();
  // Member names and paths are text of the locale's code page; only the
  // character type is taken from the environment (each other category
  // would be one more file read at every start).
  std::setlocale(LC_CTYPE, "");
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    WriteLine(stderr, std::string("mokurena-scan: ") + e.what());
  } catch (...) {
    WriteLine(stderr, "mokurena-scan: unknown error");
  }
  return scan::kExitTrouble;
}
