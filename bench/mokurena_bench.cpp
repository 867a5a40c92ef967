// Listing benchmark: makes archives with the real tools, then times a scan
// command against the standard listers on the same archive and prints the
// ratios and the peak memory per member. A program, not a test.
//
//   mokurena_bench [--work DIR] [--sizes 10000,100000,1000000]
//                  [--formats zip,tar,tgz,7z,lzh,zipext] [--runs N]
//                  [--lha-max N] [--scan "COMMAND {}"] [--libraries]
//
// The scan command is split at blanks; "{}" stands for the archive (appended
// when absent). Without --scan the program times <build>/bin/mokurena-scan
// when it exists, otherwise each format's archiver library through
// list_with_library (--libraries forces that). Exit codes 0 and 1 of a scan
// command both count as success (1 = watched members found).
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string work = "/tmp/mokurena-bench";
  std::vector<long> sizes = {10000, 100000, 1000000};
  std::vector<std::string> formats = {"zip", "tar", "tgz", "7z", "lzh", "zipext"};
  int runs = 5;
  long lhaMax = 100000;
  std::string scan;
  bool libraries = false;
};

// One archive against its targets: no slower than the fastest lister; at
// 1,000,000 members at most 150 bytes per member above the lister's peak RSS.
struct Verdict {
  std::string format;
  long members = 0;
  double scanSeconds = 0;
  double scanCpu = 0;
  double fastest = 0;  // elapsed
  std::string fastestLister;
  double fastestCpu = 0;
  std::string fastestCpuLister;
  double memoryPerMember = 0;
};

struct Run {
  double seconds = 0;     // elapsed
  double cpuSeconds = 0;  // user + system
  long maxRssKb = 0;
  int status = -1;
};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Runs argv with stdout to /dev/null (or to a file) in folder; time and peak RSS of the child.
Run Execute(const std::vector<std::string>& argv, const std::string& folder = "",
            bool quietErrors = false) {
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    if (quietErrors) dup2(null, 2);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  std::memset(&usage, 0, sizeof usage);
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.maxRssKb = usage.ru_maxrss;
  run.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec / 1e6;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

bool Shell(const std::string& command) {
  std::printf("  $ %s\n", command.c_str());
  std::fflush(stdout);
  return std::system(command.c_str()) == 0;
}

// A folder of count empty files in folders of 1000, 1% of them .exe; with
// distinct, every file has an extension of its own.
void MakeTree(const std::string& root, long count, bool distinct) {
  if (Exists(root + "/.complete")) return;
  Shell("rm -rf '" + root + "' && mkdir -p '" + root + "'");
  char path[512];
  for (long i = 0; i < count; ++i) {
    if (i % 1000 == 0) {
      std::snprintf(path, sizeof path, "%s/d%05ld", root.c_str(), i / 1000);
      mkdir(path, 0755);
    }
    if (distinct)
      std::snprintf(path, sizeof path, "%s/d%05ld/f%07ld.x%ld", root.c_str(), i / 1000, i, i);
    else
      std::snprintf(path, sizeof path, "%s/d%05ld/f%07ld.%s", root.c_str(), i / 1000, i,
                    i % 100 == 0 ? "exe" : "txt");
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) ::close(fd);
  }
  Shell("touch '" + root + "/.complete'");
}

// Makes the archive of one format from a tree, unless it is there already.
bool MakeArchive(const std::string& format, const std::string& tree, const std::string& archive) {
  if (Exists(archive)) return true;
  const std::string partial = archive + ".part";
  std::string command;
  if (format == "zip" || format == "zipext")
    command = "cd '" + tree + "' && zip -q -r '" + partial + "' d*";
  else if (format == "tar")
    command = "tar -cf '" + partial + "' -C '" + tree + "' .";
  else if (format == "tgz")
    command = "tar -czf '" + partial + "' -C '" + tree + "' .";
  else if (format == "7z")
    command = "cd '" + tree + "' && 7z a -bd -bso0 -t7z '" + partial + "' d* >/dev/null";
  else if (format == "lzh")
    command = "cd '" + tree + "' && jlha a '" + partial + "' d* >/dev/null";
  else
    return false;
  if (!Shell("rm -f '" + partial + "' && " + command)) return false;
  return std::rename(partial.c_str(), archive.c_str()) == 0;
}

