#include "source/source_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
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

  // The lines stepped through; each is also the one found for its first
  // and its last position.
  static std::vector<std::string> Lines(SourceFile* file) {
    std::vector<std::string> lines;
    int number = 1;
    SourceLine line;
    for (bool more = FirstSourceLine(file, &line); more; more = NextSourceLine(&line)) {
      EXPECT_EQ(line.number, number++);
      EXPECT_EQ(line.file, file);
      lines.emplace_back(line.text, line.length);
      for (const char* p : {line.text, line.text + line.length}) {
        SourceLine found{};
        EXPECT_TRUE(FindSourceLine(p, &found));
        EXPECT_EQ(found.number, line.number);
        EXPECT_EQ(found.text, line.text);
        EXPECT_EQ(found.length, line.length);
      }
    }
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
  }
}

TEST_F(LoadSourceFileTest, PositionsOutsideEveryLineAreNotFound) {
  SourceFile* file = Load("ab\r\ncd\n");
  ASSERT_NE(file, nullptr);
  SourceLine line;
  EXPECT_FALSE(FindSourceLine(file->text + 3, &line)) << "the line feed after a carriage return";
  EXPECT_FALSE(FindSourceLine(file->text + 7, &line)) << "after the last line feed";
  EXPECT_FALSE(FindSourceLine("elsewhere", &line));
  ASSERT_TRUE(FindSourceLine(file->text + 6, &line));
  EXPECT_EQ(line.number, 2);
}

TEST_F(LoadSourceFileTest, DeviceWithoutSizeIsReadToItsEnd) {
  std::string text(200000, 'x');
  text += "\nlast";
  std::ofstream(dir / "rec.cpy", std::ios::binary) << text;
  std::string fifo = (dir / "pipe.cpy").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << text; });
  SourceFile* file = LoadSourceFile(fifo);
  writer.join();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(Lines(file), (std::vector<std::string>{std::string(200000, 'x'), "last"}));
}

TEST_F(LoadSourceFileTest, RemovedCurrentDirectoryIsReported) {
  fs::path previous = fs::current_path();
  fs::create_directory(dir / "gone");
  fs::current_path(dir / "gone");
  fs::remove(dir / "gone");
  testing::internal::CaptureStdout();
  SourceFile* file = LoadSourceFile("rec.cpy");
  std::string out = testing::internal::GetCapturedStdout();
  fs::current_path(previous);
  EXPECT_EQ(file, nullptr);
  EXPECT_EQ(out, "Can not read the current directory\n");
}

}  // namespace
