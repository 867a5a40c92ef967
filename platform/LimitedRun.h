// Work run under a time and memory budget, so that one hostile input cannot
// stall or exhaust the process that checks many. A worker process answers
// requests one after another: POSIX forks this process; Win32 starts this
// executable again with a hidden option, in a job object. The time limit is
// per request, the memory limit for the worker. A worker that breaks a limit
// or dies is ended, and the requests after it go to a new worker.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Length-prefixed text, "<length>:<bytes>": how requests and answers go to
// and from a worker, and how a request may hold several texts of its own.
void PutFrame(std::string& out, const std::string& bytes);
enum class FrameRead { Complete, Incomplete, Bad };
// Reads the frame at in[at]; when Complete, bytes holds it and at is moved
// past it. Incomplete: the input so far is a frame's beginning.
FrameRead GetFrame(const std::string& in, std::size_t& at, std::string& bytes);

struct RunLimits {
  unsigned seconds = 0;           // wall-clock time per request; 0 = none
  std::uint64_t memoryBytes = 0;  // the worker's memory (heap and private data) above its start; 0 = none
};

enum class RunOutcome {
  Finished,     // the answer is what the handler returned
  TimeLimit,    // stopped when its time was up
  MemoryLimit,  // ran out of its memory
  Failed,       // no worker could be started, or it ended without an answer
};

// The worker's side: the answer to one request.
using RequestHandler = std::function<std::string(const std::string& request)>;

class WorkerProcess;

// Requests answered in order by limited workers. Requests are sent ahead
// (a few kilobytes of them) so that the worker never waits for the next.
class LimitedWorkers {
 public:
  // setup is the first request every new worker gets; its answer is dropped.
  // POSIX: the workers are forks of this process that answer with handler.
  // Win32: the workers run this executable with workerOption as their only
  // argument; its main answers them with ServeRequests.
  LimitedWorkers(const RunLimits& limits, std::string setup, RequestHandler handler, std::string workerOption);
  ~LimitedWorkers();
  LimitedWorkers(const LimitedWorkers&) = delete;
  LimitedWorkers& operator=(const LimitedWorkers&) = delete;

  void Submit(std::string request);
  // Requests submitted and not yet taken.
  std::size_t Pending() const { return queue_.size(); }
  // Waits for the answer to the oldest pending request (Pending() > 0).
  RunOutcome Take(std::string& answer);

 private:
  struct Request {
    std::string bytes;
    bool sent = false;
  };
  RunOutcome TakeFromWorker(std::string& answer);
  bool StartWorker();
  void SendAhead();
  void EndWorker();

  RunLimits limits_;
  std::string setup_;
  RequestHandler handler_;
  std::string workerOption_;
  std::deque<Request> queue_;
  std::unique_ptr<WorkerProcess> worker_;
  std::string received_;
  std::size_t answered_ = 0;  // requests the current worker answered
};

// The request of a process that has nothing else to run, answered in this
// process under the same limits: no worker to start for it. A run out of
// memory is reported as with a worker. A limit the handler cannot come back
// from (its time, or a crash) ends this process: it writes the last words of
// that outcome and exits with their status, so that it fails as loudly as a
// worker would.
struct LastWords {
  std::string out;  // to standard output
  std::string err;  // to standard error
  int exitStatus = 0;
};
struct LastWordsOf {
  LastWords timeLimit;
  LastWords memoryLimit;  // a crash that came close to the memory limit
  LastWords failed;
};

// Whether RunLimitedHere can hold the limits in this process (POSIX);
// where it cannot (Win32), requests go to LimitedWorkers.
bool CanLimitThisProcess();
RunOutcome RunLimitedHere(const RunLimits& limits, const RequestHandler& handler, const std::string& request,
                          std::string& answer, const LastWordsOf& words);

// The worker's side of a Win32 worker (and of a POSIX one, on the forked
// descriptors): reads requests from standard input and writes each answer to
// standard output until the input ends. Returns the process's exit status.
int ServeRequests(const RequestHandler& handler);

}  // namespace platform
