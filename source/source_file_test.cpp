#include "source/source_file.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cs/cs.h"

namespace {

namespace fs = std::filesystem;

TEST(SplitPath, DirectoryAndFileParts) {
  struct Case {
    const char* name;
    const char* directory;
    const char* file;
  };
  const Case cases[] = {
      {"rec.cpy", "", "rec.cpy"},
      {"   rec.cpy", "", "rec.cpy"},
      {"sub/rec.cpy", "sub", "rec.cpy"},
      {"sub\\rec.cpy", "sub", "rec.cpy"},
      {"C:rec.cpy", "C:", "rec.cpy"},
      {"C:\\copy\\CUST-REC.cpy", "C:\\copy", "CUST-REC.cpy"},
      {"/rec.cpy", "/", "rec.cpy"},
      {"/usr/rec.cpy", "/usr", "rec.cpy"},
      {"../copy/rec.cpy", "../copy", "rec.cpy"},
      {"a//rec.cpy", "a/", "rec.cpy"},
      {"\\rec.cpy", "", "\\rec.cpy"},  // only a leading '/' is a separator
      {"sub/", "sub", ""},
      {"", "", ""},
      {"    ", "", ""},
  };
  for (const Case& c : cases) {
    PathParts parts = SplitPath(c.name);
    EXPECT_EQ(parts.directory, c.directory) << c.name;
    EXPECT_EQ(parts.file, c.file) << c.name;
  }
}

class LoadSourceFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recforge-source-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  SourceFile* Load(const std::string& bytes) {
    std::ofstream(dir / "rec.cpy", std::ios::binary) << bytes;
    return LoadSourceFile((dir / "rec.cpy").string());
  }

  static std::vector<std::string> Lines(SourceFile* file) {
    std::vector<std::string> lines;
    int number = 1;
    for (SourceLine* line = file->firstLine; line; line = line->next) {
      EXPECT_EQ(line->number, number++);
      EXPECT_EQ(line->file, file);
      EXPECT_EQ(line->text[line->length], '\0');
      lines.emplace_back(line->text, line->length);
    }
    EXPECT_EQ(file->lineCount, number - 1);
    return lines;
  }

  fs::path dir;
};

TEST_F(LoadSourceFileTest, LinesAsWritten) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"abc", {"abc"}},
      {"abc\n", {"abc"}},
      {"a\n\nb \t\n", {"a", "", "b \t"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\n\r", {"a\rb", "\r"}},
      {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
      {std::string(100000, 'x') + "\nshort", {std::string(100000, 'x'), "short"}},
  };
  for (const Case& c : cases) {
    SourceFile* file = Load(c.bytes);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Lines(file), c.lines);
    EXPECT_EQ(SourceFiles, file) << "newest first";
    EXPECT_EQ(file->firstLine == nullptr, c.lines.empty());
  }
}

}  // namespace
