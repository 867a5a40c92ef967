// Limited workers (POSIX: forks of the test): answers come back in order;
// a request that breaks the time or memory limit, or kills its worker, gets
// that outcome, and the requests around it are answered as usual by the
// worker before it or a new one. A request run under the limits in the
// process itself ends it loudly where it cannot come back.
#include "platform/LimitedRun.h"

#include "platform/DynamicLibrary.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using platform::RunOutcome;

// The worker's side: "echo:TEXT" answers TEXT, "setup" the setup it was
// given, "pid" its process id; "sleep" never ends, "grow" allocates
// until it fails, "grow-caught" too but swallows the failure, "kill" ends
// its own process ("kill-segv" as a crash would, "abort" by abort(),
// "overflow" by overflowing its stack), "throw" raises something that is not about memory;
// "hold:N" keeps N MiB for the rest of the worker's life, "need:N" takes
// N MiB for the moment and answers its process id; "grow-in-library" has a
// loaded library allocate until it fails, which the library handles itself
// with its own C++ runtime.
std::vector<std::unique_ptr<char[]>> g_held;

std::vector<std::unique_ptr<char[]>> TakeMiB(unsigned long mib) {
  std::vector<std::unique_ptr<char[]>> blocks;
  for (unsigned long i = 0; i < mib; ++i) {
    blocks.emplace_back(new char[1 << 20]);
    blocks.back()[0] = 1;
  }
  return blocks;
}

int Deeper(int depth);

struct TestHandler {
  std::shared_ptr<std::string> setup;
  std::string operator()(const std::string& request) {
    if (!setup) {
      setup = std::make_shared<std::string>(request);
      return std::string();
    }
    if (request.compare(0, 5, "echo:") == 0) return request.substr(5);
    if (request == "setup") return *setup;
    if (request == "pid") return std::to_string(::getpid());
    if (request == "sleep") {
      for (;;) ::pause();
    }
    if (request == "grow" || request == "grow-caught") {
      std::vector<std::unique_ptr<char[]>> blocks;
      try {
        for (;;) {
          blocks.emplace_back(new char[1 << 20]);
          blocks.back()[0] = 1;
        }
      } catch (...) {
        if (request == "grow") throw;
      }
      return "survived";
    }
    if (request.compare(0, 5, "hold:") == 0) {
      for (auto& block : TakeMiB(std::stoul(request.substr(5)))) g_held.push_back(std::move(block));
      return "held";
    }
    if (request.compare(0, 5, "need:") == 0) {
      TakeMiB(std::stoul(request.substr(5)));
      return std::to_string(::getpid());
    }
    if (request == "grow-in-library") {
      using TakeMiBFn = unsigned long (*)(unsigned long);
      platform::LibraryHandle library =
          platform::LoadDynamicLibrary(platform_test::ProgramFolder() + "platform-testlib/PLATTEST.DLL");
      const auto takeMiB = reinterpret_cast<TakeMiBFn>(platform::FindEntry(library, "PlatTestTakeMiB"));
      const unsigned long taken = takeMiB ? takeMiB(1ul << 22) : 0;
      platform::FreeDynamicLibrary(library);
      return "took " + std::to_string(taken) + " MiB";
    }
    if (request == "kill") ::raise(SIGKILL);
    if (request == "kill-segv") ::raise(SIGSEGV);
    if (request == "abort") std::abort();
    if (request == "overflow") return std::to_string(Deeper(0));
    if (request == "throw") throw 42;
    return "?";
  }
};

struct Step {
  std::string request;
  RunOutcome outcome;
  std::string answer;  // for Finished
};

std::vector<Step> RunAll(const platform::RunLimits& limits, const std::vector<Step>& steps,
                         std::vector<std::string>* answers = nullptr) {
  platform::LimitedWorkers workers(limits, "the setup", TestHandler(), "--worker");
  for (const Step& step : steps) workers.Submit(step.request);
  std::vector<Step> got;
  while (workers.Pending() > 0) {
    std::string answer;
    const RunOutcome outcome = workers.Take(answer);
    got.push_back(Step{steps[got.size()].request, outcome, outcome == RunOutcome::Finished ? answer : ""});
    if (answers) answers->push_back(answer);
  }
  return got;
}

