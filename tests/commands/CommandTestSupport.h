// What the command-side tests share: every stand-in library present, and the
// command line a stand-in received, read back from its call log.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archives/ARCHIVES.h"
#include "archives/Archiver.h"
#include "archives/ArchiverOptions.h"
#include "tests/archives/ArchivesTestSupport.h"

namespace commandtest {

// Every library file the formats load.
inline const std::vector<std::string> kAllLibraries = {"UNLHA32.DLL", "UNARJ32J.DLL", "CAB32.DLL",   "TAR32.DLL",
                                                       "UNRAR32.DLL", "BGA32.DLL",    "UnGCA32.DLL", "7-zip32.dll",
                                                       "YYZ32.DLL",   "UNZIP32.DLL",  "ZIP32J.DLL",  "LMZIP32.DLL"};

// A window handle that is never dereferenced.
inline archives::ArcWindow FakeWindow() { return reinterpret_cast<archives::ArcWindow>(0x4242); }

// Options as the LHA family needs them at least: jse 0 and jso 1.
inline archives::TArchiverOptions LhaOptions() {
  archives::TArchiverOptions options;
  options.jse = 0;
  options.jso = 1;
  return options;
}

// What one run left in the call log: "<dll> <entry>" and the command line of
// every call that carried one (command entries and ExtractMem).
struct Logged {
  std::vector<std::string> calls;
  std::vector<std::string> lines;
};

inline Logged ReadLogged(const testsupport::ScopedCallLog& log) {
  Logged logged;
  for (const testsupport::StandinCall& call : log.Read()) {
    logged.calls.push_back(call.dll + " " + call.entry);
    if (call.args.size() >= 2) logged.lines.push_back(call.args[1]);
  }
  return logged;
}

// Every test starts without bindings and with every library at hand.
class CommandTest : public archivetest::BindingTest {
 protected:
  testsupport::ScopedLibraryFolder libraries{"full", kAllLibraries};
};

}  // namespace commandtest
