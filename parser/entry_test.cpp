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
    if (CobolMode) source = ExpandCobolSource(source);
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

struct RecordCase {
  const char* text;
  std::vector<std::string> records;
};

TEST_F(EntryTest, RecordsOfValidEntries) {
  const RecordCase cases[] = {
      {"", {}},
      {"* only a comment\n\n  \n", {}},
      {"01 RECORD-A.", {"1 'RECORD_A' STRUCT"}},
      {"05 A PIC S9(5)V99.", {"5 'A' NUMERIC 5.2 S V"}},
      {"05 A PIC X(10).", {"5 'A' CHAR 10.0"}},
      {"05 A PIC x(3)a.", {"5 'A' CHAR 4.0"}},
      {"05 A PIC 9V9(2).", {"5 'A' NUMERIC 1.2 V"}},
      {"05 A PIC 9(5) VALUE 0.", {"5 'A' NUMERIC 5.0"}},
      {"05 A PIC 9(4) SYNC.", {"5 'A' NUMERIC 4.0 sync"}},
      {"05 A PIC X(0).", {"5 'A' CHAR"}},
      {"05 A PIC X(1).", {"5 'A' CHAR 1.0"}},
      {"05 A PIC XX XX.", {"5 'A' CHAR 4.0"}},
      {"05 A PIC SS9P9.", {"5 'A' NUMERIC 1.1 S V"}},
      {"05 A PIC.", {"5 'A' STRUCT"}},
      {"05 PIC X(3).", {"5 '' CHAR 3.0"}},
      {"05 A PIC S9(4) COMP SYNC.", {"5 'A' NUMERIC 4.0 S usage4 sync"}},
      {"05 A COMP-3 PIC S9(5)V99.", {"5 'A' NUMERIC 5.2 S V usage3"}},
      {"05 A PIC S9(5)V99 PACKED-DECIMAL.", {"5 'A' NUMERIC 5.2 S V usage3"}},
      {"05 A PIC 9 USAGE IS COMP-5.", {"5 'A' NUMERIC 1.0 usage4"}},
      {"05 A PIC 9 COMP BINARY.", {"5 'A' NUMERIC 1.0 usage4"}},
      {"05 A DISPLAY PIC X(5).", {"5 'A' CHAR 5.0"}},
      {"05 P POINTER.", {"5 'P' NUMERIC usage5"}},
      {"05 P procedure-pointer.", {"5 'P' NUMERIC usage6"}},
      {"05 F COMP-1.", {"5 'F' NUMERIC usage1"}},
      {"05 F COMPUTATIONAL-2.", {"5 'F' NUMERIC usage2"}},
      {"05 A COMP.", {"5 'A' STRUCT usage4"}},
      {"05 T OCCURS 10.", {"5 'T' STRUCT occurs10"}},
      {"05 T OCCURS 1 TO 20 TIMES DEPENDING ON T-COUNT.",
       {"5 'T' STRUCT occurs20 depending T_COUNT"}},
      {"05 T OCCURS 1 TO 9 DEPENDING ONLINE-N.", {"5 'T' STRUCT occurs9 depending ONLINE_N"}},
      {"05 T OCCURS 1 TO 9 DEPENDING ON ONLINE-N.", {"5 'T' STRUCT occurs9 depending ONLINE_N"}},
      {"05 T OCCURS 5 INDEXED BY IX PIC X.", {"5 'T' CHAR 1.0 occurs5"}},
      {"05 T OCCURS 2 OCCURS 3.", {"5 'T' STRUCT occurs3"}},
      {"88 IS-RED VALUE 'R'.", {"88 'IS_RED' CONDITION LITERAL [R]"}},
      {"88 IS-RED VALUE \"it's\".", {"88 'IS_RED' CONDITION LITERAL [it's]"}},
      {"88 IS-BLANK VALUES ARE SPACES.", {"88 'IS_BLANK' CONDITION LITERAL [ ]"}},
      {"88 C VALUE 'A' 'B'.", {"88 'C' CONDITION LIST [A]"}},
      {"88 C VALUE 1 THRU 9.", {"88 'C' CONDITION RANGE [1]"}},
      {"88 C VALUE 1 through 9.", {"88 'C' CONDITION LIST [1]"}},
      {"88 C VALUE LOW-VALUES.", {"88 'C' CONDITION LOW []"}},
      {"88 C VALUE HIGH-VALUE.", {"88 'C' CONDITION HIGH []"}},
      {"88 C VALUE low-values.", {"88 'C' CONDITION LITERAL [low-values]"}},
      {"88 C VALUE 'AB\n.", {"88 'C' CONDITION LITERAL ['AB]"}},
      {"88 C VALUE 1.5.", {"88 'C' CONDITION LITERAL [1.5]"}},
      {"88 C VALUE -0.25.", {"88 'C' CONDITION LITERAL [-0.25]"}},
      {"88 C VALUE ZERO.", {"88 'C' CONDITION LITERAL [ZERO]"}},
      {"88 C.", {"88 'C' STRUCT"}},
      {"05 A PIC 9 VALUE 1 COMP.", {"5 'A' NUMERIC 1.0 usage4"}},
      {"05 N PIC S9(05) VALUE +4 COMP-5.", {"5 'N' NUMERIC 5.0 S usage4"}},
      {"05 N PIC X VALUE 'COMP' OCCURS 2.", {"5 'N' CHAR 1.0 occurs2"}},
      {"05 N PIC 9(3) VALUE 1.5 SYNC.", {"5 'N' NUMERIC 3.0 sync"}},
      {"05 N PIC X VALUE 'A' 'B' JUNK.", {"5 'N' CHAR 1.0"}},
      {"05 A PIC 9(5).\n05 B PIC X.", {"5 'A' NUMERIC 5.0", "5 'B' CHAR 1.0"}},
      {"05 A PIC S9 SIGN IS LEADING SEPARATE CHARACTER.",
       {"5 'A' NUMERIC 1.0 S sign leading separate"}},
      {"05 A PIC S9 SIGN TRAILING.", {"5 'A' NUMERIC 1.0 S sign"}},
      {"05 A PIC X SIGN.", {"5 'A' CHAR 1.0 sign"}},
      {"05 B REDEFINES A-1 PIC X.", {"5 'B' CHAR 1.0 redefines A_1"}},
      // OCCURS after REDEFINES makes the side record whole: the name stays.
      {"05 B REDEFINES A OCCURS 2 PIC X.", {"5 'B' CHAR 1.0 occurs2 redefines A"}},
      {"05 FILLER PIC X.", {"5 'FILLER' CHAR 1.0"}},
      {"05 'Q' PIC X.", {"5 ''Q'' CHAR 1.0"}},
      {"05 A\tPIC.", {"5 'A\tPIC' STRUCT"}},
      {"05 A PIC X(\n2).", {"5 'A' CHAR 2.0"}},
      {"05 A PIC\n* comment between\n  X.", {"5 'A' CHAR 1.0"}},
      {"01 A.\n   05 B PIC X.", {"1 'A' STRUCT", "5 'B' CHAR 1.0"}},
  };
  for (const RecordCase& c : cases) {
    ParseResult parsed = Parse(c.text);
    EXPECT_EQ(parsed.result, 1) << c.text << "\n" << parsed.output;
    EXPECT_EQ(parsed.records, c.records) << c.text;
    EXPECT_EQ(parsed.output, "") << c.text;
  }
}

