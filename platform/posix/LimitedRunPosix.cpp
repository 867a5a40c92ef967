// Workers are forks of this process, joined to it by a socket pair. The
// memory limit is RLIMIT_DATA above what the worker had when it started: it
// counts the heap and private mappings that the check grows, not the code of
// the libraries it loads, so that a small limit still lets them load. A
// request run in this process itself has the same memory limit, an alarm
// for its time and handlers for a crash, all put back when it is answered.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include "platform/LimitedRun.h"
#include "platform/WorkerProcess.h"

namespace platform {
namespace {

// The process's data and stack now, in bytes (0 when unknown).
std::uint64_t DataSize() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long size = 0, resident = 0, shared = 0, text = 0, lib = 0, data = 0;
  const int n = std::fscanf(f, "%lu %lu %lu %lu %lu %lu", &size, &resident, &shared, &text, &lib, &data);
  std::fclose(f);
  return n == 6 ? static_cast<std::uint64_t>(data) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) : 0;
}

long ReadSome(int fd, char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

// Writes to a file or pipe; async-signal-safe, for last words too.
bool WriteOut(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes to a worker's socket: one that is gone fails the write instead of
// raising SIGPIPE in this process.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Lets the data of this process grow by at most bytes from now on.
void LimitDataGrowth(std::uint64_t bytes) {
  struct rlimit limit;
  ::getrlimit(RLIMIT_DATA, &limit);
  limit.rlim_cur = static_cast<rlim_t>(DataSize() + bytes);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_DATA, &limit);
}

// A process that died without an answer ran out of memory when its peak
// came to the limit on the way (an allocation failed where nothing
// expected it); any other such end is a failure.
bool DiedOfMemory(const struct rusage& usage, std::uint64_t memoryLimit) {
  return memoryLimit > 0 && static_cast<std::uint64_t>(usage.ru_maxrss) * 1024 >= memoryLimit;
}

[[noreturn]] void RunWorker(int fd, pid_t parent, const RunLimits& limits, const RequestHandler& handler) {
#if defined(__linux__)
  // A worker never outlives the process that waits for its answers.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(3);
#else
  (void)parent;
#endif
  if (limits.memoryBytes > 0) LimitDataGrowth(limits.memoryBytes);
  const int status =
      ServeStream([fd](char* data, std::size_t size) { return ReadSome(fd, data, size); },
                  [fd](const char* data, std::size_t size) { return WriteAll(fd, data, size); }, handler);
  ::_exit(status);
}

}  // namespace

struct WorkerProcess::State {
  pid_t pid = -1;
  int fd = -1;
  std::uint64_t memoryLimit = 0;  // bytes above the worker's start
  bool ended = false;
  RunOutcome outcome = RunOutcome::Failed;
};

WorkerProcess::WorkerProcess(std::unique_ptr<State> state) : state_(std::move(state)) {}

WorkerProcess::~WorkerProcess() { End(true); }

std::unique_ptr<WorkerProcess> WorkerProcess::Start(const RunLimits& limits, const RequestHandler& handler,
                                                    const std::string&) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return nullptr;
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return nullptr;
  }
  if (pid == 0) {
    ::close(fds[0]);
    RunWorker(fds[1], parent, limits, handler);
  }
  ::close(fds[1]);
  std::unique_ptr<State> state(new State);
  state->pid = pid;
  state->fd = fds[0];
  state->memoryLimit = limits.memoryBytes;
  return std::unique_ptr<WorkerProcess>(new WorkerProcess(std::move(state)));
}

bool WorkerProcess::Send(const std::string& bytes) {
  return !state_->ended && WriteAll(state_->fd, bytes.data(), bytes.size());
}

WorkerProcess::Received WorkerProcess::Receive(std::string& into, int milliseconds) {
  if (state_->ended) return Received::Closed;
  struct pollfd p = {state_->fd, POLLIN, 0};
  const int ready = ::poll(&p, 1, milliseconds);
  if (ready < 0 && errno == EINTR) return Received::Data;  // nothing new; the caller looks again
  if (ready < 0) return Received::Closed;
  if (ready == 0) return Received::Timeout;
  char buffer[65536];
  const long n = ReadSome(state_->fd, buffer, sizeof buffer);
  if (n <= 0) return Received::Closed;
  into.append(buffer, static_cast<std::size_t>(n));
  return Received::Data;
}

