// Listing benchmark: makes archives with the real tools, then times a scan
// command against the standard listers on the same archive and prints the
// ratios and the peak memory per member. A program, not a test.
//
//   mokurena_bench [--work DIR] [--sizes 10000,100000,1000000]
//                  [--formats zip,zipvar,tar,tarvar,tgz,7z,lzh,cab,zipext,small]
//                  [--runs N] [--lha-max N] [--cab-max N] [--small N]
//                  [--scan "COMMAND {}"] [--libraries]
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
#include <map>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Options {
  std::string work = "/tmp/mokurena-bench";
  std::vector<long> sizes = {10000, 100000, 1000000};
  std::vector<std::string> formats = {"zip", "zipvar", "tar", "tarvar", "tgz", "7z", "lzh", "cab", "zipext", "small"};
  int runs = 5;
  long lhaMax = 100000;
  long cabMax = 65000;  // a cabinet holds at most 65,535 files
  long smallCount = 2000;
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
  double floorSeconds = 0;  // cat of the archive; 0 = not measured
  double utcCpu = 0;        // the scan's CPU time with TZ=UTC; 0 = not measured
  double crowdedCpu = 0;    // the same with 300 more environment variables
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

// Variables set for a command, "NAME=VALUE" each.
using Environment = std::vector<std::string>;

// Runs argv with stdout to /dev/null in folder, with env added to the
// environment; time and peak RSS of the child.
Run Execute(const std::vector<std::string>& argv, const std::string& folder = "", bool quietErrors = false,
            const Environment& env = {}) {
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    if (quietErrors) dup2(null, 2);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    for (const std::string& variable : env) putenv(const_cast<char*>(variable.c_str()));
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
  run.cpuSeconds =
      usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

bool Shell(const std::string& command) {
  std::printf("  $ %s\n", command.c_str());
  std::fflush(stdout);
  return std::system(command.c_str()) == 0;
}

enum class TreeKind {
  kPlain,     // made in one go: the files share a handful of time stamps
  kDistinct,  // every file with an extension of its own
  kVaried,    // every file with a time stamp of its own, as real trees have
};

// A folder of count empty files in folders of 1000, 1% of them .exe.
void MakeTree(const std::string& root, long count, TreeKind kind) {
  if (Exists(root + "/.complete")) return;
  Shell("rm -rf '" + root + "' && mkdir -p '" + root + "'");
  char path[512];
  for (long i = 0; i < count; ++i) {
    if (i % 1000 == 0) {
      std::snprintf(path, sizeof path, "%s/d%05ld", root.c_str(), i / 1000);
      mkdir(path, 0755);
    }
    if (kind == TreeKind::kDistinct)
      std::snprintf(path, sizeof path, "%s/d%05ld/f%07ld.x%ld", root.c_str(), i / 1000, i, i);
    else
      std::snprintf(path, sizeof path, "%s/d%05ld/f%07ld.%s", root.c_str(), i / 1000, i, i % 100 == 0 ? "exe" : "txt");
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) continue;
    if (kind == TreeKind::kVaried) {
      // From 2001 on, 613 s apart: about 19 years over a million files,
      // every date and time of day met.
      struct timespec times[2];
      times[0].tv_sec = times[1].tv_sec = 978307200 + i * 613;
      times[0].tv_nsec = times[1].tv_nsec = 0;
      futimens(fd, times);
    }
    ::close(fd);
  }
  Shell("touch '" + root + "/.complete'");
}

