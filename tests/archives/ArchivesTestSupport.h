// What the archive library's tests share: a scratch folder for fixture
// archives, and a clean slate of process-wide bindings around every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/Files.h"
#include "tests/support/FixtureWriter.h"
#include "tests/support/StandinSupport.h"

namespace archivetest {

// Unloads every format's shared binding, as if the process had just started.
void ForgetAllBindings();

class Scratch {
 public:
  Scratch() : folder_(platform::CreateTempFolder("mokurena-arc")) {}
  ~Scratch() { platform::RemoveTree(folder_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }
  std::string Write(const std::string& name, const testsupport::FixtureWriter& fixture) const {
    fixture.WriteTo(Path(name));
    return Path(name);
  }
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
};

// Every test starts and ends without loaded bindings.
class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override { ForgetAllBindings(); }
  void TearDown() override { ForgetAllBindings(); }
  Scratch scratch;
};

}  // namespace archivetest
