// Cross-check of the layout map against a COBOL compiler: the CSV map of a
// copybook is read back, and the record length and every named entry's
// offset and length (at subscript 1 in every table) must equal what a
// program compiled by cobc reports. The copybooks of tests/layout and
// examples/ are compared in both of cobc's binary schemes that -b can match
// (-b 1 with 1-2-4-8, -b 2 with 2-4-8); those of tests/cobol read as a
// compiler does (--cobol, IBM's 2-4-8; -std=ibm, or -std=mf for those that
// say "cobc -std=mf"); random ones in one of the three.
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
#include "tests/text_files.h"

std::string RandomCopybook(unsigned seed, bool cobol);

namespace {

namespace fs = std::filesystem;

constexpr int RANDOM_COPYBOOKS = 24;

struct MapLine {
  std::string kind, level, name;
  int64_t offset, length;
  std::string occurs, depending;
  int depth;
};

// Rows of the CSV map after its header, nested by their level numbers as
// COBOL nests them.
std::vector<MapLine> ReadCsvMap(const std::string& text) {
  std::vector<MapLine> lines;
  std::vector<int> open;  // levels of the groups around the row
  std::vector<std::vector<std::string>> rows = CsvRows(text);
  for (size_t row = 1; row < rows.size(); row++) {
    std::vector<std::string>& cells = rows[row];
    cells.resize(11);
    int level = cells[1].empty() ? 0 : std::stoi(cells[1]);
    while (level && !open.empty() && open.back() >= level) open.pop_back();
    lines.push_back({cells[0], cells[1], cells[2], std::stoll(cells[4]), std::stoll(cells[5]), cells[6],
                     cells[10], level ? static_cast<int>(open.size()) : 0});
    if (cells[0] == "group") open.push_back(level);
  }
  return lines;
}

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
  size_t probe;     // index of the table among the probes, when it is named
  bool endsRecord;  // the record's last member, and named
  size_t record;    // the probe of its record
};

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
    bool named = line.name != "FILLER";
    if (!line.depending.empty()) {
      bool last = named;  // nothing of its record follows
      for (size_t j = i + 1; j < lines.size() && lines[j].depth != 0; j++)
        last = last && (lines[j].depth > 1 || lines[j].level.empty());
      depending.push_back({line.depending, std::stoll(line.occurs.substr(line.occurs.rfind('x') + 1)),
                           probes.size(), line.depth == 1 && last, record});
    }
    if (!named) continue;
    std::string reference = line.name;
    for (size_t g = open.size() - (line.kind == "group"); g-- > 0;)
      if (open[g].second != "FILLER") reference += " OF " + open[g].second;
    if (!line.occurs.empty()) {
      reference += " (1";
      for (char c : line.occurs) reference += c == 'x' ? " 1" : "";
      reference += ")";
    }
    if (line.depth == 0) record = probes.size();
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

// The CSV map of a copybook; binary 0: read as a compiler does. The run's messages when it fails.
std::string MapOf(const fs::path& copybook, int binary, const fs::path& work, std::vector<MapLine>* lines) {
  std::string map = (work / "map.csv").string();
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
  *lines = ReadCsvMap(ReadAll(map));
  return {};
}

