#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "driver/settings.h"
#include "writer/writer.h"

namespace {

// The matching rule applied literally, by recursion: exponential, but
// exact, for small inputs.
bool ReferenceMatch(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    if (pattern.size() == 1) return true;
    for (size_t tail = 0; tail < text.size(); tail++)
      if (ReferenceMatch(text.substr(tail), pattern.substr(1))) return true;
    return false;
  }
  if (text.empty()) return false;
  if (pattern[0] != '?' && pattern[0] != text[0]) return false;
  return ReferenceMatch(text.substr(1), pattern.substr(1));
}

TEST(WildcardMatch, AgreesWithTheRuleOnRandomInputs) {
  std::mt19937 random(7);
  const char letters[] = "ab*?";
  for (int i = 0; i < 200000; i++) {
    std::string text, pattern;
    for (int n = random() % 7; n > 0; n--) text += "abA"[random() % 3];
    for (int n = random() % 7; n > 0; n--) pattern += letters[random() % 4];
    ASSERT_EQ(WildcardMatch(text, pattern), ReferenceMatch(text, pattern))
        << "text '" << text << "' pattern '" << pattern << "'";
  }
}

// A write that fails after the file was opened (here: over the file size
// limit) leaves the old file as it was and no other, prints no summary and
// fails the step.
TEST(WriteFormatFile, WriteErrorRemovesTheIncompleteFile) {
  ResetSettings();
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/recforge-writer-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  OutputFileName = std::string(pattern) + "/big.fmt";
  std::ofstream(OutputFileName) << "old\n";
  OptionFlags = OPT_NO_OVERWRITE_PROMPT;

  static FieldNode members[4000];
  static StructNode structure;
  structure = StructNode{};
  structure.name = "BIG";
  for (int i = 0; i < 4000; i++) {
    members[i] = FieldNode{};
    members[i].name = "A_RATHER_LONG_MEMBER_NAME_FOR_SIZE";
    members[i].type = FT_CHAR;
    members[i].size = 1;
    members[i].next = i + 1 < 4000 ? &members[i + 1] : nullptr;
  }
  structure.members = &members[0];
  StructNode* savedList = StructureList;
  StructureList = &structure;

  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  testing::internal::CaptureStdout();
  int written = WriteFormatFile();
  std::string out = testing::internal::GetCapturedStdout();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  StructureList = savedList;

  EXPECT_EQ(written, 0);
  EXPECT_EQ(out, "Error writing to file '" + OutputFileName + "'\n");
  std::ifstream old(OutputFileName);
  std::string line;
  EXPECT_TRUE(std::getline(old, line) && line == "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(pattern), {}), 1);
  fs::remove_all(pattern);
  ResetSettings();
}

}  // namespace
