// The protocol between LimitedWorkers and its workers, one byte stream each
// way. A request is "<length>:<bytes>"; an answer is one status byte ('F'
// finished, 'M' out of memory) and then "<length>:<bytes>". The first
// request to a worker is the setup and gets no answer. A worker answers in
// order; one that ran out of memory answers 'M' and ends.
#include "platform/LimitedRun.h"

#include <chrono>
#include <exception>
#include <new>
#include <utility>

#include "platform/WorkerProcess.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Requests sent and not yet answered stay below this many bytes, well
// under a pipe's buffer: sending never waits for a worker that is busy
// writing a long answer.
constexpr std::size_t kBytesAhead = 16 * 1024;

std::string Frame(const std::string& bytes) {
  std::string out;
  PutFrame(out, bytes);
  return out;
}

// Takes one frame from buffer at from, and everything before it; false
// while it is incomplete. Malformed input is reported through bad.
bool TakeFrame(std::string& buffer, std::size_t from, std::string& bytes, bool& bad) {
  std::size_t at = from;
  const FrameRead read = GetFrame(buffer, at, bytes);
  if (read == FrameRead::Bad) bad = true;
  if (read != FrameRead::Complete) return false;
  buffer.erase(0, at);
  return true;
}

// Set in a worker when operator new found no memory during a request.
bool g_newFailed = false;

void NoMemory() {
  g_newFailed = true;
  std::set_new_handler(nullptr);
  throw std::bad_alloc();
}

}  // namespace

void PutFrame(std::string& out, const std::string& bytes) {
  out += std::to_string(bytes.size());
  out += ':';
  out += bytes;
}

FrameRead GetFrame(const std::string& in, std::size_t& at, std::string& bytes) {
  std::size_t length = 0;
  std::size_t colon = at;
  for (; colon < in.size() && in[colon] != ':'; ++colon) {
    if (in[colon] < '0' || in[colon] > '9' || colon - at >= 18) return FrameRead::Bad;
    length = length * 10 + static_cast<std::size_t>(in[colon] - '0');
  }
  if (colon >= in.size()) return FrameRead::Incomplete;
  if (colon == at) return FrameRead::Bad;
  if (in.size() - colon - 1 < length) return FrameRead::Incomplete;
  bytes.assign(in, colon + 1, length);
  at = colon + 1 + length;
  return FrameRead::Complete;
}

RunOutcome AnswerRequest(const RequestHandler& handler, const std::string& request, std::string& answer) {
  const std::uint64_t failedBefore = FailedAllocations();
  g_newFailed = false;
  std::set_new_handler(NoMemory);
  RunOutcome outcome = RunOutcome::Finished;
  try {
    answer = handler(request);
  } catch (const std::bad_alloc&) {
    outcome = RunOutcome::MemoryLimit;
  } catch (...) {
    std::set_new_handler(nullptr);
    throw;
  }
  if (g_newFailed || FailedAllocations() != failedBefore) outcome = RunOutcome::MemoryLimit;
  std::set_new_handler(nullptr);
  if (outcome != RunOutcome::Finished) answer.clear();
  return outcome;
}

int ServeStream(const std::function<long(char*, std::size_t)>& read,
                const std::function<bool(const char*, std::size_t)>& write, const RequestHandler& handler) {
  std::string buffer;
  bool setup = true;
  char chunk[16384];
  for (;;) {
    const long got = read(chunk, sizeof chunk);
    // Input that ends before the setup came from no parent: nothing was
    // checked, which must never read as a clean result.
    if (got <= 0) return got == 0 && !setup ? 0 : 3;
    buffer.append(chunk, static_cast<std::size_t>(got));
    std::string request;
    bool bad = false;
    while (TakeFrame(buffer, 0, request, bad)) {
      std::string answer;
      RunOutcome outcome;
      try {
        outcome = AnswerRequest(handler, request, answer);
      } catch (...) {
        return 3;
      }
      if (setup && outcome == RunOutcome::Finished) {
        setup = false;
        continue;
      }
      const char status = outcome == RunOutcome::Finished ? 'F' : 'M';
      std::string out(1, status);
      out += Frame(answer);
      if (!write(out.data(), out.size())) return 3;
      if (status == 'M') return 0;
    }
    if (bad) return 3;
  }
}

LimitedWorkers::LimitedWorkers(const RunLimits& limits, std::string setup, RequestHandler handler,
                               std::string workerOption)
    : limits_(limits), setup_(std::move(setup)), handler_(std::move(handler)), workerOption_(std::move(workerOption)) {}

LimitedWorkers::~LimitedWorkers() { EndWorker(); }

void LimitedWorkers::Submit(std::string request) { queue_.push_back(Request{std::move(request), false}); }

bool LimitedWorkers::StartWorker() {
  worker_ = WorkerProcess::Start(limits_, handler_, workerOption_);
  return worker_ && worker_->Send(Frame(setup_));
}

void LimitedWorkers::SendAhead() {
  std::size_t ahead = 0;
  for (Request& request : queue_) {
    if (request.sent) {
      ahead += request.bytes.size();
      continue;
    }
    // The request at the front is sent whatever its size.
    if (ahead > 0 && ahead + request.bytes.size() > kBytesAhead) return;
    if (!worker_->Send(Frame(request.bytes))) return;  // its end shows in Take
    request.sent = true;
    ahead += request.bytes.size();
  }
}

void LimitedWorkers::EndWorker() {
  if (worker_) worker_->End(true);
  worker_.reset();
  received_.clear();
  answered_ = 0;
  for (Request& request : queue_) request.sent = false;
}

RunOutcome LimitedWorkers::Take(std::string& answer) {
  answer.clear();
  if (queue_.empty()) return RunOutcome::Failed;
  // The memory limit is the worker's: what earlier requests left behind
  // counts too. A request that runs out of memory in a worker that answered
  // others gets one more try in a new worker, so that it alone is judged.
  const bool usedWorker = worker_ && answered_ > 0;
  RunOutcome outcome = TakeFromWorker(answer);
  if (outcome == RunOutcome::MemoryLimit && usedWorker) outcome = TakeFromWorker(answer);
  if (outcome != RunOutcome::Finished) queue_.pop_front();
  return outcome;
}

// Waits for the answer to the front request from the current worker (or a
// new one). A finished request leaves the queue; on any other outcome the
// worker is ended and the request stays at the front.
RunOutcome LimitedWorkers::TakeFromWorker(std::string& answer) {
  answer.clear();
  RunOutcome outcome = RunOutcome::Failed;
  if (worker_ || StartWorker()) {
    // The request at the front has the worker from now on: the one before
    // it was answered when the last Take returned.
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limits_.seconds);
    SendAhead();
    for (;;) {
      const char status = received_.empty() ? '\0' : received_[0];
      bool bad = status != '\0' && status != 'F' && status != 'M';
      if (!bad && status != '\0' && TakeFrame(received_, 1, answer, bad)) {
        if (status == 'F') {
          queue_.pop_front();
          ++answered_;
          return RunOutcome::Finished;
        }
        answer.clear();
        outcome = RunOutcome::MemoryLimit;
        break;
      }
      if (bad) break;  // not our worker's answer: fail closed
      int wait = -1;
      if (limits_.seconds > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
          outcome = RunOutcome::TimeLimit;
          break;
        }
        wait = static_cast<int>(left > 1000000 ? 1000000 : left);
      }
      const WorkerProcess::Received got = worker_->Receive(received_, wait);
      if (got == WorkerProcess::Received::Closed) {
        outcome = worker_->End(false);
        break;
      }
    }
  }
  EndWorker();
  return outcome;
}

}  // namespace platform