bool operator==(const Step& a, const Step& b) {
  return a.request == b.request && a.outcome == b.outcome && a.answer == b.answer;
}

void PrintTo(const Step& s, std::ostream* os) {
  *os << s.request << " -> " << static_cast<int>(s.outcome) << " \"" << s.answer << "\"";
}

TEST(LimitedWorkers, BreaksFailOnlyTheirRequest) {
  platform::RunLimits limits;
  limits.seconds = 1;
  limits.memoryBytes = 64u << 20;
  std::vector<Step> steps = {
      {"echo:a", RunOutcome::Finished, "a"},
      {"setup", RunOutcome::Finished, "the setup"},
      {"sleep", RunOutcome::TimeLimit, ""},
      {"setup", RunOutcome::Finished, "the setup"},  // a new worker has its setup too
      {"kill", RunOutcome::Failed, ""},
      {"echo:b", RunOutcome::Finished, "b"},
      {"throw", RunOutcome::Failed, ""},
      {"echo:c", RunOutcome::Finished, "c"},
  };
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer maps its shadow as data: a data limit stops it first.
  steps.insert(steps.end(), {
                                {"grow", RunOutcome::MemoryLimit, ""},
                                {"echo:d", RunOutcome::Finished, "d"},
                                {"grow-caught", RunOutcome::MemoryLimit, ""},
                                {"echo:e", RunOutcome::Finished, "e"},
                                {"grow-in-library", RunOutcome::MemoryLimit, ""},
                                {"echo:f", RunOutcome::Finished, "f"},
                            });
#endif
  EXPECT_EQ(RunAll(limits, steps), steps);
}

TEST(LimitedWorkers, OneWorkerAnswersManyInOrder) {
  platform::RunLimits limits;
  limits.seconds = 30;
  // Requests of every size, some larger than all that may be sent ahead,
  // and answers larger than a pipe's buffer.
  std::vector<Step> steps;
  for (int i = 0; i < 300; ++i) {
    std::string text = std::to_string(i) + ":\n" + std::string(static_cast<std::size_t>(i % 7 == 0 ? 40000 : i), '\0');
    if (i % 50 == 0) text.append(300000, 'x');
    steps.push_back({"echo:" + text, RunOutcome::Finished, text});
  }
  steps.push_back({"pid", RunOutcome::Finished, ""});
  steps.insert(steps.begin(), {"pid", RunOutcome::Finished, ""});
  std::vector<std::string> answers;
  std::vector<Step> got = RunAll(limits, steps, &answers);
  ASSERT_EQ(got.size(), steps.size());
  // The same worker answered the first and the last.
  EXPECT_EQ(answers.front(), answers.back());
  EXPECT_NE(answers.front(), std::to_string(::getpid()));
  for (std::size_t i = 1; i + 1 < steps.size(); ++i) ASSERT_EQ(got[i], steps[i]) << i;
}

#if !defined(__SANITIZE_ADDRESS__)
// What one request leaves behind does not fail the next: a request that runs
// out of memory in a worker that answered others is tried in a new worker.
TEST(LimitedWorkers, MemoryLeftByEarlierRequestsIsNotBlamedOnTheNext) {
  platform::RunLimits limits;
  limits.seconds = 30;
  limits.memoryBytes = 64u << 20;
  std::vector<std::string> answers;
  const std::vector<Step> steps = {{"pid", RunOutcome::Finished, ""},
                                   {"hold:40", RunOutcome::Finished, "held"},
                                   {"need:40", RunOutcome::Finished, ""},
                                   {"need:100", RunOutcome::MemoryLimit, ""}};
  const std::vector<Step> got = RunAll(limits, steps, &answers);
  ASSERT_EQ(got.size(), steps.size());
  EXPECT_EQ(got[1], steps[1]);
  EXPECT_EQ(got[2].outcome, RunOutcome::Finished);
  EXPECT_NE(answers[2], answers[0]);  // answered by a new worker
  EXPECT_EQ(got[3].outcome, RunOutcome::MemoryLimit);
}
#endif

