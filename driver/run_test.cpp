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
  // Tables with and without DEPENDING ON, REDEFINES, SYNC, lists of values;
  // read as a compiler does, the clauses only that reading knows, and COPY.
  const std::vector<std::string> runs[] = {
      {"-b", "2", "-i", RECFORGE_SOURCE_TREE "/tests/inputs/maps.cpy"},
      {"--cobol", "-i", RECFORGE_SOURCE_TREE "/tests/cobol/entries.cpy"},
      {"--cobol", "-i", RECFORGE_SOURCE_TREE "/tests/cobol/names.cpy"},
      {"--cobol", "-i", RECFORGE_SOURCE_TREE "/tests/cobol/copies.cpy"}};
  for (const std::vector<std::string>& run : runs) {
    // The first run names its output; the runs after it must not keep that name.
    std::vector<std::string> words = {"recforge", "-O", "o"};
    words.insert(words.end(), run.begin(), run.end());
    std::string output = fs::path(run.back()).stem().string() + ".fmt";
    size_t named = words.size();
    words.insert(words.end(), {"-o", "first.fmt"});
    int64_t countdown = 0;
    for (;; countdown++) {
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      ResetRunState();
      CSMemFailCountdown = countdown;
      testing::internal::CaptureStdout();
      int status = RunRecforge(static_cast<int>(argv.size()), argv.data());
      std::string out = testing::internal::GetCapturedStdout();
      bool refused = countdown != 0 && CSMemFailCountdown == 0;  // the countdown ran out
      CSMemFailCountdown = 0;
      EXPECT_EQ(status, refused ? 1 : 0) << run.back() << " allocation " << countdown << "\n" << out;
      EXPECT_EQ(fs::exists(countdown ? output : "first.fmt"), !refused) << run.back() << " allocation " << countdown;
      if (!refused && countdown) break;
      words.resize(named);
      EXPECT_TRUE(!refused || out.find("Can not allocate ") != std::string::npos) << out;
    }
    EXPECT_GT(countdown, 10);
    fs::remove(output), fs::remove("first.fmt");
  }
  ResetRunState();
  fs::current_path(home);
  fs::remove_all(pattern);
}