struct DiagnosticCase {
  const char* text;
  const char* output;
  size_t records;  // records handed out, the failing one included
};

TEST_F(EntryTest, DiagnosticsWithTheirPositions) {
  const DiagnosticCase cases[] = {
      {"AB PIC X.", "At offset 7 on line 1 of file 'F' 'AB' found where number expected.\n", 0},
      {"05", "At offset 7 on line 1 of file 'F' Unexpected end of file\n", 0},
      {"05 A", "At offset 10 on line 1 of file 'F' Unexpected end of file\n", 1},
      {"05 A PIC X(5)", "At offset 19 on line 1 of file 'F' Unexpected end of file\n", 1},
      {"99999999999 A.", "At offset 7 on line 1 of file 'F' '99999999999' is larger than 2147483647.\n", 0},
      {"05 A OCCURS 2147483648.",
       "At offset 19 on line 1 of file 'F' '2147483648' is larger than 2147483647.\n", 1},
      {"05 A PIC 9X.", "At offset 17 on line 1 of file 'F' Unexpected PIC type 'X'\n", 1},
      {"05 A COMP-1 PIC X.", "At offset 23 on line 1 of file 'F' Unexpected PIC type 'X'\n", 1},
      {"05 A PIC 9(5)VV9.",
       "At offset 21 on line 1 of file 'F' Unexpected decimal point character 'V' in PIC.", 1},
      {"05 A PIC 9P9V9.",
       "At offset 19 on line 1 of file 'F' Unexpected decimal point character 'V' in PIC.", 1},
      {"05 A PIC PPP999.",
       "At offset 17 on line 1 of file 'F' Unexpected decimal point character 'P' in PIC.", 1},
      {"05 A PIC X (5).", "At offset 18 on line 1 of file 'F' '(' found where not expected.\n", 1},
      {"05 A PIC S(2).", "At offset 17 on line 1 of file 'F' '(' found where not expected.\n", 1},
      {"05 A PIC 9(5.", "At offset 20 on line 1 of file 'F' Expected ')'.\n", 1},
      {"05 A PIC 9(A).", "At offset 18 on line 1 of file 'F' 'A' found where number expected.\n", 1},
      {"05 A PIC X(2147483647)X.",
       "At offset 29 on line 1 of file 'F' PIC holds more than 2147483647 positions.\n", 1},
      {"05 A PIC ZZ9.", "At offset 16 on line 1 of file 'F' Unexpected token found 'ZZ9'\n", 1},
      {"05 A PIC sv99.", "At offset 16 on line 1 of file 'F' Unexpected token found 'sv99'\n", 1},
      {"05 A PIC X(5) DISPLAY.",
       "At offset 21 on line 1 of file 'F' 'DISPLAY' specified on non-numeric field.\n"
       "At offset 21 on line 1 of file 'F' Unexpected token found 'DISPLAY'\n", 1},
      {"05 A PIC X SYNC.", "At offset 18 on line 1 of file 'F' 'SYNC' specified on non-numeric field.\n", 1},
      {"05 A PIC 9 COMP COMP-3.",
       "At offset 23 on line 1 of file 'F' COMP type already set.\n"
       "At offset 23 on line 1 of file 'F' Unexpected token found 'COMP-3'\n", 1},
      {"05 A REDEFINES B REDEFINES C.",
       "At offset 24 on line 1 of file 'F' Did not expected nested REDEFINES option.\n", 1},
      {"05 A PICTURE X.", "At offset 12 on line 1 of file 'F' Unexpected token found 'PICTURE'\n", 1},
      {"05 A JUSTIFIED.", "At offset 12 on line 1 of file 'F' Unexpected token found 'JUSTIFIED'\n", 1},
      {"05 A PIC X LEADING.", "At offset 18 on line 1 of file 'F' Unexpected token found 'LEADING'\n", 1},
      {"05 A INDEX.", "At offset 12 on line 1 of file 'F' Unexpected token found 'INDEX'\n", 1},
      {"05 A USAGE IS INDEX.", "At offset 21 on line 1 of file 'F' Unexpected token found 'INDEX'\n", 1},
      {"05 A OCCURS X.", "At offset 19 on line 1 of file 'F' 'X' found where number expected.\n", 1},
      {"05 T OCCURS 5 INDEXED BY I1 I2.",
       "At offset 35 on line 1 of file 'F' Unexpected token found 'I2'\n", 1},
      {"05.\n05 A PIC X.", "At offset 7 on line 2 of file 'F' Unexpected token found '05'\n", 1},
      {"05 A\tPIC X.", "At offset 16 on line 1 of file 'F' Unexpected token found 'X'\n", 1},
      {"05 A PIC X VALUE 1.5\n", "At offset 24 on line 1 of file 'F' Unexpected end of file\n", 1},
      {"88 C VALUE 'A'", "At offset 18 on line 1 of file 'F' Unexpected end of file\n", 1},
      {"05 A PIC X VALUE", "At offset 18 on line 1 of file 'F' Unexpected end of file\n", 1},
      {"05 A PIC X VALUE 1.\n5 B.", "", 2},
      {"05 A PIC X VALUE.\n05 B PIC X.", "", 2},
      {"05 A OCCURS 2 DEPENDING ON", "At offset 31 on line 1 of file 'F' Unexpected end of file\n", 1},
      {"05 A PIC X(5)  .\n05 B PIC X(5)Y.",
       "At offset 20 on line 2 of file 'F' Unexpected token found 'Y'\n", 2},
  };
  for (const DiagnosticCase& c : cases) {
    ParseResult parsed = Parse(c.text);
    EXPECT_EQ(parsed.result, c.output[0] ? 0 : 1) << c.text;
    EXPECT_EQ(parsed.output, c.output) << c.text;
    EXPECT_EQ(parsed.records.size(), c.records) << c.text;
  }
}

