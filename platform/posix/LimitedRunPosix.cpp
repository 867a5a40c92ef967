#include "platform/LimitedRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// Set in the child when operator new found no memory.
volatile bool g_newFailed = false;

void NoMemory() {
  g_newFailed = true;
  std::set_new_handler(nullptr);
  throw std::bad_alloc();
}

// The process's address space now, in bytes (0 when unknown).
std::uint64_t AddressSpace() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long pages = 0;
  const int n = std::fscanf(f, "%lu", &pages);
  std::fclose(f);
  return n == 1 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) : 0;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The child: the answer is one byte ('F' finished, 'M' out of memory), then
// the work's output.
[[noreturn]] void RunChild(int fd, const RunLimits& limits, const std::function<std::string()>& work) {
  if (limits.memoryBytes > 0) {
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(AddressSpace() + limits.memoryBytes);
    ::setrlimit(RLIMIT_AS, &limit);
  }
  if (limits.seconds > 0) {
    // A backstop: the parent kills the child on time anyway.
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(limits.seconds) + 1;
    ::setrlimit(RLIMIT_CPU, &limit);
  }
  std::set_new_handler(NoMemory);
  std::string output;
  char status = 'F';
  try {
    output = work();
  } catch (const std::bad_alloc&) {
    status = 'M';
  } catch (...) {
    ::_exit(3);
  }
  if (g_newFailed) status = 'M';
  const bool written = WriteAll(fd, &status, 1) && WriteAll(fd, output.data(), output.size());
  ::_exit(written ? 0 : 3);
}

}  // namespace

bool LimitedRunAvailable() { return true; }

RunOutcome RunLimited(const RunLimits& limits, const std::function<std::string()>& work, std::string& output) {
  output.clear();
  int fds[2];
  if (::pipe(fds) != 0) return RunOutcome::Failed;
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return RunOutcome::Failed;
  }
  if (child == 0) {
    ::close(fds[0]);
    RunChild(fds[1], limits, work);
  }
  ::close(fds[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
  std::string received;
  bool timedOut = false;
  char buffer[65536];
  for (;;) {
    int wait = -1;
    if (limits.seconds > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        timedOut = true;
        break;
      }
      wait = static_cast<int>(left.count() > 1000000 ? 1000000 : left.count());
    }
    struct pollfd p = {fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    if (ready == 0) continue;  // the deadline is checked above
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the child closed its end: done
    received.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  if (timedOut) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut) return RunOutcome::TimeLimit;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU) return RunOutcome::TimeLimit;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.empty()) {
    // A child that died of its memory limit (a failed allocation that
    // nothing caught, a stack that could not grow) gives no answer.
    return limits.memoryBytes > 0 && WIFSIGNALED(status) ? RunOutcome::MemoryLimit : RunOutcome::Failed;
  }
  if (received[0] == 'M') return RunOutcome::MemoryLimit;
  output.assign(received, 1, std::string::npos);
  return RunOutcome::Finished;
}

}  // namespace platform
