// Cross-check of the layout against a COBOL compiler: for every copybook in
// tests/layout and examples/, the record length and every named field's offset and size
// that the layout gives must equal what a program compiled by cobc reports.
// Binary sizes are compared in both of cobc's schemes that -b can match:
// -b 1 with 1-2-4-8 and -b 2 with 2-4-8. Read as a compiler does (--cobol,
// no -b, against 2-4-8): the copybooks of tests/cobol, and every copybook of
// the golden cases that cobc compiles.
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

#include "driver/settings.h"
#include "layout/structure.h"
#include "source/cobol_source.h"

namespace {

namespace fs = std::filesystem;

struct Placed {
  std::string reference;  // qualified COBOL reference, subscripts included
  int64_t offset;
  int64_t size;           // one occurrence
};

// Tables that depend on a count are measured at their largest.
struct Depending {
  std::string object;
  int32_t largest;
  size_t field;  // index of the table among the placed fields
  bool endsRecord;  // the record's last member
  size_t record;    // index of its record among the placed fields
};

std::string CobolName(std::string_view name) {
  std::string text(name);
  std::replace(text.begin(), text.end(), '_', '-');
  return text;
}

// Every named member below structure, at its offset from the record start.
void PlaceMembers(const StructNode* structure, int64_t base, const std::string& qualifiers,
                  int subscripts, std::vector<Placed>& out, std::vector<Depending>& depending) {
  int64_t running = base, headOffset = base;
  const FieldNode* head = nullptr;
  for (const FieldNode* m = structure->members; m; m = m->next) {
    int64_t offset = running;
    if (m->redefineRole == RR_REDEFINES) {
      offset = headOffset;
    } else {
      if (head) running = headOffset + ChainFootprint(head), head = nullptr;
      offset = running;
      if (m->redefineRole == RR_REDEFINED)
        head = m, headOffset = offset;
      else
        running += FieldFootprint(m);
    }
    if (m->isSync && m->alignRemainder) offset += m->size - m->alignRemainder;
    if (m->name == "FILLER") continue;
    std::string qualified = CobolName(m->name) + qualifiers;
    const FieldExtra& extra = ExtraOf(m);
    int count = subscripts + (extra.occursCount > 0);
    std::string reference = qualified;
    if (count) {
      reference += " (";
      for (int i = 0; i < count; i++) reference += i ? " 1" : "1";
      reference += ")";
    }
    int64_t size = m->type == FT_STRUCT ? m->structure->size : m->size;
    if (!extra.dependingName.empty())
      depending.push_back({CobolName(extra.dependingName), extra.occursCount, out.size(),
                           !m->next && subscripts == 0 && qualifiers.find(" OF ", 1) == std::string::npos,
                           0});
    out.push_back({reference, offset, size});
    if (m->type == FT_STRUCT)
      PlaceMembers(m->structure, offset, " OF " + qualified, count, out, depending);
  }
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

struct CrossCase {
  std::string path;
  bool cobol;     // read as a compiler does
  bool ifValid;   // passed over when cobc refuses the copybook itself
};

void PrintTo(const CrossCase& c, std::ostream* out) { *out << c.path; }

// Runs cobc on a program around the copybook; 0 when it compiled and ran.
int RunCobc(const fs::path& work, const fs::path& copybook, const std::string& procedure,
            const std::string& sizes, bool run) {
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
             "       COPY \"" << copybook.filename().string() << "\".\n"
             "       PROCEDURE DIVISION.\n" << procedure;
  program.close();
  std::string command = "cd " + work.string() + " && cobc " + (run ? "-x" : "-fsyntax-only") +
                        " -std=ibm -fbinary-size=" + sizes + " -I " +
                        copybook.parent_path().string() +
                        " probe.cbl -o probe > compile.txt 2>&1" + (run ? " && ./probe > run.txt" : "");
  return std::system(command.c_str());
}

bool HoldsPointer(const StructNode* structure) {
  for (const FieldNode* m = structure->members; m; m = m->next)
    if (m->usage == FU_POINTER || (m->type == FT_STRUCT && m->structure && HoldsPointer(m->structure)))
      return true;
  return false;
}

void CheckAgainstCobc(const CrossCase& c, int binary) {
  ResetSettings();
  ResetLayout();
  MinBinarySize = binary;
  CobolMode = c.cobol;
  StructureName = "recforge-outer";
  InputFileName = c.path;
  char pattern[] = "/tmp/recforge-cobc-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path work = pattern;
  std::string size = binary == 1 ? "1-2-4-8" : "2-4-8";
  // Asked only when something fails, as cobc is slow.
  auto cobcRefuses = [&] { return c.ifValid && RunCobc(work, c.path, "", size, false) != 0; };
  testing::internal::CaptureStdout();
  SourceFile* file = LoadSourceFile(c.path);
  if (file && c.cobol) file = ExpandCobolSource(file);
  int processed = file && ProcessCopybook(file);
  std::string messages = testing::internal::GetCapturedStdout();
  if (!processed && cobcRefuses()) {
    fs::remove_all(work);
    GTEST_SKIP() << "cobc refuses it";
  }
  if (c.ifValid && messages.find("is longer than 2147483647 bytes") != std::string::npos) {
    fs::remove_all(work);
    GTEST_SKIP() << "sizes beyond 32 bits are refused by design";
  }
  ASSERT_EQ(processed, 1) << messages;
  if (c.ifValid && HoldsPointer(TopStructure)) {
    fs::remove_all(work);
    GTEST_SKIP() << "a POINTER takes 4 bytes here and 8 in cobc, by design";
  }

  // Each 01 record is measured from its own start.
  std::vector<Placed> fields;
  std::vector<Depending> depending;
  std::vector<size_t> recordStarts;
  for (const FieldNode* record = TopStructure->members; record; record = record->next) {
    std::string recordName = CobolName(record->name);
    size_t first = fields.size(), firstTable = depending.size();
    recordStarts.push_back(first);
    if (record->type != FT_STRUCT) {
      fields.push_back({recordName, 0, record->size});
      continue;
    }
    fields.push_back({recordName, 0, record->structure->size});
    PlaceMembers(record->structure, 0, " OF " + recordName, 0, fields, depending);
    for (size_t t = firstTable; t < depending.size(); t++) depending[t].record = first;
  }
  ASSERT_FALSE(fields.empty());

  // Names that repeat in one group cannot be referred to: then only the
  // records are measured.
  auto probe = [&](bool recordsOnly) {
    std::ostringstream procedure;
    if (!recordsOnly)
      for (const Depending& table : depending)
        EmitStatement(procedure, "MOVE " + std::to_string(table.largest) + " TO " + table.object);
    for (size_t i = 0, record = 0; i < fields.size(); i++) {
      bool starts = record < recordStarts.size() && recordStarts[record] == i;
      if (starts) record++;
      if (recordsOnly && !starts) continue;
      EmitStatement(procedure, "SET PROBE-BASE TO ADDRESS OF " + fields[recordStarts[record - 1]].reference);
      EmitStatement(procedure, "SET PROBE-AT TO ADDRESS OF " + fields[i].reference);
      EmitStatement(procedure, "COMPUTE PROBE-OFF = PROBE-AT-N - PROBE-BASE-N");
      EmitStatement(procedure, "MOVE LENGTH OF " + fields[i].reference + " TO PROBE-LEN");
      EmitStatement(procedure, "DISPLAY PROBE-OFF \" \" PROBE-LEN");
    }
    EmitStatement(procedure, "STOP RUN.");
    return RunCobc(work, c.path, procedure.str(), size, true);
  };
  bool failed = probe(false) != 0;
  bool recordsOnly = failed && c.ifValid &&
                     ReadAll(work / "compile.txt").find("ambiguous") != std::string::npos;
  if (failed && !recordsOnly && cobcRefuses()) {
    fs::remove_all(work);
    GTEST_SKIP() << "cobc refuses it";
  }
  if (recordsOnly) {
    ASSERT_EQ(probe(true), 0) << ReadAll(work / "compile.txt");
    std::vector<Placed> records;
    for (size_t start : recordStarts) records.push_back(fields[start]);
    fields = records;
    depending.clear();
  }
  ASSERT_TRUE(fs::exists(work / "run.txt")) << ReadAll(work / "compile.txt");
  std::istringstream report(ReadAll(work / "run.txt"));
  std::vector<int64_t> offsets(fields.size(), -1), lengths(fields.size(), -1);
  for (size_t i = 0; i < fields.size(); i++) report >> offsets[i] >> lengths[i];
  // cobc's LENGTH OF a record that ends in a depending table also counts
  // the record's REDEFINES alternatives; its own table offset and length
  // give the record's true end.
  for (const Depending& table : depending)
    if (table.endsRecord)
      lengths[table.record] = offsets[table.field] + lengths[table.field] * table.largest;
  for (size_t i = 0; i < fields.size(); i++) {
    EXPECT_EQ(fields[i].offset, offsets[i]) << "offset of " << fields[i].reference;
    EXPECT_EQ(fields[i].size, lengths[i]) << "size of " << fields[i].reference;
  }
  fs::remove_all(work);
}

class CobcCrossCheck : public testing::TestWithParam<CrossCase> {};

TEST_P(CobcCrossCheck, OffsetsAndSizesMatch) {
  ASSERT_EQ(std::system("command -v cobc >/dev/null"), 0) << "cobc is not installed";
  if (GetParam().cobol) return CheckAgainstCobc(GetParam(), -1);
  for (int binary : {1, 2}) {
    SCOPED_TRACE("-b " + std::to_string(binary));
    CheckAgainstCobc(GetParam(), binary);
  }
}

bool IsCopybook(const fs::path& path) {
  std::string type = path.extension().string();
  return type == ".cpy" || type == ".cbl" || type == ".cob" || type == ".ccp";
}

// The layout test copybooks and the examples as recforge reads them by
// default; the compiler-reading copybooks and the golden cases' copybooks
// as a compiler does.
std::vector<CrossCase> Copybooks() {
  std::vector<CrossCase> cases;
  for (auto& entry : fs::directory_iterator(RECFORGE_COBOL_CASES))
    if (entry.path().extension() == ".cpy") cases.push_back({entry.path().string(), true, false});
  // The copybooks written out in the golden case files, other than those
  // of the compiler reading's own cases. Every test process writes them
  // again, each through a rename, so that none is ever seen half written.
  fs::path written = fs::path(RECFORGE_BUILD) / "golden-copybooks";
  fs::create_directories(written);
  for (auto& entry : fs::directory_iterator(RECFORGE_GOLDEN_CASES)) {
    if (entry.path().extension() != ".case" || entry.path().stem() == "cobol") continue;
    std::istringstream lines(ReadAll(entry.path()));
    std::string text;
    fs::path path;
    auto keep = [&] {
      if (path.empty()) return;
      fs::path part = path.string() + "." + std::to_string(getpid());
      std::ofstream(part) << text;
      fs::rename(part, path);
      cases.push_back({path.string(), true, true});
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
      path = written / (entry.path().stem().string() + "-" + std::to_string(cases.size()) + "-" +
                        name.filename().string());
      text.clear();
    }
    keep();
  }
  std::sort(cases.begin(), cases.end(),
            [](const CrossCase& a, const CrossCase& b) { return a.path < b.path; });
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Copybooks, CobcCrossCheck, testing::ValuesIn(Copybooks()),
                         [](const testing::TestParamInfo<CrossCase>& info) {
                           fs::path path = info.param.path;
                           std::string name = path.stem().string();
                           if (info.param.ifValid)
                             name = "golden_" + path.parent_path().parent_path().filename().string() + "_" + name;
                           else if (info.param.cobol)
                             name = "cobol_" + name;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
