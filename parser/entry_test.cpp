// Entries read through the tokenizer and ReadEntry: the records they give
// and every diagnostic with its position.
#include "parser/entry.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/settings.h"
#include "source/cobol_source.h"

namespace {

namespace fs = std::filesystem;

const char* const TYPE_NAMES[] = {"UNSET",  "STRUCT", "CHAR",  "HEX",     "NUMERIC",
                                  "DOUBLE", "FLOAT",  "SHORT", "USHORT",  "INT32",
                                  "UINT32", "INT64",  "UINT64", "PACKED", "UPACKED",
                                  "CONDITION", "INT8", "UINT8", "OPUNCH", "DIGITS"};
const char* const VALUE_KINDS[] = {"NONE", "LITERAL", "LOW", "HIGH", "LIST", "RANGE"};

// One line per record: only what differs from a fresh record is shown.
std::string Describe(const FieldNode* n) {
  std::ostringstream out;
  out << n->level << " '" << n->name << "' " << TYPE_NAMES[n->type];
  if (n->digits || n->scale) out << " " << n->digits << "." << n->scale;
  if (n->isSigned) out << " S";
  if (n->hasDecimalPoint) out << " V";
  const FieldExtra& extra = ExtraOf(n);
  if (n->usage) out << " usage" << int{n->usage};
  if (extra.occursMax) out << " occurs" << extra.occursMax;
  if (!extra.dependingName.empty()) out << " depending " << extra.dependingName;
  if (n->redefineRole) out << " redefines " << RedefinesOf(n).redefinesName;
  if (n->valueKind) out << " " << VALUE_KINDS[n->valueKind] << " [" << n->valueText << "]";
  if (n->isSync) out << " sync";
  if (n->hasSignClause) out << " sign";
  if (n->signLeading) out << " leading";
  if (n->signSeparate) out << " separate";
  if (!extra.shortName.empty()) out << " short " << extra.shortName;
  return out.str();
}

struct ParseResult {
  std::vector<std::string> records;
  std::string output;  // the file's path shown as F
  int result;
};

class EntryTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    char pattern[] = "/tmp/recforge-entry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  // Reads every entry of the text; each line gets seven leading spaces
  // (six before a comment's '*') unless raw is set.
  ParseResult Parse(const std::string& text, bool raw = false) {
    std::string file;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
      file += (raw ? "" : line[0] == '*' ? "      " : "       ") + line + "\n";
    fs::path path = dir / "rec.cpy";
    std::ofstream(path, std::ios::binary) << file;
    SourceFile* source = LoadSourceFile(path.string());
    EXPECT_NE(source, nullptr);
    ParseResult parsed{};
    testing::internal::CaptureStdout();
    InputFileName = path.string();
    if (CurrentDialect->readsReferenceFormat) source = ExpandCobolSource(source);
    TokenCursor cursor = source ? StartCursor(source) : TokenCursor{};
    for (parsed.result = source != nullptr; source;) {
      FieldNode* entry = nullptr;
      parsed.result = ReadEntry(&cursor, &entry);
      if (entry) parsed.records.push_back(Describe(entry));
      if (!parsed.result || !entry) break;
    }
    parsed.output = testing::internal::GetCapturedStdout();
    for (size_t at; (at = parsed.output.find(path.string())) != std::string::npos;)
      parsed.output.replace(at, path.string().size(), "F");
    for (size_t at; (at = parsed.output.find(dir.string())) != std::string::npos;)
      parsed.output.replace(at, dir.string().size(), "D");
    return parsed;
  }

  fs::path dir;
};

