// Golden command-line cases, read from tests/cases. A *.case file is a list
// of cases, each a title line and sections: a directive line and its body,
// the lines up to the next directive.
//
//   === NAME        a case                $ ARGS   the arguments, as sh splits them
//   <<< FILE        an input file ("stdin": the standard input)
//   !!! setup       shell commands that make inputs in the work folder
//   !!! check       shell commands run after the run; they must succeed
//                   ($RECFORGE names the program)
//   >>> stdout      the output after the banner (@USAGE@: the usage text)
//   >>> stderr      >>> exit N      >>> FILE (an output, byte for byte)
//
// @CWD@ stands for the work folder. "<<< FILE = NAME" and ">>> FILE = NAME"
// take the body from a "<<< NAME" text before the file's first case, or
// from the source tree when NAME holds a '/'. Any other new or changed file
// fails the case, as does a run killed at the time limit. A *.table file
// holds a case a line: arguments, exit status, stdout and stderr, split by
// tabs, with \n for inner line feeds.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr int TIME_LIMIT_SECONDS = 60;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos;
       at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

struct Section {
  std::string directive;  // the line, without its line feed
  std::string body;
};

struct Case {
  std::string file;   // the case file's name
  std::string name;
  std::vector<Section> sections;
};

bool IsDirective(const std::string& line) {
  for (const char* mark : {"=== ", "$ ", "<<< ", ">>> ", "!!! "})
    if (line.rfind(mark, 0) == 0) return true;
  return false;
}

// Every case of every case file, and the named texts of each file.
std::vector<Case> cases;
std::map<std::string, std::map<std::string, std::string>> library;

std::string Unescape(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); i++)
    if (field[i] == '\\' && i + 1 < field.size())
      text += field[++i] == 'n' ? '\n' : field[i];
    else
      text += field[i];
  return text.empty() ? text : text + "\n";
}

void LoadTable(const fs::path& path) {
  std::istringstream in(ReadFile(path));
  int row = 0;
  for (std::string line; std::getline(in, line);) {
    row++;
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    fields.resize(4);
    cases.push_back({path.filename().string(), "line_" + std::to_string(row),
                     {{"$ " + fields[0], ""}, {">>> exit " + fields[1], ""},
                      {">>> stdout", Unescape(fields[2])}, {">>> stderr", Unescape(fields[3])}}});
  }
}

void LoadCases() {
  std::vector<fs::path> files;
  for (auto& entry : fs::directory_iterator(RECFORGE_CASES)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& path : files) {
    if (path.extension() == ".table") LoadTable(path);
    if (path.extension() != ".case") continue;
    std::istringstream in(ReadFile(path));
    std::string file = path.filename().string();
    std::vector<Section> loose;  // before the first case
    for (std::string line; std::getline(in, line);) {
      std::vector<Section>& into = cases.empty() || cases.back().file != file
                                       ? loose : cases.back().sections;
      if (line.rfind("=== ", 0) == 0)
        cases.push_back({file, line.substr(4), {}});
      else if (IsDirective(line))
        into.push_back({line, ""});
      else if (!into.empty())
        into.back().body += line + "\n";
    }
    for (const Section& text : loose) library[file][text.directive.substr(4)] = text.body;
  }
}

// The body of a section, or the text that "= NAME" names.
std::string BodyOf(const Case& c, const Section& section, std::string* fileName) {
  std::string name = section.directive.substr(std::min<size_t>(4, section.directive.size()));
  size_t equals = name.find(" = ");
  *fileName = name.substr(0, equals);
  if (equals == std::string::npos) return section.body;
  std::string source = name.substr(equals + 3);
  if (source.find('/') != std::string::npos)
    return ReadFile(fs::path(RECFORGE_SOURCE_TREE) / source);
  EXPECT_TRUE(library[c.file].count(source)) << "no text named " << source;
  return library[c.file][source];
}

// Relative path of every regular file below root, with its content.
std::map<std::string, std::string> FilesBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file() && !entry.is_symlink())
      files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
  return files;
}

std::string Quoted(const std::string& text) { return "'" + Replace(text, "'", "'\\''") + "'"; }

bool RunShell(const fs::path& work, const std::string& commands) {
  fs::path script = work.string() + ".sh";
  WriteFile(script, commands);
  bool ok = std::system(("cd " + Quoted(work) + " && bash " + Quoted(script)).c_str()) == 0;
  fs::remove(script);
  return ok;
}

