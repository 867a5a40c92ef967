// The stand-in archiver program, started as the system starts an archiver.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "tests/support/StandinSupport.h"

namespace {

using testsupport::ArchiverRecord;

// The program is not waited for: wait for its record instead.
std::vector<ArchiverRecord> WaitForRecords(const std::string& path, std::size_t count) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::vector<ArchiverRecord> records;
  while (std::chrono::steady_clock::now() < deadline) {
    records = testsupport::ReadArchiverRecords(path);
    if (records.size() >= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return records;
}

// Removes a temporary folder and a record file however the test ends.
class Cleanup {
 public:
  Cleanup(std::string folder, std::string file) : folder_(std::move(folder)), file_(std::move(file)) {}
  ~Cleanup() {
    platform::RemoveFile(file_);
    try {
      platform::RemoveTree(folder_);
    } catch (...) {
    }
  }
  Cleanup(const Cleanup&) = delete;
  Cleanup& operator=(const Cleanup&) = delete;

 private:
  std::string folder_;
  std::string file_;
};

TEST(StandinArchiver, RecordsItsCommandLineFolderAndPath) {
  const std::string program = testsupport::StandinArchiverPath();
  ASSERT_TRUE(platform::FileExists(program)) << program;
  const std::string folder = platform::CreateTempFolder("mokurena-run");
  const std::string recordPath = platform::JoinPath(folder, "runs.record");
  const std::string besideProgram = program + ".record";
  platform::RemoveFile(besideProgram);
  Cleanup cleanup(folder, besideProgram);
  {
    testsupport::ScopedEnvironmentValue record("MOKURENA_ARCHIVER_RECORD", recordPath);
    platform::ShellStart(nullptr, "open", program, "\"C:\\dir\\a b.lzh\"", platform::kShow);
    ASSERT_EQ(WaitForRecords(recordPath, 1).size(), 1u);
    platform::ShellStart(nullptr, "open", program, "tab\tand\\ \"q\"x", platform::kShow);
    std::vector<ArchiverRecord> records = WaitForRecords(recordPath, 2);
    ASSERT_EQ(records.size(), 2u);

    EXPECT_EQ(records[0].arguments, std::vector<std::string>{"C:\\dir\\a b.lzh"});
    EXPECT_NE(records[0].commandLine.find("a b.lzh"), std::string::npos) << records[0].commandLine;
    EXPECT_EQ(platform::ExtractFileName(records[0].programPath), platform::ExtractFileName(program));
    EXPECT_FALSE(records[0].currentFolder.empty());
    EXPECT_EQ(records[1].arguments, (std::vector<std::string>{"tab", "and\\", "qx"}));
  }

  // Without the variable the record goes beside the program.
  {
    testsupport::ScopedEnvironmentValue unset("MOKURENA_ARCHIVER_RECORD", "");
    platform::ShellStart(nullptr, "open", program, "x", platform::kShow);
    std::vector<ArchiverRecord> records = WaitForRecords(besideProgram, 1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].arguments, std::vector<std::string>{"x"});
  }
}

}  // namespace