// Every row of tests/inputs/entries.table. A text that begins with a tab or
// six spaces is taken as it stands; other lines get seven leading spaces
// (six before a comment's '*'). The reading succeeds when no message is
// expected.
TEST_F(EntryTest, EveryRowOfTheTable) {
  std::ifstream in(RECFORGE_SOURCE_TREE "/tests/inputs/entries.table");
  int row = 0;
  for (std::string line; std::getline(in, line);) {
    if (++row, line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells(1);
    for (size_t i = 0; i < line.size(); i++) {
      if (line[i] == '\t') {
        cells.emplace_back();
      } else if (line[i] == '\\' && i + 1 < line.size()) {
        char c = line[++i];
        cells.back() += c == 'n' ? '\n' : c == 't' ? '\t' : c;
      } else {
        cells.back() += line[i];
      }
    }
    cells.resize(4);
    std::vector<std::string> records;
    for (size_t at = 0; !cells[2].empty() && at != std::string::npos;) {
      size_t bar = cells[2].find(" | ", at);
      records.push_back(cells[2].substr(at, bar == std::string::npos ? bar : bar - at));
      at = bar == std::string::npos ? bar : bar + 3;
    }
    CobolMode = cells[0] == "cobol";
    ChooseDialect();
    ParseResult parsed = Parse(cells[1], cells[1][0] == '\t' || cells[1].compare(0, 6, "      ") == 0);
    EXPECT_EQ(parsed.result, cells[3].empty() ? 1 : 0) << "row " << row << ": " << cells[1];
    EXPECT_EQ(parsed.records, records) << "row " << row << ": " << cells[1];
    EXPECT_EQ(parsed.output, cells[3]) << "row " << row << ": " << cells[1];
  }
  EXPECT_GT(row, 100);
}

// Columns: the code area, comment lines, short lines and the indicator.
TEST_F(EntryTest, CodeAreaColumns) {
  // A word that runs up to column 72 ends there; what follows is ignored.
  std::string line72 = "       05 " + std::string(62, 'N') + "SEQUENCE\n       01 B PIC X.";
  ParseResult parsed = Parse(line72, true);
  ASSERT_EQ(parsed.records.size(), 1u) << parsed.output;
  EXPECT_EQ(parsed.records[0], "5 '" + std::string(62, 'N') + "' STRUCT");
  EXPECT_EQ(parsed.output, "At offset 7 on line 2 of file 'F' Unexpected token found '01'\n");

  parsed = Parse("123456\n      *05 X PIC X.\n\n123456 05 A PIC X.\n      -05 B PIC X.", true);
  EXPECT_EQ(parsed.records, (std::vector<std::string>{"5 'A' CHAR 1.0"}));
  EXPECT_EQ(parsed.output, "At offset 6 on line 5 of file 'F' '-05' found where number expected.\n")
      << "an indicator other than '*' is text of the code area";

  // An unterminated literal reaches column 72 and no further.
  parsed = Parse("       88 C VALUE '" + std::string(60, 'L') + "TAIL\n       .", true);
  ASSERT_EQ(parsed.records.size(), 1u) << parsed.output;
  EXPECT_EQ(parsed.records[0], "88 'C' CONDITION LITERAL ['" + std::string(53, 'L') + "]");

  // A period in column 72 ends the entry, whatever digits follow it.
  parsed = Parse("       05 A PIC 9 VALUE" + std::string(47, ' ') + "1.12345678\n       05 B PIC X.", true);
  EXPECT_EQ(parsed.records, (std::vector<std::string>{"5 'A' NUMERIC 1.0", "5 'B' CHAR 1.0"}));
  EXPECT_EQ(parsed.output, "");

  // A doubled quote ends the literal at its first half.
  parsed = Parse("88 C VALUE 'AB''C'.");
  EXPECT_EQ(parsed.records, std::vector<std::string>{"88 'C' CONDITION LIST [AB]"});

  // -c moves the code area; the comment indicator stays in column 7.
  MinCodeOffset = 0;
  MaxCodeOffset = 11;
  parsed = Parse("05 A PIC X.\n012345*05 B PIC X.\n05 C PIC X(3)JUNK", true);
  EXPECT_EQ(parsed.records, (std::vector<std::string>{"5 'A' CHAR 1.0", "5 'C' CHAR 1.0"}));
  EXPECT_EQ(parsed.output, "At offset 11 on line 3 of file 'F' Unexpected end of file\n")
      << "X(3 stops at column 12, before its ')'";
}

TEST_F(EntryTest, NulByteEndsTheLineForTheTokenizer) {
  ParseResult parsed = Parse(std::string("05 A PIC X.\0 05 B PIC X.\n05 C PIC 9.", 37));
  EXPECT_EQ(parsed.records, (std::vector<std::string>{"5 'A' CHAR 1.0", "5 'C' NUMERIC 1.0"}));
  parsed = Parse(std::string("      \0*\n05 D PIC X.", 21), true);
  EXPECT_EQ(parsed.result, 0);
}

TEST_F(EntryTest, RepeatCountAtTheStartOfALineReadsNothingBeforeIt) {
  MinCodeOffset = 0;
  ParseResult parsed = Parse("05 A PIC\n(5).", true);
  EXPECT_EQ(parsed.output, "At offset 0 on line 2 of file 'F' '(' found where not expected.\n");
}

TEST_F(EntryTest, ReportPositionOfLineEndAndUnknown) {
  ParseResult parsed = Parse("05 A.");
  testing::internal::CaptureStdout();
  SourceLine line;
  ASSERT_TRUE(FirstSourceLine(SourceFiles, &line));
  ReportPosition(line.text + line.length);
  ReportPosition(nullptr);
  ReportPosition("elsewhere");
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "At offset 12 on line 1 of file '" + std::string(SourceFiles->path) +
                     "' Unknown location:Unknown location:");
}

