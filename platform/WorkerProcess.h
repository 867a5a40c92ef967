// The platform's half of LimitedWorkers (LimitedRun.h): one worker process
// and the byte stream between it and this process. LimitedRun.cpp holds the
// protocol, which is the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/LimitedRun.h"

namespace platform {

class WorkerProcess {
 public:
  // Starts a worker under limits; nullptr when none could be started.
  static std::unique_ptr<WorkerProcess> Start(const RunLimits& limits, const RequestHandler& handler,
                                              const std::string& workerOption);
  ~WorkerProcess();  // ends it if it still runs
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  // Writes bytes to the worker; false when it is gone. The caller keeps
  // what is unanswered well below a pipe's buffer, so this never waits on
  // the worker.
  bool Send(const std::string& bytes);

  enum class Received { Data, Timeout, Closed };
  // Appends what the worker wrote, waiting at most milliseconds (-1: no limit).
  Received Receive(std::string& into, int milliseconds);

  // Ends the worker (killed when kill is set, else waited for: it closed
  // its end) and says what became of the request it was on.
  RunOutcome End(bool kill);

  struct State;

 private:
  explicit WorkerProcess(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// How many allocations of this process have failed so far, in any module;
// always 0 where they are not watched (Win32, sanitizer builds), where only
// operator new's handler tells.
std::uint64_t FailedAllocations();

// Answers one request: Finished, or MemoryLimit when an allocation failed
// on the way (even one the handler caught itself: its answer is incomplete
// all the same). Any other exception of the handler passes through.
RunOutcome AnswerRequest(const RequestHandler& handler, const std::string& request, std::string& answer);

// The worker's loop over a byte stream: read gives up to size bytes (0 at
// the end, negative on error), write writes all or fails. Returns the exit
// status of the worker.
int ServeStream(const std::function<long(char*, std::size_t)>& read,
                const std::function<bool(const char*, std::size_t)>& write, const RequestHandler& handler);

}  // namespace platform