// Makes the archive of one format from a tree, unless it is there already.
bool MakeArchive(const std::string& format, const std::string& tree, const std::string& archive) {
  if (Exists(archive)) return true;
  const std::string partial = archive + ".part";
  std::string command;
  if (format == "zip" || format == "zipext" || format == "zipvar")
    command = "cd '" + tree + "' && zip -q -r '" + partial + "' d*";
  else if (format == "tar" || format == "tarvar")
    command = "tar -cf '" + partial + "' -C '" + tree + "' .";
  else if (format == "cab")
    command = "cd '" + tree + "' && gcab -c '" + partial + "' d*/*";
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

bool IsZip(const std::string& format) { return format == "zip" || format == "zipext" || format == "zipvar"; }

// The listers compared with; "cat" reads the file and nothing more, the
// floor under every lister, shown but not counted among them.
std::vector<std::vector<std::string>> Listers(const std::string& format) {
  if (IsZip(format)) return {{"unzip", "-Z1"}, {"bsdtar", "-tf"}, {"cat"}};
  if (format == "tar" || format == "tarvar") return {{"tar", "-tf"}, {"bsdtar", "-tf"}, {"cat"}};
  if (format == "cab") return {{"gcab", "-t"}, {"bsdtar", "-tf"}};
  return {{"bsdtar", "-tf"}, {"7z", "l", "-ba"}};
}

std::vector<std::string> LibraryCommand(const std::string& format) {
  const std::string lister = std::string(MOKURENA_BIN_DIR) + "/list_with_library";
  const std::string dir = std::string(MOKURENA_BACKENDS_DIR) + "/";
  if (IsZip(format)) return {lister, dir + "UNZIP32.DLL", "UnZip"};
  if (format == "tar" || format == "tarvar" || format == "tgz") return {lister, dir + "TAR32.DLL", "Tar"};
  if (format == "7z") return {lister, dir + "7-zip32.dll", "SevenZip"};
  if (format == "cab") return {lister, dir + "CAB32.DLL", "Cab"};
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
Run Measure(const std::vector<std::string>& command, int runs, const Environment& env = {}) {
  Execute(command, "", true, env);
  std::vector<double> elapsed, cpu;
  Run result;
  for (int i = 0; i < runs; ++i) {
    const Run run = Execute(command, "", true, env);
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
      "usage: mokurena_bench [--work DIR] [--sizes N,N,...]\n"
      "                      [--formats zip,zipvar,tar,tarvar,tgz,7z,lzh,cab,zipext,small]\n"
      "                      [--runs N] [--lha-max N] [--cab-max N] [--small N]\n"
      "                      [--scan \"COMMAND {}\"] [--libraries]");
}

// The command with every archive in the place of "{}" (or after it).
std::vector<std::string> WithArchives(std::vector<std::string> command, const std::vector<std::string>& archives) {
  std::vector<std::string> result;
  bool placed = false;
  for (std::string& part : command) {
    if (part == "{}") {
      result.insert(result.end(), archives.begin(), archives.end());
      placed = true;
    } else {
      result.push_back(part);
    }
  }
  if (!placed) result.insert(result.end(), archives.begin(), archives.end());
  return result;
}

// count small ZIPs of ten members each (one .exe), made once.
std::vector<std::string> MakeSmallArchives(const std::string& work, long count) {
  const std::string folder = work + "/small-" + std::to_string(count);
  std::vector<std::string> archives;
  char name[64];
  for (long i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "/a%05ld.zip", i);
    archives.push_back(folder + name);
  }
  if (Exists(folder + "/.complete")) return archives;
  std::string members;
  for (int m = 0; m < 10; ++m) members += " member" + std::to_string(m) + (m == 9 ? ".exe" : ".txt");
  Shell("rm -rf '" + folder + "' && mkdir -p '" + folder + "/src' && cd '" + folder + "/src' && touch" + members +
        " && for i in $(seq -f %05g 0 " + std::to_string(count - 1) + "); do zip -q ../a$i.zip" + members +
        " || exit 1; done && touch ../.complete");
  return archives;
}

// The median total elapsed and CPU time of running command once per archive.
Run MeasureEach(const std::vector<std::string>& command, const std::vector<std::string>& archives, int runs) {
  std::vector<double> elapsed, cpu;
  Run result;
  for (int i = 0; i <= runs; ++i) {  // the first run warms the cache
    Run total;
    for (const std::string& archive : archives) {
      const Run run = Execute(WithArchive(command, archive), "", true);
      total.seconds += run.seconds;
      total.cpuSeconds += run.cpuSeconds;
      if (run.status != 0 && run.status != 1) result.status = run.status;
    }
    if (i == 0) continue;
    elapsed.push_back(total.seconds);
    cpu.push_back(total.cpuSeconds);
  }
  std::sort(elapsed.begin(), elapsed.end());
  std::sort(cpu.begin(), cpu.end());
  result.seconds = elapsed[elapsed.size() / 2];
  result.cpuSeconds = cpu[cpu.size() / 2];
  if (result.status == -1) result.status = 0;
  return result;
}

// The small-archive cases: all archives in one call against the least a
// ZIP lister can do, and one process per archive against unzip -Z1.
struct SmallVerdict {
  long archives = 0;
  double oneCall = 0, floor = 0;       // seconds for all archives
  double eachScan = 0, eachUnzip = 0;  // seconds for all archives, one process each
  int eachRuns = 0;
};

SmallVerdict RunSmall(const Options& options, const std::vector<std::string>& scan) {
  SmallVerdict verdict;
  const std::vector<std::string> archives = MakeSmallArchives(options.work, options.smallCount);
  verdict.archives = options.smallCount;
  const Run ours = Measure(WithArchives(scan, archives), options.runs);
  const Run least = Measure(WithArchives({std::string(MOKURENA_BIN_DIR) + "/zip_names"}, archives), options.runs);
  verdict.oneCall = ours.seconds;
  verdict.floor = least.seconds;
  std::printf("%-7s %8ld  %-16s %9.3f %9.3f %6.2f %9.3f %9.3f %6.2f  (all archives in one call)\n", "small",
              verdict.archives, "zip_names", least.seconds, ours.seconds, ours.seconds / least.seconds,
              least.cpuSeconds, ours.cpuSeconds, ours.cpuSeconds / least.cpuSeconds);
  // One process per archive costs seconds a run: at most 3 runs.
  verdict.eachRuns = std::min(options.runs, 3);
  const Run eachOurs = MeasureEach(scan, archives, verdict.eachRuns);
  const Run eachTheirs = MeasureEach({"unzip", "-Z1"}, archives, verdict.eachRuns);
  verdict.eachScan = eachOurs.seconds;
  verdict.eachUnzip = eachTheirs.seconds;
  std::printf("%-7s %8ld  %-16s %9.3f %9.3f %6.2f %9.3f %9.3f %6.2f  (one process per archive)\n", "small",
              verdict.archives, "unzip -Z1", eachTheirs.seconds, eachOurs.seconds,
              eachOurs.seconds / eachTheirs.seconds, eachTheirs.cpuSeconds, eachOurs.cpuSeconds,
              eachOurs.cpuSeconds / eachTheirs.cpuSeconds);
  std::fflush(stdout);
  return verdict;
}

// 300 variables more than the bench has: getenv costs grow with them.
Environment CrowdedEnvironment() {
  Environment env;
  for (int i = 0; i < 300; ++i)
    env.push_back("MOKURENA_BENCH_FILLER_" + std::to_string(i) + "=/usr/local/share/filler/" + std::to_string(i));
  return env;
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
    if (arg == "--work")
      options.work = value();
    else if (arg == "--sizes") {
      options.sizes.clear();
      for (const std::string& s : Split(value(), ',')) options.sizes.push_back(std::atol(s.c_str()));
    } else if (arg == "--formats")
      options.formats = Split(value(), ',');
    else if (arg == "--runs")
      options.runs = std::max(1, std::atoi(value().c_str()));
    else if (arg == "--lha-max")
      options.lhaMax = std::atol(value().c_str());
    else if (arg == "--cab-max")
      options.cabMax = std::atol(value().c_str());
    else if (arg == "--small")
      options.smallCount = std::max(1L, std::atol(value().c_str()));
    else if (arg == "--scan")
      options.scan = value();
    else if (arg == "--libraries")
      options.libraries = true;
    else {
      Usage();
      return arg == "--help" ? 0 : 2;
    }
  }
  const std::string defaultScan = std::string(MOKURENA_BIN_DIR) + "/mokurena-scan";
  if (options.scan.empty() && !options.libraries && Exists(defaultScan)) options.scan = defaultScan + " {}";
  Shell("mkdir -p '" + options.work + "'");

  std::vector<Verdict> verdicts;
  SmallVerdict small;
  std::printf("\n%-7s %8s  %-16s %9s %9s %6s %9s %9s %6s %11s %12s\n", "format", "members", "lister", "lister s",
              "scan s", "ratio", "lister cpu", "scan cpu", "ratio", "RSS MiB", "RSS diff B/m");
  for (const std::string& format : options.formats) {
    const std::vector<std::string> scanCommand =
        options.scan.empty() ? LibraryCommand(format == "small" ? "zip" : format) : Split(options.scan, ' ');
    if (format == "small") {
      small = RunSmall(options, scanCommand);
      continue;
    }
    std::vector<long> sizes;
    for (long count : format == "zipext" ? std::vector<long>{100000} : options.sizes) {
      if (format == "lzh" && count > options.lhaMax) continue;
      if (format == "cab") count = std::min(count, options.cabMax);
      if (std::find(sizes.begin(), sizes.end(), count) == sizes.end()) sizes.push_back(count);
    }
    for (long count : sizes) {
      const TreeKind kind = format == "zipext"                         ? TreeKind::kDistinct
                            : format == "zipvar" || format == "tarvar" ? TreeKind::kVaried
                                                                       : TreeKind::kPlain;
      const std::string tree = options.work + "/tree-" + std::to_string(count) +
                               (kind == TreeKind::kDistinct ? "-ext"
                                : kind == TreeKind::kVaried ? "-var"
                                                            : "");
      const std::string archive = options.work + "/bench-" + std::to_string(count) + "." +
                                  (format == "zipext"   ? "ext.zip"
                                   : format == "zipvar" ? "var.zip"
                                   : format == "tarvar" ? "var.tar"
                                                        : format);
      MakeTree(tree, count, kind);
      if (!MakeArchive(format, tree, archive)) {
        std::printf("%-7s %8ld  cannot make %s\n", format.c_str(), count, archive.c_str());
        continue;
      }
      const std::vector<std::string> scan = WithArchive(scanCommand, archive);
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
        const double perMember = (static_cast<double>(ours.maxRssKb) - theirs.maxRssKb) * 1024.0 / count;
        std::printf("%-7s %8ld  %-16s %9.3f %9.3f %6.2f %9.3f %9.3f %6.2f %5ld/%-5ld %12.1f\n", format.c_str(), count,
                    Joined(lister).c_str(), theirs.seconds, ours.seconds, ours.seconds / theirs.seconds,
                    theirs.cpuSeconds, ours.cpuSeconds, ours.cpuSeconds / theirs.cpuSeconds, ours.maxRssKb / 1024,
                    theirs.maxRssKb / 1024, perMember);
        if (lister[0] == "cat") {
          verdict.floorSeconds = theirs.seconds;
          continue;
        }
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
        if (lister[0] == (IsZip(format) ? "unzip" : "bsdtar")) verdict.memoryPerMember = perMember;
      }
      if (format == "zipvar" || format == "tarvar") {
        // The time zone from TZ, and from the zone file under an environment of 300 more variables.
        const Run utc = Measure(scan, options.runs, {"TZ=UTC"});
        const Run crowded = Measure(scan, options.runs, CrowdedEnvironment());
        verdict.utcCpu = utc.cpuSeconds;
        verdict.crowdedCpu = crowded.cpuSeconds;
        for (const auto& variant : {std::make_pair("scan, TZ=UTC", utc), std::make_pair("scan, 300 vars", crowded)})
          std::printf("%-7s %8ld  %-16s %9.3f %9.3f %6.2f %9.3f %9.3f %6.2f\n", format.c_str(), count, variant.first,
                      variant.second.seconds, ours.seconds, ours.seconds / variant.second.seconds,
                      variant.second.cpuSeconds, ours.cpuSeconds, ours.cpuSeconds / variant.second.cpuSeconds);
      }
      verdicts.push_back(verdict);
      std::fflush(stdout);
    }
  }
  // Targets: no slower than the fastest lister in elapsed time and in CPU
  // time; at 1,000,000 members at most 150 bytes per member of peak RSS
  // above the lister's; varied time stamps within 1.2 of shared ones.
  // The time stamp columns compare CPU times, the steadier figure.
  std::map<std::string, double> sharedStampCpu;  // "zip 100000" -> scan CPU seconds
  for (const Verdict& v : verdicts) sharedStampCpu[v.format + " " + std::to_string(v.members)] = v.scanCpu;
  std::printf("\n%-7s %8s  %-16s %7s %-16s %7s %6s %6s %6s %6s %12s  %s\n", "format", "members", "fastest (time)",
              "ratio", "fastest (cpu)", "ratio", "/cat", "/same", "/UTC", "/300v", "RSS diff B/m", "targets");
  double zipPerMember = 0, zipextPerMember = 0;
  for (const Verdict& v : verdicts) {
    const double timeRatio = v.scanSeconds / v.fastest;
    const double cpuRatio = v.scanCpu / v.fastestCpu;
    const bool smallMemory = v.members < 1000000 || v.memoryPerMember <= 150;
    const auto shared = sharedStampCpu.find(v.format.substr(0, 3) + " " + std::to_string(v.members));
    const bool varied = v.format == "zipvar" || v.format == "tarvar";
    const double sameRatio = varied && shared != sharedStampCpu.end() ? v.scanCpu / shared->second : 0;
    auto column = [](double value) {
      char text[16];
      if (value > 0)
        std::snprintf(text, sizeof text, "%6.2f", value);
      else
        std::snprintf(text, sizeof text, "%6s", "-");
      return std::string(text);
    };
    std::string targets = timeRatio <= 1 ? "time ok" : "time MISSED";
    targets += cpuRatio <= 1 ? ", cpu ok" : ", cpu MISSED";
    if (v.members >= 1000000) targets += smallMemory ? ", memory ok" : ", memory MISSED";
    if (sameRatio > 0) targets += sameRatio <= 1.2 ? ", stamps ok" : ", stamps MISSED";
    std::printf("%-7s %8ld  %-16s %7.2f %-16s %7.2f %s %s %s %s %12.1f  %s\n", v.format.c_str(), v.members,
                v.fastestLister.c_str(), timeRatio, v.fastestCpuLister.c_str(), cpuRatio,
                column(v.floorSeconds > 0 ? v.scanSeconds / v.floorSeconds : 0).c_str(), column(sameRatio).c_str(),
                column(v.utcCpu > 0 ? v.scanCpu / v.utcCpu : 0).c_str(),
                column(v.crowdedCpu > 0 ? v.scanCpu / v.crowdedCpu : 0).c_str(), v.memoryPerMember, targets.c_str());
    if (v.format == "zip" && v.members == 100000) zipPerMember = v.scanCpu / v.members;
    if (v.format == "zipext" && v.members == 100000) zipextPerMember = v.scanCpu / v.members;
  }
  if (zipPerMember > 0 && zipextPerMember > 0)
    std::printf("all-distinct extensions: %.2f of the plain ZIP's CPU time per member (100,000 members)\n",
                zipextPerMember / zipPerMember);
  if (small.archives > 0) {
    const double rate = small.archives / small.oneCall;
    const double floorRate = small.archives / small.floor;
    std::printf("small archives, one call: %.0f archives/s, zip_names %.0f/s, %.2f of its rate  %s\n", rate, floorRate,
                rate / floorRate, rate >= 20000 || rate * 4 >= floorRate ? "ok" : "MISSED (20,000/s or within 4x)");
    std::printf("small archives, one process each: %.0f/s, unzip -Z1 %.0f/s, ratio %.2f  %s\n",
                small.archives / small.eachScan, small.archives / small.eachUnzip, small.eachScan / small.eachUnzip,
                small.eachScan <= small.eachUnzip ? "ok" : "MISSED");
  }
  std::printf(
      "\nscan command: %s\nratio = scan / lister, elapsed and CPU (user + system) time, each the median of %d runs "
      "after a warm-up;\n"
      "/cat = scan / cat of the archive (elapsed); /same = scan of the varied time stamps / scan of the\n"
      "shared ones; /UTC = scan / scan with TZ=UTC; /300v = scan / scan with 300 more environment\n"
      "variables (these three in CPU time);\n"
      "RSS in MiB (scan/lister); RSS diff = (scan peak RSS - lister peak RSS) / members.\n",
      options.scan.empty() ? (Joined(LibraryCommand("zip")) + " ... (per format)").c_str() : options.scan.c_str(),
      options.runs);
  return 0;
}
