// Cross-check of the layout map against a COBOL compiler: for every
// copybook in tests/layout and examples/, the map is written as CSV and as
// JSON, read back, and the record length and every named entry's offset and
// length (at subscript 1 in every table) must equal what a program compiled
// by cobc reports. Binary sizes are compared in both of cobc's schemes that
// -b can match: -b 1 with 1-2-4-8 and -b 2 with 2-4-8. Read as a compiler
// does (--cobol, no -b, against 2-4-8): the copybooks of tests/cobol, and
// every copybook written in the golden case files that cobc compiles.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/run.h"
#include "tests/map_reader.h"

std::string RandomCopybook(unsigned seed);

namespace {

namespace fs = std::filesystem;

constexpr int RANDOM_COPYBOOKS = 24;

// A named entry of the map and how the probe program refers to it.
struct Probe {
  std::string reference;  // qualified COBOL reference, subscripts included
  size_t line;            // its row in the map
  size_t record;          // the probe of its 01 record, from which it is measured
};

// Tables that depend on a count are measured at their largest.
struct Depending {
  std::string object;
  int64_t largest;
  size_t probe;     // index of the table among the probes
  bool endsRecord;  // the record's last member
  size_t record;    // the probe of its record
};

// The CSV map gives no depth; level numbers nest the rows as COBOL does.
void NestByLevel(std::vector<MapLine>& lines) {
  std::vector<int> open;  // levels of the groups around the row
  for (MapLine& line : lines) {
    if (line.level.empty()) continue;
    int level = std::stoi(line.level);
    while (!open.empty() && open.back() >= level) open.pop_back();
    line.depth = static_cast<int>(open.size());
    if (line.kind == "group") open.push_back(level);
  }
}

// Every named entry, qualified by the named groups around it.
std::vector<Probe> Probes(const std::vector<MapLine>& lines, std::vector<Depending>& depending) {
  std::vector<Probe> probes;
  std::vector<std::pair<int, std::string>> open;  // depth and name of the groups around
  size_t record = 0;
  for (size_t i = 0; i < lines.size(); i++) {
    const MapLine& line = lines[i];
    if (line.kind != "group" && line.kind != "field") continue;
    while (!open.empty() && open.back().first >= line.depth) open.pop_back();
    if (line.kind == "group") open.emplace_back(line.depth, line.name);
    if (line.name == "FILLER") continue;
    std::string reference = line.name;
    for (size_t g = open.size() - (line.kind == "group"); g-- > 0;)
      if (open[g].second != "FILLER") reference += " OF " + open[g].second;
    if (!line.occurs.empty()) {
      reference += " (1";
      for (char c : line.occurs) reference += c == 'x' ? " 1" : "";
      reference += ")";
    }
    if (line.depth == 0) record = probes.size();
    if (!line.depending.empty()) {
      bool last = true;  // nothing of its record follows
      for (size_t j = i + 1; j < lines.size() && lines[j].depth != 0; j++)
        last = last && (lines[j].depth > 1 || lines[j].level.empty());
      depending.push_back({line.depending, std::stoll(line.occurs.substr(line.occurs.rfind('x') + 1)),
                           probes.size(), line.depth == 1 && last, record});
    }
    probes.push_back({reference, i, record});
  }
  return probes;
}

// Splits a statement over fixed-format lines of at most 72 columns.
void EmitStatement(std::ostream& out, const std::string& statement) {
  std::istringstream words(statement);
  std::string line = "           ", word;
  while (words >> word) {
    if (line.size() + word.size() + 1 > 72) {
      out << line << "\n";
      line = "           ";
    }
    line += word + " ";
  }
  out << line << "\n";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The map of a copybook in the given form, as rows nested by depth; binary
// 0: read as a compiler does. The run's messages when it fails.
std::string MapOf(const fs::path& copybook, int binary, const fs::path& work, const char* form,
                  std::vector<MapLine>* lines) {
  std::string map = (work / "map").string() + form;
  std::vector<std::string> words = {"recforge", "-s", "recforge-outer", "-Oo", "-i", copybook.string(),
                                    "-o", (work / "probe.fmt").string(), "--map", map};
  if (binary > 0) words.insert(words.end(), {"-b", std::to_string(binary)});
  if (binary == 0) words.push_back("--cobol");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  ResetRunState();
  testing::internal::CaptureStdout();
  int status = RunRecforge(static_cast<int>(argv.size()), argv.data());
  std::string messages = testing::internal::GetCapturedStdout();
  ResetRunState();
  if (status != 0) return messages.empty() ? "failed" : messages;
  if (std::string(form) == ".csv") {
    *lines = ReadCsvMap(ReadAll(map));
    NestByLevel(*lines);
  } else {
    size_t at = 0;
    FlattenJsonMap(ReadJson(ReadAll(map), at)["fields"], 0, *lines);
  }
  return {};
}

// Compiles the probe program around the copybook and runs it.
bool RunProbe(const fs::path& work, const std::string& copybook, const std::string& procedure,
              const std::string& sizes) {
  std::ofstream program(work / "probe.cbl");
  program << "       IDENTIFICATION DIVISION.\n"
             "       PROGRAM-ID. PROBE.\n"
             "       DATA DIVISION.\n"
             "       WORKING-STORAGE SECTION.\n"
             "       01 PROBE-BASE USAGE POINTER.\n"
             "       01 PROBE-BASE-N REDEFINES PROBE-BASE PIC 9(18) COMP-5.\n"
             "       01 PROBE-AT USAGE POINTER.\n"
             "       01 PROBE-AT-N REDEFINES PROBE-AT PIC 9(18) COMP-5.\n"
             "       01 PROBE-OFF PIC 9(9).\n"
             "       01 PROBE-LEN PIC 9(9).\n"
             "       COPY \"" << copybook << "\".\n"
             "       PROCEDURE DIVISION.\n" << procedure;
  program.close();
  std::string command = "cd " + work.string() + " && cobc -x -std=ibm -fbinary-size=" + sizes +
                        " probe.cbl -o probe > compile.txt 2>&1 && ./probe > run.txt";
  return std::system(command.c_str()) == 0;
}

class CobcCrossCheck : public testing::TestWithParam<std::string> {};

TEST_P(CobcCrossCheck, MapMatches) {
  ASSERT_EQ(std::system("command -v cobc >/dev/null"), 0) << "cobc is not installed";
  char pattern[] = "/tmp/recforge-cobc-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path work = pattern, copybook = work / "rec.cpy";
  std::string param = GetParam();
  // A random copybook is checked in one binary scheme, chosen by its seed;
  // a copybook read as a compiler does in IBM's sizes. Those of the golden
  // cases are passed over where the compiler refuses them or where they
  // differ by design.
  std::vector<int> binarySizes = {1, 2};
  bool ifValid = param.rfind("golden:", 0) == 0;
  if (param.rfind("random-", 0) == 0) {
    unsigned seed = std::stoul(param.substr(7));
    std::ofstream(copybook) << RandomCopybook(seed);
    binarySizes = {1 + static_cast<int>(seed % 2)};
  } else if (ifValid || param.rfind("cobol:", 0) == 0) {
    fs::path source = param.substr(param.find(':') + 1);
    copybook = work / source.filename();
    for (auto& entry : fs::directory_iterator(source.parent_path()))  // with its COPY members
      if (ifValid ? entry.path() == source : entry.is_regular_file())
        fs::copy_file(entry.path(), work / entry.path().filename());
    binarySizes = {0};
  } else {
    fs::copy_file(param, copybook);
  }
  std::string text = ReadAll(copybook);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (int binary : binarySizes) {
    SCOPED_TRACE("-b " + std::to_string(binary) + "\n" + ReadAll(copybook));
    std::string size = binary == 1 ? "1-2-4-8" : "2-4-8";
    std::string name = copybook.filename().string();
    std::vector<MapLine> csv, json;
    std::string failed = MapOf(copybook, binary, work, ".csv", &csv);
    if (ifValid && failed.find("longer than 2147483647") != std::string::npos)
      GTEST_SKIP() << "sizes beyond 32 bits are refused by design";
    if (ifValid && !failed.empty() && !RunProbe(work, name, "", size)) GTEST_SKIP() << "cobc refuses it";
    if (ifValid && text.find("POINTER") != std::string::npos)
      GTEST_SKIP() << "a POINTER takes 4 bytes here and 8 in cobc, by design";
    ASSERT_EQ(failed, "");
    ASSERT_EQ(MapOf(copybook, binary, work, ".json", &json), "");
    std::vector<Depending> depending, jsonDepending;
    std::vector<Probe> probes = Probes(csv, depending), jsonProbes = Probes(json, jsonDepending);
    ASSERT_EQ(probes.size(), jsonProbes.size());
    for (size_t i = 0; i < probes.size(); i++) ASSERT_EQ(probes[i].reference, jsonProbes[i].reference);
    ASSERT_FALSE(probes.empty());

    // Names that repeat in one group cannot be referred to: then only the
    // records are measured.
    auto procedure = [&](bool recordsOnly) {
      std::ostringstream out;
      if (!recordsOnly)
        for (const Depending& table : depending)
          EmitStatement(out, "MOVE " + std::to_string(table.largest) + " TO " + table.object);
      for (const Probe& probe : probes) {
        if (recordsOnly && probe.record != static_cast<size_t>(&probe - probes.data())) continue;
        EmitStatement(out, "SET PROBE-BASE TO ADDRESS OF " + probes[probe.record].reference);
        EmitStatement(out, "SET PROBE-AT TO ADDRESS OF " + probe.reference);
        EmitStatement(out, "COMPUTE PROBE-OFF = PROBE-AT-N - PROBE-BASE-N");
        EmitStatement(out, "MOVE LENGTH OF " + probe.reference + " TO PROBE-LEN");
        EmitStatement(out, "DISPLAY PROBE-OFF \" \" PROBE-LEN");
      }
      EmitStatement(out, "STOP RUN.");
      return out.str();
    };
    bool ran = RunProbe(work, name, procedure(false), size);
    if (!ran && ifValid && ReadAll(work / "compile.txt").find("ambiguous") != std::string::npos) {
      std::vector<Probe> records;
      for (const Probe& probe : probes)
        if (probe.record == static_cast<size_t>(&probe - probes.data()))
          records.push_back({probe.reference, probe.line, records.size()});
      ran = RunProbe(work, name, procedure(true), size);
      probes = records;
      depending.clear();
    }
    if (!ran && ifValid && !RunProbe(work, name, "", size)) GTEST_SKIP() << "cobc refuses it";
    ASSERT_TRUE(ran) << ReadAll(work / "compile.txt");
    std::istringstream report(ReadAll(work / "run.txt"));
    std::vector<int64_t> offsets(probes.size(), -1), lengths(probes.size(), -1);
    for (size_t i = 0; i < probes.size(); i++) report >> offsets[i] >> lengths[i];
    // cobc's LENGTH OF a record that ends in a depending table also counts
    // the record's REDEFINES alternatives; its own table offset and length
    // give the record's true end.
    for (const Depending& table : depending)
      if (table.endsRecord)
        lengths[table.record] = offsets[table.probe] + lengths[table.probe] * table.largest;
    for (const std::vector<MapLine>* lines : {&csv, &json})
      for (size_t i = 0; i < probes.size(); i++) {
        const MapLine& line = (*lines)[probes[i].line];
        int64_t base = (*lines)[probes[probes[i].record].line].offset;
        EXPECT_EQ(line.offset - base, offsets[i]) << "offset of " << probes[i].reference;
        EXPECT_EQ(line.length, lengths[i]) << "length of " << probes[i].reference;
      }
  }
  fs::remove_all(work);
}

bool IsCopybook(const fs::path& path) {
  std::string type = path.extension().string();
  return type == ".cpy" || type == ".cbl" || type == ".cob" || type == ".ccp";
}

// The copybooks written in the golden case files, other than those of the
// compiler reading's own cases. Every test process writes them again, each
// through a rename, so that none is ever seen half written.
void GoldenCopybooks(std::vector<std::string>& params) {
  fs::path written = fs::path(RECFORGE_BUILD) / "golden-copybooks";
  fs::create_directories(written);
  std::vector<fs::path> files;
  for (auto& entry : fs::directory_iterator(RECFORGE_GOLDEN_CASES))
    if (entry.path().extension() == ".case" && entry.path().stem() != "cobol") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  int count = 0;
  for (const fs::path& file : files) {
    std::istringstream lines(ReadAll(file));
    std::string text;
    fs::path path;
    auto keep = [&] {
      if (path.empty()) return;
      fs::path part = path.string() + "." + std::to_string(getpid());
      std::ofstream(part) << text;
      fs::rename(part, path);
      params.push_back("golden:" + path.string());
      path.clear();
    };
    for (std::string line; std::getline(lines, line);) {
      bool directive = line.rfind("=== ", 0) == 0 || line.rfind("$ ", 0) == 0 ||
                       line.rfind("<<< ", 0) == 0 || line.rfind(">>> ", 0) == 0 ||
                       line.rfind("!!! ", 0) == 0;
      if (!directive) {
        text += line + "\n";
        continue;
      }
      keep();
      fs::path name = line.substr(line.find(' ') + 1);
      if (line.rfind("<<< ", 0) != 0 || line.find(" = ") != std::string::npos || !IsCopybook(name) ||
          name.has_parent_path())
        continue;
      path = written / (std::to_string(++count) + "-" + file.stem().string() + "-" + name.filename().string());
      text.clear();
    }
    keep();
  }
}

// The layout test copybooks, the examples and random copybooks; the
// compiler reading's copybooks and those of the golden cases.
std::vector<std::string> Copybooks() {
  std::vector<std::string> params;
  for (const char* folder : {RECFORGE_LAYOUT_CASES, RECFORGE_EXAMPLES})
    for (auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".cpy") params.push_back(entry.path().string());
  for (auto& entry : fs::directory_iterator(RECFORGE_COBOL_CASES))
    if (entry.path().extension() == ".cpy") params.push_back("cobol:" + entry.path().string());
  std::sort(params.begin(), params.end());
  for (int seed = 1; seed <= RANDOM_COPYBOOKS; seed++) params.push_back("random-" + std::to_string(seed));
  GoldenCopybooks(params);
  return params;
}

INSTANTIATE_TEST_SUITE_P(Copybooks, CobcCrossCheck, testing::ValuesIn(Copybooks()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           size_t colon = info.param.find(':');
                           std::string name = colon == std::string::npos ? "" : info.param.substr(0, colon) + "_";
                           name += fs::path(info.param).stem().string();
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