class GoldenCase : public testing::TestWithParam<size_t> {};

TEST_P(GoldenCase, Matches) {
  Case& c = cases[GetParam()];
  char pattern[] = "/tmp/recforge-golden-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path work = pattern;
  std::string cwd = work.string(), stdinFile, args, check;
  std::map<std::string, std::string> expected;  // stdout and stderr among them
  int expectedStatus = 0;
  for (const Section& section : c.sections) {
    std::string fileName, body = BodyOf(c, section, &fileName);
    const std::string& d = section.directive;
    if (d.rfind("$ ", 0) == 0) {
      args = Replace(d.substr(2), "@CWD@", cwd);
    } else if (d == "<<< stdin") {
      stdinFile = work.string() + ".stdin";
      WriteFile(stdinFile, body);
    } else if (d.rfind("<<< ", 0) == 0) {
      fs::create_directories((work / fileName).parent_path());
      WriteFile(work / fileName, body);
    } else if (d == "!!! setup" || d.rfind("!!! setup = ", 0) == 0) {
      ASSERT_TRUE(RunShell(work, body)) << "setup failed";
    } else if (d == "!!! check") {
      check = body;
    } else if (d.rfind(">>> exit ", 0) == 0) {
      expectedStatus = std::stoi(d.substr(9));
    } else if (d.rfind(">>> ", 0) == 0) {
      expected[fileName] = body;
    }
  }
  auto inputs = FilesBelow(work);
  // RECFORGE_RUNNER may name a checker to run the program under (valgrind).
  const char* runner = std::getenv("RECFORGE_RUNNER");
  // The words are split by the shell, but not expanded.
  std::string command = "set -f; timeout -s KILL " + std::to_string(TIME_LIMIT_SECONDS) + " " +
                        (runner ? runner + std::string(" ") : "") + RECFORGE_BINARY + " " + args +
                        " < " + (stdinFile.empty() ? "/dev/null" : Quoted(stdinFile)) + " > " +
                        Quoted(work.string() + ".out") + " 2> " + Quoted(work.string() + ".err") + "; echo $? > " +
                        Quoted(work.string() + ".status");
  RunShell(work, command);
  int status = std::stoi("0" + ReadFile(work.string() + ".status"));
  EXPECT_NE(status, 137) << "killed after " << TIME_LIMIT_SECONDS << " s";
  std::string out = ReadFile(work.string() + ".out"), err = ReadFile(work.string() + ".err");
  for (const char* made : {".out", ".err", ".status"}) fs::remove(work.string() + made);

  // The banner heads every run, on standard error when standard output
  // holds decoded rows; its build date ("Dec  6 2026") varies.
  std::string& headed = out.rfind("recforge Version:", 0) == 0 ? out : err;
  std::string banner = headed.substr(0, headed.find("\n\n") + 2);
  headed.erase(0, banner.size());
  size_t date = banner.find("Build Date:") + 11;
  if (date > 11 && date + 11 < banner.size()) banner.erase(date, 11);
  EXPECT_EQ(banner, "recforge Version:1.0.1 (" + std::to_string(sizeof(void*) * 8) + " Bit) Build Date:\n"
                    "  Copyright (c) 2024-2026 the recforge authors. See README.md.\n\n");
  std::string usage = ReadFile(fs::path(RECFORGE_SOURCE_TREE) / "tests/inputs/usage.txt");
  out = Replace(Replace(out, cwd, "@CWD@"), usage, "@USAGE@\n");
  err = Replace(err, cwd, "@CWD@");

  EXPECT_TRUE(check.empty() || RunShell(work, check)) << "check failed";
  auto produced = FilesBelow(work);
  std::map<std::string, std::string> made;
  for (auto& [name, text] : produced) {
    auto input = inputs.find(name);
    if (input == inputs.end() || input->second != text) made[name] = text;
  }
  EXPECT_EQ(out, expected["stdout"]);
  EXPECT_EQ(err, expected["stderr"]);
  expected.erase("stdout"), expected.erase("stderr");
  EXPECT_EQ(status, expectedStatus);
  for (auto& [name, text] : expected) {
    EXPECT_TRUE(produced.count(name)) << "missing output " << name;
    EXPECT_EQ(produced[name], text) << "output " << name;
  }
  for (auto& [name, text] : made)
    EXPECT_TRUE(expected.count(name)) << "unexpected or changed file " << name;
  fs::remove_all(work);
  fs::remove(work.string() + ".stdin");
}

