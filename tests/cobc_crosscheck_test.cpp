// Cross-check of the layout map against a COBOL compiler: for every
// copybook in tests/layout and examples/, the map is written as CSV and as
// JSON, read back, and the record length and every named entry's offset and
// length (at subscript 1 in every table) must equal what a program compiled
// by cobc reports. Binary sizes are compared in both of cobc's schemes that
// -b can match: -b 1 with 1-2-4-8 and -b 2 with 2-4-8.
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
};

// Tables that depend on a count are measured at their largest.
struct Depending {
  std::string object;
  int64_t largest;
  size_t probe;     // index of the table among the probes
  bool endsRecord;  // the record's last member
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
    if (!line.depending.empty()) {
      bool last = true;
      for (size_t j = i + 1; j < lines.size(); j++) last = last && (lines[j].depth > 1 || lines[j].level.empty());
      depending.push_back({line.depending, std::stoll(line.occurs.substr(line.occurs.rfind('x') + 1)),
                           probes.size(), line.depth == 1 && last});
    }
    probes.push_back({reference, i});
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

// The map of a copybook in the given form, as rows nested by depth.
std::vector<MapLine> MapOf(const fs::path& copybook, int binary, const fs::path& work, const char* form) {
  std::string map = (work / "map").string() + form;
  std::vector<std::string> words = {"recforge", "-b", std::to_string(binary), "-s", "recforge-outer", "-Oo",
                                    "-i", copybook.string(), "-o", (work / "probe.fmt").string(), "--map", map};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  ResetRunState();
  testing::internal::CaptureStdout();
  int status = RunRecforge(static_cast<int>(argv.size()), argv.data());
  std::string messages = testing::internal::GetCapturedStdout();
  ResetRunState();
  EXPECT_EQ(status, 0) << messages;
  std::vector<MapLine> lines;
  if (std::string(form) == ".csv") {
    lines = ReadCsvMap(ReadAll(map));
    NestByLevel(lines);
  } else {
    size_t at = 0;
    FlattenJsonMap(ReadJson(ReadAll(map), at)["fields"], 0, lines);
  }
  return lines;
}

class CobcCrossCheck : public testing::TestWithParam<std::string> {};

TEST_P(CobcCrossCheck, MapMatches) {
  ASSERT_EQ(std::system("command -v cobc >/dev/null"), 0) << "cobc is not installed";
  char pattern[] = "/tmp/recforge-cobc-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path work = pattern, copybook = work / "rec.cpy";
  // A random copybook is checked in one binary scheme, chosen by its seed.
  std::vector<int> binarySizes = {1, 2};
  if (GetParam().rfind("random-", 0) == 0) {
    unsigned seed = std::stoul(GetParam().substr(7));
    std::ofstream(copybook) << RandomCopybook(seed);
    binarySizes = {1 + static_cast<int>(seed % 2)};
  } else {
    fs::copy_file(GetParam(), copybook);
  }
  for (int binary : binarySizes) {
    SCOPED_TRACE("-b " + std::to_string(binary) + "\n" + ReadAll(copybook));
    std::vector<MapLine> csv = MapOf(copybook, binary, work, ".csv");
    std::vector<MapLine> json = MapOf(copybook, binary, work, ".json");
    std::vector<Depending> depending, jsonDepending;
    std::vector<Probe> probes = Probes(csv, depending), jsonProbes = Probes(json, jsonDepending);
    ASSERT_EQ(probes.size(), jsonProbes.size());
    for (size_t i = 0; i < probes.size(); i++) ASSERT_EQ(probes[i].reference, jsonProbes[i].reference);
    // One 01 record per copybook: the outer structure's only member.
    ASSERT_TRUE(!csv.empty() && csv[0].level == "1" && csv[0].kind == "group");

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
               "       COPY \"rec.cpy\".\n"
               "       PROCEDURE DIVISION.\n";
    for (const Depending& table : depending)
      EmitStatement(program, "MOVE " + std::to_string(table.largest) + " TO " + table.object);
    EmitStatement(program, "SET PROBE-BASE TO ADDRESS OF " + csv[0].name);
    for (const Probe& probe : probes) {
      EmitStatement(program, "SET PROBE-AT TO ADDRESS OF " + probe.reference);
      EmitStatement(program, "COMPUTE PROBE-OFF = PROBE-AT-N - PROBE-BASE-N");
      EmitStatement(program, "MOVE LENGTH OF " + probe.reference + " TO PROBE-LEN");
      EmitStatement(program, "DISPLAY PROBE-OFF \" \" PROBE-LEN");
    }
    EmitStatement(program, "STOP RUN.");
    program.close();

    std::string size = binary == 1 ? "1-2-4-8" : "2-4-8";
    std::string command = "cd " + work.string() + " && cobc -x -std=ibm -fbinary-size=" + size +
                          " probe.cbl -o probe > compile.txt 2>&1 && ./probe > run.txt";
    int status = std::system(command.c_str());
    ASSERT_EQ(status, 0) << ReadAll(work / "compile.txt");
    std::istringstream report(ReadAll(work / "run.txt"));
    std::vector<int64_t> offsets(probes.size(), -1), lengths(probes.size(), -1);
    for (size_t i = 0; i < probes.size(); i++) report >> offsets[i] >> lengths[i];
    // cobc's LENGTH OF a record that ends in a depending table also counts
    // the record's REDEFINES alternatives; its own table offset and length
    // give the record's true end.
    for (const Depending& table : depending)
      if (table.endsRecord) lengths[0] = offsets[table.probe] + lengths[table.probe] * table.largest;
    for (const std::vector<MapLine>* lines : {&csv, &json})
      for (size_t i = 0; i < probes.size(); i++) {
        const MapLine& line = (*lines)[probes[i].line];
        EXPECT_EQ(line.offset, offsets[i]) << "offset of " << probes[i].reference;
        EXPECT_EQ(line.length, lengths[i]) << "length of " << probes[i].reference;
      }
  }
  fs::remove_all(work);
}

// The layout test copybooks and the examples.
std::vector<std::string> Copybooks() {
  std::vector<std::string> paths;
  for (const char* folder : {RECFORGE_LAYOUT_CASES, RECFORGE_EXAMPLES})
    for (auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".cpy") paths.push_back(entry.path().string());
  std::sort(paths.begin(), paths.end());
  for (int seed = 1; seed <= RANDOM_COPYBOOKS; seed++) paths.push_back("random-" + std::to_string(seed));
  return paths;
}

INSTANTIATE_TEST_SUITE_P(Copybooks, CobcCrossCheck, testing::ValuesIn(Copybooks()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = fs::path(info.param).stem().string();
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