std::vector<std::vector<std::string>> Listers(const std::string& format) {
  if (format == "zip" || format == "zipext") return {{"unzip", "-Z1"}, {"bsdtar", "-tf"}};
  if (format == "tar") return {{"tar", "-tf"}, {"bsdtar", "-tf"}};
  return {{"bsdtar", "-tf"}, {"7z", "l", "-ba"}};
}

std::vector<std::string> LibraryCommand(const std::string& format) {
  const std::string lister = std::string(MOKURENA_BIN_DIR) + "/list_with_library";
  const std::string dir = std::string(MOKURENA_BACKENDS_DIR) + "/";
  if (format == "zip" || format == "zipext") return {lister, dir + "UNZIP32.DLL", "UnZip"};
  if (format == "tar" || format == "tgz") return {lister, dir + "TAR32.DLL", "Tar"};
  if (format == "7z") return {lister, dir + "7-zip32.dll", "SevenZip"};
  return {lister, dir + "UNLHA32.DLL", "Unlha"};
}

std::vector<std::string> WithArchive(std::vector<std::string> command, const std::string& archive) {
  bool placed = false;
  for (std::string& part : command) {
    if (part == "{}") {
      part = archive;
      placed = true;
    }
  }
  if (!placed) command.push_back(archive);
  return command;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : " ") + p;
  return text;
}

// The median elapsed time and the median CPU time (user + system) of runs,
// each on its own, and the highest peak RSS; a warm-up run first.
Run Measure(const std::vector<std::string>& command, int runs) {
  Execute(command, "", true);
  std::vector<double> elapsed, cpu;
  Run result;
  for (int i = 0; i < runs; ++i) {
    const Run run = Execute(command, "", true);
    elapsed.push_back(run.seconds);
    cpu.push_back(run.cpuSeconds);
    result.maxRssKb = std::max(result.maxRssKb, run.maxRssKb);
    if (i == 0 || run.status != 0) result.status = run.status;
  }
  std::sort(elapsed.begin(), elapsed.end());
  std::sort(cpu.begin(), cpu.end());
  result.seconds = elapsed[elapsed.size() / 2];
  result.cpuSeconds = cpu[cpu.size() / 2];
  return result;
}