// Columns: the code area, comment lines, short lines and the indicator.
TEST_F(EntryTest, CodeAreaColumns) {
  // A word that runs up to column 72 ends there; what follows is ignored.
  std::string line72 = "       05 A PIC X(5)." + std::string(51 - 21 + 21, ' ');
  line72 = "       05 " + std::string(62, 'N') + "SEQUENCE\n       01 B PIC X.";
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
      {"SYNC", KW_SYNC}, {"synchronized", KW_SYNC}, {"USAGE", KW_USAGE}, {"usages", KW_USAGE},
      {"value", KW_VALUE}, {"VALUES", KW_VALUE},
      {"", KW_NONE}, {"COMP-6", KW_NONE}, {"COMPUTATIONAL-", KW_NONE}, {"PICTURE", KW_NONE},
      {"PI", KW_NONE}, {"SYN", KW_NONE}, {"SIGNS", KW_NONE}, {"VALUESS", KW_NONE},
      {"'PIC'", KW_NONE}, {"ZERO", KW_NONE}, {"[", KW_NONE}, {"\xC3PIC", KW_NONE}};
  for (const auto& [word, keyword] : cases) EXPECT_EQ(ClassifyWord(word), keyword) << word;
}

// Read as a compiler does: text as Parse takes it, with raw lines when the
// text begins with a tab or the indicator area.
struct CompilerCase {
  std::string text;
  std::vector<std::string> records;
  std::string output;  // a failure's message; none: success
};

