// Whole runs in one process: every allocation of a real conversion is made
// to fail in turn, and each failing run must end cleanly.
#include "driver/run.h"

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cs/cs.h"

namespace fs = std::filesystem;

TEST(Run, EveryFailedAllocationEndsTheRunWithNothingWritten) {
  char pattern[] = "/tmp/recforge-run-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path home = fs::current_path();
  fs::current_path(pattern);  // where the format file goes by default
  // Tables with and without DEPENDING ON, REDEFINES, SYNC, lists of values.
  std::string input = RECFORGE_SOURCE_TREE "/tests/inputs/maps.cpy";
  // The first run names its output; the runs after it must not keep that name.
  std::vector<std::string> words = {"recforge", "-O", "o", "-b", "2", "-i", input, "-o", "first.fmt"};
  int failures = 0;
  for (int64_t countdown = 0;; countdown++) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    ResetRunState();
    CSMemFailCountdown = countdown;
    testing::internal::CaptureStdout();
    int status = RunRecforge(static_cast<int>(argv.size()), argv.data());
    std::string out = testing::internal::GetCapturedStdout();
    bool refused = countdown != 0 && CSMemFailCountdown == 0;  // the countdown ran out
    CSMemFailCountdown = 0;
    if (countdown == 0) {
      EXPECT_TRUE(status == 0 && fs::remove("first.fmt")) << out;
      words.resize(7);
    } else if (!refused) {
      EXPECT_EQ(status, 0) << out;
      EXPECT_TRUE(fs::exists("maps.fmt"));
      break;
    } else {
      failures++;
      EXPECT_EQ(status, 1) << "allocation " << countdown;
      EXPECT_NE(out.find("Can not allocate "), std::string::npos) << "allocation " << countdown << "\n" << out;
      EXPECT_FALSE(fs::exists("maps.fmt")) << "allocation " << countdown;
    }
  }
  EXPECT_GT(failures, 10);
  ResetRunState();
  fs::current_path(home);
  fs::remove_all(pattern);
}