TEST(ClassifyWord, EverySpellingInAnyCaseAndNearMisses) {
  const std::pair<const char*, Keyword> cases[] = {
      {"binary", KW_BINARY}, {"Comp", KW_BINARY}, {"COMP-1", KW_COMP1}, {"comp-2", KW_COMP2},
      {"COMP-3", KW_PACKED}, {"COMP-4", KW_BINARY}, {"COMP-5", KW_BINARY},
      {"computational", KW_BINARY}, {"COMPUTATIONAL-1", KW_COMP1}, {"COMPUTATIONAL-2", KW_COMP2},
      {"COMPUTATIONAL-3", KW_PACKED}, {"COMPUTATIONAL-4", KW_BINARY},
      {"COMPUTATIONAL-5", KW_BINARY}, {"display", KW_DISPLAY}, {"FUNCTION-POINTER", KW_POINTER},
      {"occurs", KW_OCCURS}, {"packed-decimal", KW_PACKED}, {"pic", KW_PIC}, {"POINTER", KW_POINTER},
      {"PROCEDURE-POINTER", KW_PROCEDURE_POINTER}, {"Redefines", KW_REDEFINES}, {"sign", KW_SIGN},
      {"SYNC", KW_SYNC}, {"synchronized", KW_SYNC}, {"USAGE", KW_USAGE},
      {"value", KW_VALUE}, {"VALUES", KW_VALUE},
      {"picture", KW_PICTURE}, {"JUST", KW_JUSTIFIED}, {"justified", KW_JUSTIFIED},
      {"BLANK", KW_BLANK}, {"EXTERNAL", KW_EXTERNAL}, {"global", KW_EXTERNAL},
      {"RENAMES", KW_RENAMES}, {"leading", KW_LEADING}, {"TRAILING", KW_TRAILING},
      {"INDEX", KW_INDEX}, {"NATIONAL", KW_NATIONAL}, {"display-1", KW_DISPLAY1},
      {"DEPENDING", KW_DEPENDING}, {"ASCENDING", KW_KEY_ORDER}, {"descending", KW_KEY_ORDER},
      {"INDEXED", KW_INDEXED},
      {"", KW_NONE}, {"COMP-7", KW_NONE}, {"COMPUTATIONAL-", KW_NONE}, {"PICTURES", KW_NONE},
      {"PI", KW_NONE}, {"SYN", KW_NONE}, {"SIGNS", KW_NONE}, {"VALUESS", KW_NONE},
      {"'PIC'", KW_NONE}, {"ZERO", KW_NONE}, {"[", KW_NONE}, {"\xC3PIC", KW_NONE}};
  for (const auto& [word, keyword] : cases) {
    EXPECT_EQ(ClassifyWord(word), keyword) << word;
    EXPECT_EQ(ClassifyWholeWord(word), keyword) << word;
  }
  // By default SYNC and USAGE also begin longer words; whole, they do not.
  for (const char* word : {"SYNCX", "usages"}) {
    EXPECT_NE(ClassifyWord(word), KW_NONE) << word;
    EXPECT_EQ(ClassifyWholeWord(word), KW_NONE) << word;
  }
}

TEST(FieldTypeName, NoneOutsideTheTable) {
  for (int32_t type : {-1, FIELD_TYPE_COUNT}) EXPECT_STREQ(FieldTypeName(type), "???");
}

}  // namespace