// Compiles the probe program around the copybook and runs it.
bool RunProbe(const fs::path& work, const std::string& copybook, const std::string& procedure,
              const std::string& sizes, const std::string& standard) {
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
  std::string command = "cd " + work.string() + " && cobc -x -std=" + standard + " -fbinary-size=" + sizes +
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
  // A random copybook is checked in one scheme, chosen by its seed; one
  // read as a compiler does (binary 0) in IBM's sizes.
  std::vector<int> binarySizes = {1, 2};
  if (param.rfind("random-", 0) == 0) {
    unsigned seed = std::stoul(param.substr(7));
    std::ofstream(copybook) << RandomCopybook(seed, seed % 3 == 0);
    binarySizes = {static_cast<int>(seed % 3)};
  } else if (param.rfind("cobol:", 0) == 0) {
    fs::path source = param.substr(6);
    copybook = work / source.filename();
    for (auto& entry : fs::directory_iterator(source.parent_path()))  // with its COPY members
      fs::copy_file(entry.path(), work / entry.path().filename());
    binarySizes = {0};
  } else {
    fs::copy_file(param, copybook);
  }
  for (int binary : binarySizes) {
    SCOPED_TRACE("-b " + std::to_string(binary) + "\n" + ReadAll(copybook));
    std::string size = binary == 1 ? "1-2-4-8" : "2-4-8";
    std::vector<MapLine> csv;
    ASSERT_EQ(MapOf(copybook, binary, work, &csv), "");
    std::vector<Depending> depending;
    std::vector<Probe> probes = Probes(csv, depending);
    ASSERT_FALSE(probes.empty());
    std::ostringstream procedure;
    for (const Depending& table : depending)
      EmitStatement(procedure, "MOVE " + std::to_string(table.largest) + " TO " + table.object);
    for (const Probe& probe : probes) {
      EmitStatement(procedure, "SET PROBE-BASE TO ADDRESS OF " + probes[probe.record].reference);
      EmitStatement(procedure, "SET PROBE-AT TO ADDRESS OF " + probe.reference);
      EmitStatement(procedure, "COMPUTE PROBE-OFF = PROBE-AT-N - PROBE-BASE-N");
      EmitStatement(procedure, "MOVE LENGTH OF " + probe.reference + " TO PROBE-LEN");
      EmitStatement(procedure, "DISPLAY PROBE-OFF \" \" PROBE-LEN");
    }
    EmitStatement(procedure, "STOP RUN.");
    // A copybook of other compilers' usages says whose sizes it is checked against.
    std::string standard = ReadAll(copybook).find("cobc -std=mf") != std::string::npos ? "mf" : "ibm";
    ASSERT_TRUE(RunProbe(work, copybook.filename().string(), procedure.str(), size, standard))
        << ReadAll(work / "compile.txt");
    std::istringstream report(ReadAll(work / "run.txt"));
    std::vector<int64_t> offsets(probes.size(), -1), lengths(probes.size(), -1);
    for (size_t i = 0; i < probes.size(); i++) report >> offsets[i] >> lengths[i];
    // cobc's LENGTH OF a record that ends in a depending table also counts
    // the record's REDEFINES alternatives; its own table offset and length
    // give the record's true end.
    for (const Depending& table : depending)
      if (table.endsRecord)
        lengths[table.record] = offsets[table.probe] + lengths[table.probe] * table.largest;
    for (size_t i = 0; i < probes.size(); i++) {
      const MapLine& line = csv[probes[i].line];
      // IBM gives the slack before a SYNC item to the group of the item
      // before it, so a group may begin or end elsewhere than in cobc; the
      // items and records lie alike.
      if (binary == 0 && line.kind == "group" && probes[i].record != i) continue;
      EXPECT_EQ(line.offset - csv[probes[probes[i].record].line].offset, offsets[i])
          << "offset of " << probes[i].reference;
      EXPECT_EQ(line.length, lengths[i]) << "length of " << probes[i].reference;
    }
  }
  fs::remove_all(work);
}

// The layout test copybooks, the examples, the compiler reading's
// copybooks and random copybooks.
std::vector<std::string> Copybooks() {
  std::vector<std::string> params;
  for (const char* folder : {RECFORGE_LAYOUT_CASES, RECFORGE_EXAMPLES})
    for (auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".cpy") params.push_back(entry.path().string());
  for (auto& entry : fs::directory_iterator(RECFORGE_COBOL_CASES))
    if (entry.path().extension() == ".cpy") params.push_back("cobol:" + entry.path().string());
  std::sort(params.begin(), params.end());
  for (int seed = 1; seed <= RANDOM_COPYBOOKS; seed++) params.push_back("random-" + std::to_string(seed));
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