TEST(LimitedWorkers, NoLimitsStillRunsInAWorker) {
  std::vector<std::string> answers;
  const std::vector<Step> steps = {
      {"pid", RunOutcome::Finished, ""}, {"kill", RunOutcome::Failed, ""}, {"pid", RunOutcome::Finished, ""}};
  RunAll(platform::RunLimits(), steps, &answers);
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_NE(answers[0], std::to_string(::getpid()));
  EXPECT_NE(answers[0], answers[2]);  // the killed worker was replaced
}

// ---- one request in this process ----------------------------------------

const platform::LastWordsOf kWords{{"", "out of time\n", 7}, {"", "out of memory\n", 8}, {"", "no answer\n", 9}};

RunOutcome RunHere(const std::string& request, std::string& answer) {
  platform::RunLimits limits;
  limits.seconds = 1;
  limits.memoryBytes = 64u << 20;
  TestHandler handler;
  handler("the setup");
  return platform::RunLimitedHere(limits, handler, request, answer, kWords);
}

// Recurses through 4 GiB of stack: more than any thread has.
int Deeper(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (depth > (1 << 20)) return frame[0];
  return Deeper(depth + 1) + frame[0];
}

TEST(LimitedRunHere, AnswersAndPutsTheLimitsBack) {
  struct rlimit dataBefore;
  ::getrlimit(RLIMIT_DATA, &dataBefore);
  struct sigaction segvBefore;
  ::sigaction(SIGSEGV, nullptr, &segvBefore);
  struct Case {
    const char* request;
    RunOutcome outcome;
    const char* answer;
  };
  const Case cases[] = {
    {"echo:a", RunOutcome::Finished, "a"},
    {"setup", RunOutcome::Finished, "the setup"},
    {"throw", RunOutcome::Failed, ""},
#if !defined(__SANITIZE_ADDRESS__)
    {"grow", RunOutcome::MemoryLimit, ""},
    {"grow-caught", RunOutcome::MemoryLimit, ""},
    {"grow-in-library", RunOutcome::MemoryLimit, ""},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    std::string answer = "old";
    EXPECT_EQ(RunHere(c.request, answer), c.outcome);
    EXPECT_EQ(answer, c.answer);
    // Nothing of the run is left: no alarm, no data limit, no handler.
    EXPECT_EQ(::alarm(0), 0u);
    struct rlimit data;
    ::getrlimit(RLIMIT_DATA, &data);
    EXPECT_EQ(data.rlim_cur, dataBefore.rlim_cur);
    struct sigaction segv;
    ::sigaction(SIGSEGV, nullptr, &segv);
    EXPECT_EQ(segv.sa_handler, segvBefore.sa_handler);
  }
  EXPECT_NO_THROW(TakeMiB(128));
}

TEST(LimitedRunHereDeathTest, EndsWithTheLastWordsOfWhatStoppedIt) {
  std::string answer;
  EXPECT_EXIT(RunHere("sleep", answer), ::testing::ExitedWithCode(7), "^out of time\n$");
  EXPECT_EXIT(RunHere("kill-segv", answer), ::testing::ExitedWithCode(9), "^no answer\n$");
  EXPECT_EXIT(RunHere("abort", answer), ::testing::ExitedWithCode(9), "^no answer\n$");
#if !defined(__SANITIZE_ADDRESS__)
  // The handler runs on a stack of its own.
  EXPECT_EXIT(RunHere("overflow", answer), ::testing::ExitedWithCode(9), "^no answer\n$");
#endif
}

}  // namespace