// The bytes a format file lays out, as a reader of it lays them out: align
// lines pad to a multiple from the record's start, a struct line holds its
// block once per occurrence. Returns -1 for a table whose count is a name.
struct FormatLayout {
  std::map<std::string, std::vector<std::string>> blocks;  // member lines by struct name
  std::string last;                                        // the record's block

  explicit FormatLayout(const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("struct ", 0) == 0) blocks[last = line.substr(7)];
      else if (line.rfind("  ", 0) == 0) blocks[last].push_back(line);
  }

  int64_t Lay(const std::string& block, int64_t at) {
    for (const std::string& line : blocks[block]) {
      std::istringstream words(line);
      std::string type, member;
      words >> type >> member;
      if (type.rfind("align", 0) == 0) {
        int64_t align = std::stoll(type.substr(5));
        at = (at + align - 1) / align * align;
        continue;
      }
      std::string name = member.substr(0, member.find_first_of("[(;"));
      std::vector<int64_t> dims;
      for (size_t open = member.find('['); open != std::string::npos; open = member.find('[', open + 1)) {
        if (!isdigit(static_cast<unsigned char>(member[open + 1]))) return -1;
        dims.push_back(std::stoll(member.substr(open + 1)));
      }
      bool bytes = type == "char" || type == "hex";
      int64_t size = bytes ? (dims.empty() ? 1 : dims[0]) : 0;
      int64_t occurs = dims.size() > (bytes ? 1u : 0u) ? dims.back() : 1;
      size_t paren = type.find('(');
      int64_t digits = paren == std::string::npos ? 0 : std::stoll(type.substr(paren + 1));
      size_t dot = type.find('.');
      if (dot != std::string::npos) digits += std::stoll(type.substr(dot + 1));
      std::string word = type.substr(0, paren);
      static const std::map<std::string, int64_t> FIXED = {
          {"int8", 1}, {"uint8", 1}, {"short", 2}, {"ushort", 2}, {"int", 4}, {"uint", 4},
          {"float", 4}, {"int64", 8}, {"uint64", 8}, {"double", 8}};
      if (FIXED.count(word)) size = FIXED.at(word);
      if (word == "packed" || word == "upacked") size = (digits + 2) / 2;
      if (word == "opunch" || word == "digits") size = digits + (word == "digits");
      for (int64_t i = 0; i < occurs; i++) {
        if (word != "struct") at += size;
        else if ((at = Lay(name, at)) < 0) return -1;
      }
    }
    return at;
  }
};

// Every --cobol case's format file lays out the length its run reports.
TEST(FormatFileLength, CobolCasesLayOutTheirLength) {
  int checked = 0;
  for (const Case& c : cases) {
    std::string args, out, format;
    for (const Section& section : c.sections) {
      std::string fileName, body = BodyOf(c, section, &fileName);
      if (section.directive.rfind("$ ", 0) == 0) args = section.directive;
      if (section.directive == ">>> stdout") out = body;
      if (section.directive.rfind(">>> ", 0) == 0 && fileName.size() > 4 &&
          fileName.substr(fileName.size() - 4) == ".fmt")
        format = body;
    }
    size_t line = out.find("Structure ");
    if (args.find("--cobol") == std::string::npos || format.empty() || line == std::string::npos) continue;
    int64_t length = std::stoll(out.substr(out.find(" is ", line) + 4));
    FormatLayout layout(format);
    int64_t laid = layout.Lay(layout.last, 0);
    if (laid < 0) continue;
    EXPECT_EQ(laid, length) << c.name;
    checked++;
  }
  EXPECT_GT(checked, 5);
}

std::vector<size_t> CaseIndexes() {
  LoadCases();
  setenv("RECFORGE", RECFORGE_BINARY, 1);  // check steps may run it again
  std::vector<size_t> indexes(cases.size());
  for (size_t i = 0; i < indexes.size(); i++) indexes[i] = i;
  return indexes;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenCase, testing::ValuesIn(CaseIndexes()),
                         [](const testing::TestParamInfo<size_t>& info) {
                           const Case& c = cases[info.param];
                           std::string name = c.file.substr(0, c.file.size() - 5) + "_" + c.name;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