RunOutcome WorkerProcess::End(bool kill) {
  State& s = *state_;
  if (s.ended) return s.outcome;
  s.ended = true;
  if (kill) ::kill(s.pid, SIGKILL);
  ::close(s.fd);
  int status = 0;
  struct rusage usage = {};
  while (::wait4(s.pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  s.outcome =
      !kill && WIFSIGNALED(status) && DiedOfMemory(usage, s.memoryLimit) ? RunOutcome::MemoryLimit : RunOutcome::Failed;
  return s.outcome;
}

// ---- one request in this process ----------------------------------------

namespace {

// Read by the signal handlers while RunLimitedHere runs.
const LastWordsOf* g_lastWords = nullptr;
std::uint64_t g_memoryLimit = 0;

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGTRAP};

// Only async-signal-safe calls from here to the exit.
[[noreturn]] void Say(const LastWords& words) {
  WriteOut(1, words.out.data(), words.out.size());
  WriteOut(2, words.err.data(), words.err.size());
  ::_exit(words.exitStatus);
}

extern "C" void OnTimeLimit(int) { Say(g_lastWords->timeLimit); }

extern "C" void OnCrash(int) {
  struct rusage usage = {};
  ::getrusage(RUSAGE_SELF, &usage);
  Say(DiedOfMemory(usage, g_memoryLimit) ? g_lastWords->memoryLimit : g_lastWords->failed);
}

// The limits set for one run and everything they replaced, put back when
// the run is over.
class LimitsInThisProcess {
 public:
  LimitsInThisProcess(const RunLimits& limits, const LastWordsOf& words) {
    g_lastWords = &words;
    g_memoryLimit = limits.memoryBytes;
    // A crash may be a stack that overflowed: its handler runs on a stack
    // of its own.
    stack_.reset(new char[kStackSize]);
    stack_t stack = {};
    stack.ss_sp = stack_.get();
    stack.ss_size = kStackSize;
    ::sigaltstack(&stack, &oldStack_);
    struct sigaction crash = {};
    crash.sa_handler = OnCrash;
    crash.sa_flags = SA_ONSTACK;
    sigfillset(&crash.sa_mask);
    for (std::size_t i = 0; i < kCrashCount; ++i) ::sigaction(kCrashSignals[i], &crash, &oldCrash_[i]);
    if (limits.seconds > 0) {
      struct sigaction alarm = crash;
      alarm.sa_handler = OnTimeLimit;
      ::sigaction(SIGALRM, &alarm, &oldAlarm_);
      ::alarm(limits.seconds);
      timed_ = true;
    }
    ::getrlimit(RLIMIT_DATA, &oldData_);
    if (limits.memoryBytes > 0) LimitDataGrowth(limits.memoryBytes);
  }
  ~LimitsInThisProcess() {
    ::setrlimit(RLIMIT_DATA, &oldData_);
    if (timed_) {
      ::alarm(0);
      ::sigaction(SIGALRM, &oldAlarm_, nullptr);
    }
    for (std::size_t i = 0; i < kCrashCount; ++i) ::sigaction(kCrashSignals[i], &oldCrash_[i], nullptr);
    ::sigaltstack(&oldStack_, nullptr);
    g_lastWords = nullptr;
  }
  LimitsInThisProcess(const LimitsInThisProcess&) = delete;
  LimitsInThisProcess& operator=(const LimitsInThisProcess&) = delete;

 private:
  static constexpr std::size_t kCrashCount = sizeof kCrashSignals / sizeof kCrashSignals[0];
  static constexpr std::size_t kStackSize = 64 * 1024;
  std::unique_ptr<char[]> stack_;
  stack_t oldStack_ = {};
  struct sigaction oldCrash_[kCrashCount] = {};
  struct sigaction oldAlarm_ = {};
  bool timed_ = false;
  struct rlimit oldData_ = {};
};

}  // namespace

bool CanLimitThisProcess() { return true; }

RunOutcome RunLimitedHere(const RunLimits& limits, const RequestHandler& handler, const std::string& request,
                          std::string& answer, const LastWordsOf& words) {
  std::fflush(nullptr);  // last words come after what was already written
  LimitsInThisProcess limited(limits, words);
  try {
    return AnswerRequest(handler, request, answer);
  } catch (...) {
    answer.clear();
    return RunOutcome::Failed;
  }
}

int ServeRequests(const RequestHandler& handler) {
  return ServeStream([](char* data, std::size_t size) { return ReadSome(0, data, size); },
                     [](const char* data, std::size_t size) { return WriteOut(1, data, size); }, handler);
}

}  // namespace platform
