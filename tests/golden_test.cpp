// Golden command-line cases: one folder per case under tests/cases.
//
//   args     the arguments, one per line ("@CWD@" stands for the work folder)
//   in/      files put into a fresh work folder before the run
//   shared   names of files of tests/inputs to put there too, one a line
//   setup    optional shell commands run in the work folder after the
//            inputs are copied, for inputs too big to keep or made from a
//            shared one ($RECFORGE_TEST_INPUTS); what they make is input
//   stdin    standard input (none: standard input is at its end)
//   stdout   standard output after the three banner lines ("@CWD@" as above;
//            "@USAGE@" stands for the usage text, tests/inputs/usage.txt)
//   stderr   standard error (none: empty)
//   status   the exit status
//   out/     files the work folder must hold afterwards, byte for byte
//
// Every other file of the work folder must be an input, unchanged: a run
// leaves nothing behind that the case does not name.
// RECFORGE_UPDATE_GOLDEN=1 rewrites stdout, stderr, status and out/ from the
// run instead of comparing; review the difference before committing it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// Relative path of every regular file below root, with its content.
std::map<std::string, std::string> FilesBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
  return files;
}

struct RunResult {
  std::string out, err;
  int status = -1;
};

RunResult RunProgram(const fs::path& work, const std::vector<std::string>& args,
              const fs::path& stdinFile) {
  fs::path outFile = work.parent_path() / (work.filename().string() + ".stdout");
  fs::path errFile = work.parent_path() / (work.filename().string() + ".stderr");
  pid_t child = fork();
  if (child == 0) {
    if (chdir(work.c_str()) != 0) _exit(126);
    int in = open(stdinFile.empty() ? "/dev/null" : stdinFile.c_str(), O_RDONLY);
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    static std::string program = RECFORGE_BINARY;
    argv.push_back(program.data());
    for (auto& arg : const_cast<std::vector<std::string>&>(args))
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(outFile);
  result.err = ReadFile(errFile);
  fs::remove(outFile);
  fs::remove(errFile);
  return result;
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (auto& entry : fs::directory_iterator(RECFORGE_CASES))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class GoldenCase : public testing::TestWithParam<std::string> {};

TEST_P(GoldenCase, Matches) {
  fs::path dir = fs::path(RECFORGE_CASES) / GetParam();
  char pattern[] = "/tmp/recforge-golden-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path work = pattern;
  if (fs::exists(dir / "in")) fs::copy(dir / "in", work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  std::string cwd = work.string();
  std::istringstream shared(fs::exists(dir / "shared") ? ReadFile(dir / "shared") : "");
  for (std::string name; std::getline(shared, name);)
    fs::copy(fs::path(RECFORGE_INPUTS) / name, work / name);
  if (fs::exists(dir / "setup")) {
    std::string command = "cd '" + cwd + "' && RECFORGE_TEST_INPUTS='" RECFORGE_INPUTS "' bash '" +
                          (dir / "setup").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "setup failed";
  }
  auto inputs = FilesBelow(work);

  std::vector<std::string> args;
  std::istringstream argLines(ReadFile(dir / "args"));
  for (std::string line; std::getline(argLines, line);)
    args.push_back(Replace(line, "@CWD@", cwd));
  fs::path stdinFile = fs::exists(dir / "stdin") ? dir / "stdin" : fs::path();

  RunResult run = RunProgram(work, args, stdinFile);

  // The banner heads every run; its build date varies, so it is a pattern.
  std::istringstream lines(run.out);
  std::string banner, notice, blank;
  std::getline(lines, banner);
  std::getline(lines, notice);
  std::getline(lines, blank);
  EXPECT_TRUE(std::regex_match(
      banner, std::regex(R"(recforge Version:1\.0\.1 \((32|64) Bit\) Build Date:[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4})")))
      << banner;
  EXPECT_EQ(notice, "  Copyright (c) 2024-2026 the recforge authors. See README.md.");
  EXPECT_EQ(blank, "");
  std::string rest = run.out.substr(std::min(run.out.size(), static_cast<size_t>(lines.tellg())));
  if (!lines) rest.clear();
  rest = Replace(rest, cwd, "@CWD@");
  std::string err = Replace(run.err, cwd, "@CWD@");

  auto produced = FilesBelow(work);
  std::map<std::string, std::string> made;
  for (auto& [name, text] : produced) {
    auto input = inputs.find(name);
    if (input == inputs.end() || input->second != text) made[name] = text;
  }

  if (std::getenv("RECFORGE_UPDATE_GOLDEN")) {
    std::string usage = ReadFile(fs::path(RECFORGE_INPUTS) / "usage.txt");
    WriteFile(dir / "stdout", Replace(rest, usage, "@USAGE@"));
    if (!err.empty() || fs::exists(dir / "stderr")) WriteFile(dir / "stderr", err);
    WriteFile(dir / "status", std::to_string(run.status) + "\n");
    fs::remove_all(dir / "out");
    for (auto& [name, text] : made) {
      fs::create_directories((dir / "out" / name).parent_path());
      WriteFile(dir / "out" / name, text);
    }
  } else {
    std::string usage = ReadFile(fs::path(RECFORGE_INPUTS) / "usage.txt");
    EXPECT_EQ(rest, Replace(ReadFile(dir / "stdout"), "@USAGE@", usage));
    EXPECT_EQ(err, fs::exists(dir / "stderr") ? ReadFile(dir / "stderr") : "");
    EXPECT_EQ(run.status, std::stoi(ReadFile(dir / "status")));
    auto expected = FilesBelow(dir / "out");
    for (auto& [name, text] : expected) {
      ASSERT_TRUE(produced.count(name)) << "missing output " << name;
      EXPECT_EQ(produced[name], text) << "output " << name;
    }
    for (auto& [name, text] : made)
      EXPECT_TRUE(expected.count(name)) << "unexpected or changed file " << name;
  }
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenCase, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace_if(name.begin(), name.end(),
                                           [](char c) { return !isalnum(static_cast<unsigned char>(c)); }, '_');
                           return name;
                         });

}  // namespace