void Usage() {
  std::puts(
      "usage: mokurena_bench [--work DIR] [--sizes N,N,...] [--formats zip,tar,tgz,7z,lzh,zipext]\n"
      "                      [--runs N] [--lha-max N] [--scan \"COMMAND {}\"] [--libraries]");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--work") options.work = value();
    else if (arg == "--sizes") {
      options.sizes.clear();
      for (const std::string& s : Split(value(), ',')) options.sizes.push_back(std::atol(s.c_str()));
    } else if (arg == "--formats") options.formats = Split(value(), ',');
    else if (arg == "--runs") options.runs = std::max(1, std::atoi(value().c_str()));
    else if (arg == "--lha-max") options.lhaMax = std::atol(value().c_str());
    else if (arg == "--scan") options.scan = value();
    else if (arg == "--libraries") options.libraries = true;
    else {
      Usage();
      return arg == "--help" ? 0 : 2;
    }
  }
  const std::string defaultScan = std::string(MOKURENA_BIN_DIR) + "/mokurena-scan";
  if (options.scan.empty() && !options.libraries && Exists(defaultScan)) options.scan = defaultScan + " {}";
  Shell("mkdir -p '" + options.work + "'");

  std::vector<Verdict> verdicts;
  std::printf("\n%-7s %8s  %-16s %9s %9s %6s %9s %9s %6s %11s %12s\n", "format", "members", "lister",
              "lister s", "scan s", "ratio", "lister cpu", "scan cpu", "ratio", "RSS MiB", "RSS diff B/m");
  for (const std::string& format : options.formats) {
    std::vector<long> sizes = options.sizes;
    if (format == "zipext") sizes = {100000};
    for (long count : sizes) {
      if (format == "lzh" && count > options.lhaMax) continue;
      const bool distinct = format == "zipext";
      const std::string tree =
          options.work + "/tree-" + std::to_string(count) + (distinct ? "-ext" : "");
      const std::string archive = options.work + "/bench-" + std::to_string(count) + "." +
                                  (format == "zipext" ? "ext.zip" : format);
      MakeTree(tree, count, distinct);
      if (!MakeArchive(format, tree, archive)) {
        std::printf("%-7s %8ld  cannot make %s\n", format.c_str(), count, archive.c_str());
        continue;
      }
      const std::vector<std::string> scan =
          WithArchive(options.scan.empty() ? LibraryCommand(format) : Split(options.scan, ' '), archive);
      const Run ours = Measure(scan, options.runs);
      if (ours.status != 0 && ours.status != 1)
        std::printf("%-7s %8ld  scan command failed (%d): %s\n", format.c_str(), count, ours.status,
                    Joined(scan).c_str());
      Verdict verdict;
      verdict.format = format;
      verdict.members = count;
      verdict.scanSeconds = ours.seconds;
      verdict.scanCpu = ours.cpuSeconds;
      verdict.fastest = 1e100;
      for (const std::vector<std::string>& lister : Listers(format)) {
        const Run theirs = Measure(WithArchive(lister, archive), options.runs);
        const double perMember =
            (static_cast<double>(ours.maxRssKb) - theirs.maxRssKb) * 1024.0 / count;
        std::printf("%-7s %8ld  %-16s %9.3f %9.3f %6.2f %9.3f %9.3f %6.2f %5ld/%-5ld %12.1f\n", format.c_str(),
                    count, Joined(lister).c_str(), theirs.seconds, ours.seconds, ours.seconds / theirs.seconds,
                    theirs.cpuSeconds, ours.cpuSeconds, ours.cpuSeconds / theirs.cpuSeconds,
                    ours.maxRssKb / 1024, theirs.maxRssKb / 1024, perMember);
        // 7z lists a .tar.gz as its one gzip stream, not the tar's members: no comparison.
        const bool comparable = !(format == "tgz" && lister[0] == "7z");
        if (comparable && theirs.seconds < verdict.fastest) {
          verdict.fastest = theirs.seconds;
          verdict.fastestLister = Joined(lister);
        }
        if (comparable && (verdict.fastestCpu == 0 || theirs.cpuSeconds < verdict.fastestCpu)) {
          verdict.fastestCpu = theirs.cpuSeconds;
          verdict.fastestCpuLister = Joined(lister);
        }
        // Memory is measured against unzip -Z1 for ZIP and bsdtar -tf for the others.
        if (lister[0] == (format == "zip" || format == "zipext" ? "unzip" : "bsdtar")) verdict.memoryPerMember = perMember;
      }
      verdicts.push_back(verdict);
      std::fflush(stdout);
    }
  }
  // Targets: no slower than the fastest lister in elapsed time and in CPU
  // time; at 1,000,000 members at most 150 bytes per member of peak RSS
  // above the lister's.
  std::printf("\n%-7s %8s  %-16s %7s %-16s %7s %12s  %s\n", "format", "members", "fastest (time)", "ratio",
              "fastest (cpu)", "ratio", "RSS diff B/m", "targets");
  double zipPerMember = 0, zipextPerMember = 0;
  for (const Verdict& v : verdicts) {
    const double timeRatio = v.scanSeconds / v.fastest;
    const double cpuRatio = v.scanCpu / v.fastestCpu;
    const bool small = v.members < 1000000 || v.memoryPerMember <= 150;
    std::printf("%-7s %8ld  %-16s %7.2f %-16s %7.2f %12.1f  %s%s%s\n", v.format.c_str(), v.members,
                v.fastestLister.c_str(), timeRatio, v.fastestCpuLister.c_str(), cpuRatio, v.memoryPerMember,
                timeRatio <= 1 ? "time ok" : "time MISSED", cpuRatio <= 1 ? ", cpu ok" : ", cpu MISSED",
                v.members < 1000000 ? "" : small ? ", memory ok" : ", memory MISSED");
    if (v.format == "zip" && v.members == 100000) zipPerMember = v.scanCpu / v.members;
    if (v.format == "zipext" && v.members == 100000) zipextPerMember = v.scanCpu / v.members;
  }
  if (zipPerMember > 0 && zipextPerMember > 0)
    std::printf("all-distinct extensions: %.2f of the plain ZIP's CPU time per member (100,000 members)\n",
                zipextPerMember / zipPerMember);
  std::printf("\nscan command: %s\nratio = scan / lister, elapsed and CPU (user + system) time, each the median of %d runs after a warm-up;\n"
              "RSS in MiB (scan/lister); RSS diff = (scan peak RSS - lister peak RSS) / members.\n",
              options.scan.empty() ? (Joined(LibraryCommand("zip")) + " ... (per format)").c_str()
                                   : options.scan.c_str(),
              options.runs);
  return 0;
}