TEST_F(EntryTest, ReadAsACompilerDoes) {
  const std::string continued = "AB" + std::string(51, ' ') + "CD";
  const CompilerCase cases[] = {
      {"05 A PICTURE IS x(10) JUST RIGHT.", {"5 'A' CHAR 10.0"}, ""},
      {"05 A pic s9(5)v99 comp-3.", {"5 'A' NUMERIC 5.2 S V usage3"}, ""},
      {"05 A PIC -ZZ,ZZ9.99.", {"5 'A' CHAR 10.0"}, ""},
      {"05 A PIC $$$,$$9.99CR BLANK WHEN ZERO.", {"5 'A' CHAR 12.0"}, ""},
      {"05 A PIC XXBXX/00db.", {"5 'A' CHAR 10.0"}, ""},
      {"05 A PIC PPP999 COMP.", {"5 'A' NUMERIC 0.3 V usage4"}, ""},
      {"05 A PIC 999PPP.", {"5 'A' NUMERIC 3.0"}, ""},
      {"05 A PIC SVPP99.", {"5 'A' NUMERIC 0.2 S V"}, ""},
      {"05 A PIC N(4).", {"5 'A' HEX 8.0"}, ""},
      {"05 A PIC G(2) USAGE DISPLAY-1.", {"5 'A' HEX 4.0 usage9"}, ""},
      {"05 A PIC X(3) USAGE NATIONAL.", {"5 'A' CHAR 3.0 usage8"}, ""},
      {"05 A USAGE IS INDEX.", {"5 'A' NUMERIC usage7"}, ""},
      {"05 A PIC X VALUE X'2E' EXTERNAL GLOBAL.", {"5 'A' CHAR 1.0"}, ""},
      {"05 A PIC X(4) VALUE 'IT''S. ' DISPLAY.", {"5 'A' CHAR 4.0"}, ""},
      {"05 A PIC 9(3) VALUES ARE ALL '9' SYNC RIGHT.", {"5 'A' NUMERIC 3.0 sync"}, ""},
      {"05 T OCCURS 3 INDEXED BY I1 I2 ASCENDING KEY IS K1 K2\nDEPENDING ON N-1 OF G PIC X.",
       {"5 'T' CHAR 1.0 occurs3 depending N_1"}, ""},
      {"05 A PIC S9 LEADING SEPARATE CHARACTER.", {"5 'A' NUMERIC 1.0 S sign leading separate"}, ""},
      {"66 B RENAMES A THRU C.", {"66 'B' STRUCT"}, ""},
      {"05 PICTURE X.", {"5 '' CHAR 1.0"}, ""},
      {"88 C VALUE 'IT''S'.", {"88 'C' CONDITION LITERAL [IT''S]"}, ""},
      {"05 A PIC X", {"5 'A' CHAR 1.0"}, ""},
      {"\t05 A\tPIC X.", {"5 'A' CHAR 1.0"}, ""},
      {"       05 A PIC X(1\n      -    0).", {"5 'A' CHAR 10.0"}, ""},
      {"       88 C VALUE 'AB\n      -    'CD'.", {"88 'C' CONDITION LITERAL [" + continued + "]"}, ""},
      {"      * note\n      D 05 X PIC X.\n      / page\n       05 A PIC X. *> note\n"
       "       05 B PIC X. *> '",
       {"5 'A' CHAR 1.0", "5 'B' CHAR 1.0"}, ""},
      {"      X05 A PIC X.", {}, "At offset 6 on line 1 of file 'F' Unknown indicator 'X'\n"},
      {"      -05 A PIC X.", {},
       "At offset 6 on line 1 of file 'F' Continuation line with nothing to continue\n"},
      {"       88 C VALUE 'AB\n      -    CD'.", {},
       "At offset 11 on line 2 of file 'F' A continued literal must go on after a quote\n"},
      {"05 A PIC 9(5)VV9.", {"5 'A' STRUCT"},
       "At offset 21 on line 1 of file 'F' Unexpected decimal point character 'V' in PIC."},
      {"05 A PIC 9(5.", {"5 'A' STRUCT"}, "At offset 19 on line 1 of file 'F' Expected ')'.\n"},
      {"05 A PIC 9Q.", {"5 'A' STRUCT"},
       "At offset 17 on line 1 of file 'F' Unexpected PIC character 'Q'\n"},
      {"05 A PIC s9(3).99.", {"5 'A' STRUCT"},
       "At offset 16 on line 1 of file 'F' PIC character 's' can not be in this picture\n"},
      {"05 A PIC XV9.", {"5 'A' STRUCT"},
       "At offset 17 on line 1 of file 'F' PIC character 'V' can not be in this picture\n"},
      {"05 A COMP-1 PIC X.", {"5 'A' NUMERIC usage1"},
       "At offset 23 on line 1 of file 'F' Unexpected PIC type 'X'\n"},
      {"05 A PIC X BLANK WHEN ONE.", {"5 'A' CHAR 1.0"},
       "At offset 29 on line 1 of file 'F' Expected ZERO after BLANK.\n"},
      {"05 A PIC 9 VALUE.", {"5 'A' NUMERIC 1.0"},
       "At offset 23 on line 1 of file 'F' VALUE without a value.\n"},
      {"05 T OCCURS 2 INDEXED BY PIC X.", {"5 'T' STRUCT"},
       "At offset 32 on line 1 of file 'F' Name expected before 'PIC'.\n"},
      {"05 A PIC X COMP.", {"5 'A' CHAR 1.0"},
       "At offset 18 on line 1 of file 'F' 'COMP' specified on non-numeric field.\n"},
      {"05 A PIC 9 COMP COMP-3.", {"5 'A' NUMERIC 1.0 usage4"},
       "At offset 23 on line 1 of file 'F' COMP type already set.\n"},
      {"05 A USAGE IS JUNK.", {"5 'A' STRUCT"},
       "At offset 21 on line 1 of file 'F' Unexpected token found 'JUNK'\n"},
      {"05 T OCCURS X.", {"5 'T' STRUCT"},
       "At offset 19 on line 1 of file 'F' 'X' found where number expected.\n"},
      {"05 T OCCURS 1 TO X.", {"5 'T' STRUCT"},
       "At offset 24 on line 1 of file 'F' 'X' found where number expected.\n"},
      {"COPY .", {}, "At offset 12 on line 1 of file 'F' COPY member name expected\n"},
      {"01 R.\nCOPY", {}, "At offset 11 on line 2 of file 'F' COPY member name expected\n"},
      {"COPY A REPLACING X Y.", {},
       "At offset 26 on line 1 of file 'F' BY expected in COPY REPLACING\n"},
      {"COPY A REPLACING X BY .", {},
       "At offset 29 on line 1 of file 'F' COPY REPLACING operand expected\n"},
      {"COPY A REPLACING ==  == BY ==B==.", {},
       "At offset 24 on line 1 of file 'F' Empty pseudo-text to replace in COPY REPLACING\n"},
      {"05 A PIC X.\nCOPY A", {},
       "At offset 13 on line 2 of file 'F' COPY statement not ended by a period\n"},
      {"COPY 'A'.", {}, "At offset 7 on line 1 of file 'F' COPY member 'A' not found in: D\n"},
      {"COPY rec.", {}, "At offset 7 on line 1 of file 'F' COPY 'rec' includes itself\n"},
  };
  CobolMode = true;
  for (const CompilerCase& c : cases) {
    bool raw = c.text[0] == '\t' || c.text.compare(0, 6, "      ") == 0;
    ParseResult parsed = Parse(c.text, raw);
    EXPECT_EQ(parsed.result, c.output.empty() ? 1 : 0) << c.text;
    EXPECT_EQ(parsed.output, c.output) << c.text;
    EXPECT_EQ(parsed.records, c.records) << c.text;
  }
}

}  // namespace
