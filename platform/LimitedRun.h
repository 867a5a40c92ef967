// Work run under a time and memory budget, so that one hostile input cannot
// stall or exhaust the process that checks many: POSIX runs it in a child
// process (fork) whose address space is limited and which is killed when its
// time is up; only the bytes the work returns come back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct RunLimits {
  unsigned seconds = 0;           // wall-clock time; 0 = none
  std::uint64_t memoryBytes = 0;  // growth of the address space; 0 = none
};

enum class RunOutcome {
  Finished,     // output holds what the work returned
  TimeLimit,    // stopped when its time was up
  MemoryLimit,  // ran out of its memory
  Failed,       // no child could be started, or it ended without an answer
};

// True where RunLimited honours the limits (POSIX); where it cannot (Win32),
// the work runs in this process without them.
bool LimitedRunAvailable();

// Runs work under limits and gives back the bytes it returned. The work
// must not depend on running in this process (a child has a copy of it).
// A work whose allocations failed on the way answers MemoryLimit.
RunOutcome RunLimited(const RunLimits& limits, const std::function<std::string()>& work, std::string& output);

}  // namespace platform
