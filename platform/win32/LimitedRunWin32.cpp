// Workers are this executable started again with the worker option, in a
// job object that holds the memory limit (JOB_OBJECT_LIMIT_PROCESS_MEMORY:
// the worker's committed memory) and ends the worker with the job. Requests
// go through an anonymous pipe to its standard input; answers come back
// through a named pipe read with overlapped I/O, so that a wait for them
// can end at the time limit.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "platform/Files.h"
#include "platform/LimitedRun.h"
#include "platform/WorkerProcess.h"

namespace platform {
namespace {

// The exit status a worker gets when it is ended from here.
constexpr UINT kEndedExitCode = 0xDEAD;

std::uint64_t CommittedMemory() {
  PROCESS_MEMORY_COUNTERS counters;
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PagefileUsage : 0;
}

// A named pipe of our own for the answers: this process reads it
// overlapped, the worker writes it as its standard output.
bool CreateAnswerPipe(HANDLE& server, HANDLE& client) {
  static LONG counter = 0;
  char name[96];
  std::snprintf(name, sizeof name, "\\\\.\\pipe\\mokurena-worker-%lu-%ld", GetCurrentProcessId(),
                InterlockedIncrement(&counter));
  server = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
  if (server == INVALID_HANDLE_VALUE) return false;
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  client = CreateFileA(name, GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (client == INVALID_HANDLE_VALUE) {
    CloseHandle(server);
    return false;
  }
  return true;
}

bool WriteAllTo(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

void CloseIfOpen(HANDLE& handle) {
  if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

struct WorkerProcess::State {
  HANDLE job = nullptr;
  HANDLE process = nullptr;
  HANDLE requests = nullptr;  // our end of the worker's standard input
  HANDLE answers = nullptr;   // our end of the named pipe
  HANDLE event = nullptr;     // for the overlapped reads
  std::uint64_t memoryLimit = 0;
  bool ended = false;
  RunOutcome outcome = RunOutcome::Failed;

  ~State() {
    CloseIfOpen(requests);
    CloseIfOpen(answers);
    CloseIfOpen(event);
    CloseIfOpen(process);
    CloseIfOpen(job);  // kills what is left of the worker
  }
};

WorkerProcess::WorkerProcess(std::unique_ptr<State> state) : state_(std::move(state)) {}

WorkerProcess::~WorkerProcess() { End(true); }

std::unique_ptr<WorkerProcess> WorkerProcess::Start(const RunLimits& limits, const RequestHandler&,
                                                    const std::string& workerOption) {
  std::unique_ptr<State> s(new State);
  s->job = CreateJobObjectA(nullptr, nullptr);
  s->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!s->job || !s->event) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  info.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (limits.memoryBytes > 0) {
    // The worker starts as this process did: what this one has committed
    // stands for its start.
    s->memoryLimit = CommittedMemory() + limits.memoryBytes;
    if (sizeof(SIZE_T) < 8 && s->memoryLimit > 0xFFFFFFFFull) s->memoryLimit = 0xFFFFFFFFull;
    info.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    info.ProcessMemoryLimit = static_cast<SIZE_T>(s->memoryLimit);
  }
  if (!SetInformationJobObject(s->job, JobObjectExtendedLimitInformation, &info, sizeof info)) return nullptr;

  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE childInput = nullptr, childOutput = nullptr, childError = nullptr;
  if (!CreatePipe(&childInput, &s->requests, &inherited, 65536)) return nullptr;
  SetHandleInformation(s->requests, HANDLE_FLAG_INHERIT, 0);
  if (!CreateAnswerPipe(s->answers, childOutput)) {
    CloseHandle(childInput);
    return nullptr;
  }
  // The worker's messages, if any, go where ours go.
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error && error != INVALID_HANDLE_VALUE)
    DuplicateHandle(GetCurrentProcess(), error, GetCurrentProcess(), &childError, 0, TRUE, DUPLICATE_SAME_ACCESS);

  const std::string program = ExecutablePath();
  std::string commandLine = "\"" + program + "\" " + workerOption;
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError = childError;
  PROCESS_INFORMATION started;
  const BOOL created = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                      nullptr, nullptr, &startup, &started);
  CloseHandle(childInput);
  CloseHandle(childOutput);
  CloseIfOpen(childError);
  if (!created) return nullptr;
  s->process = started.hProcess;
  // Nothing of the worker runs before it is in the job.
  if (!AssignProcessToJobObject(s->job, started.hProcess)) {
    TerminateProcess(started.hProcess, kEndedExitCode);
    CloseHandle(started.hThread);
    return nullptr;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  return std::unique_ptr<WorkerProcess>(new WorkerProcess(std::move(s)));
}

bool WorkerProcess::Send(const std::string& bytes) {
  return !state_->ended && WriteAllTo(state_->requests, bytes.data(), bytes.size());
}

WorkerProcess::Received WorkerProcess::Receive(std::string& into, int milliseconds) {
  State& s = *state_;
  if (s.ended) return Received::Closed;
  char buffer[65536];
  OVERLAPPED overlapped;
  ZeroMemory(&overlapped, sizeof overlapped);
  overlapped.hEvent = s.event;
  ResetEvent(s.event);
  DWORD got = 0;
  if (!ReadFile(s.answers, buffer, sizeof buffer, &got, &overlapped)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return Received::Closed;
    const DWORD waited = WaitForSingleObject(s.event, milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds));
    if (waited == WAIT_TIMEOUT) CancelIo(s.answers);
    // After a cancel the read has either ended with what it got or was
    // cancelled; wait for it either way, the buffer is ours.
    if (!GetOverlappedResult(s.answers, &overlapped, &got, TRUE)) {
      return GetLastError() == ERROR_OPERATION_ABORTED ? Received::Timeout : Received::Closed;
    }
  }
  if (got == 0) return Received::Data;  // a message of no bytes: nothing new
  into.append(buffer, got);
  return Received::Data;
}

RunOutcome WorkerProcess::End(bool kill) {
  State& s = *state_;
  if (s.ended) return s.outcome;
  s.ended = true;
  if (kill) TerminateJobObject(s.job, kEndedExitCode);
  CloseIfOpen(s.requests);
  WaitForSingleObject(s.process, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(s.process, &exitCode);
  s.outcome = RunOutcome::Failed;
  if (!kill && s.memoryLimit > 0) {
    // A worker that died of its memory limit (an allocation that failed
    // where nothing expected it) gives no answer; the job saw it come close.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info;
    ZeroMemory(&info, sizeof info);
    if (QueryInformationJobObject(s.job, JobObjectExtendedLimitInformation, &info, sizeof info, nullptr) &&
        static_cast<std::uint64_t>(info.PeakProcessMemoryUsed) + (1u << 20) >= s.memoryLimit)
      s.outcome = RunOutcome::MemoryLimit;
  }
  return s.outcome;
}

int ServeRequests(const RequestHandler& handler) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  return ServeStream(
      [input](char* data, std::size_t size) -> long {
        DWORD got = 0;
        if (!ReadFile(input, data, static_cast<DWORD>(size), &got, nullptr))
          return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
        return static_cast<long>(got);
      },
      [output](const char* data, std::size_t size) { return WriteAllTo(output, data, size); }, handler);
}

// Each module's runtime allocates on its own: only operator new's handler tells.
std::uint64_t FailedAllocations() { return 0; }

// A job object, once a process is in it, holds it for good: a process
// cannot take limits for one request and give them back. Requests go to
// workers here.
bool CanLimitThisProcess() { return false; }

RunOutcome RunLimitedHere(const RunLimits&, const RequestHandler&, const std::string&, std::string& answer,
                          const LastWordsOf&) {
  answer.clear();
  return RunOutcome::Failed;
}

}  // namespace platform
