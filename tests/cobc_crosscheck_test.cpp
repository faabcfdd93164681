// Cross-check of the layout against a COBOL compiler: for every copybook in
// tests/layout and examples/, the record length and every named field's offset and size
// that the layout gives must equal what a program compiled by cobc reports.
// Binary sizes are compared in both of cobc's schemes that -b can match:
// -b 1 with 1-2-4-8 and -b 2 with 2-4-8.
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

std::string RandomCopybook(unsigned seed);

namespace {

namespace fs = std::filesystem;

constexpr int RANDOM_COPYBOOKS = 24;

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
    int count = subscripts + (ExtraOf(m).occursCount > 0);
    std::string reference = qualified;
    if (count) {
      reference += " (";
      for (int i = 0; i < count; i++) reference += i ? " 1" : "1";
      reference += ")";
    }
    int64_t size = m->type == FT_STRUCT ? m->structure->size : m->size;
    if (!ExtraOf(m).dependingName.empty())
      depending.push_back({CobolName(ExtraOf(m).dependingName), ExtraOf(m).occursCount, out.size(),
                           !m->next && subscripts == 0 && qualifiers.find(" OF ", 1) == std::string::npos});
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

class CobcCrossCheck : public testing::TestWithParam<std::string> {};

TEST_P(CobcCrossCheck, OffsetsAndSizesMatch) {
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
    ResetSettings();
    ResetLayout();
    MinBinarySize = binary;
    StructureName = "recforge-outer";
    SourceFile* file = LoadSourceFile(copybook.string());
    ASSERT_NE(file, nullptr);
    testing::internal::CaptureStdout();
    int processed = ProcessCopybook(file);
    std::string messages = testing::internal::GetCapturedStdout();
    ASSERT_EQ(processed, 1) << messages;
    // One 01 record per copybook: its structure is the outer one's only member.
    const FieldNode* record = TopStructure->members;
    ASSERT_TRUE(record && !record->next && record->type == FT_STRUCT);

    std::vector<Placed> fields;
    std::vector<Depending> depending;
    std::string recordName = CobolName(record->name);
    fields.push_back({recordName, 0, record->structure->size});
    PlaceMembers(record->structure, 0, " OF " + recordName, 0, fields, depending);

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
    EmitStatement(program, "SET PROBE-BASE TO ADDRESS OF " + recordName);
    for (const Placed& field : fields) {
      EmitStatement(program, "SET PROBE-AT TO ADDRESS OF " + field.reference);
      EmitStatement(program, "COMPUTE PROBE-OFF = PROBE-AT-N - PROBE-BASE-N");
      EmitStatement(program, "MOVE LENGTH OF " + field.reference + " TO PROBE-LEN");
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
    std::vector<int64_t> offsets(fields.size(), -1), lengths(fields.size(), -1);
    for (size_t i = 0; i < fields.size(); i++) report >> offsets[i] >> lengths[i];
    // cobc's LENGTH OF a record that ends in a depending table also counts
    // the record's REDEFINES alternatives; its own table offset and length
    // give the record's true end.
    for (const Depending& table : depending)
      if (table.endsRecord) lengths[0] = offsets[table.field] + lengths[table.field] * table.largest;
    for (size_t i = 0; i < fields.size(); i++) {
      EXPECT_EQ(fields[i].offset, offsets[i]) << "offset of " << fields[i].reference;
      EXPECT_EQ(fields[i].size, lengths[i]) << "size of " << fields[i].reference;
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
