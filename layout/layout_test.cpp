// The laid-out tree of small copybooks, dumped as text: structures in list
// order with their members' final types, sizes, numbers and chains, plus
// every message the processing prints.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "driver/settings.h"
#include "layout/structure.h"
#include "source/source_file.h"

namespace {

namespace fs = std::filesystem;

std::string Dump() {
  std::ostringstream out;
  for (StructNode* s = StructureList; s; s = s->next) {
    out << (s == TopStructure ? "top " : "") << s->name;
    if (s->duplicateCount) out << "_" << s->duplicateCount;
    if (!s->shortName.empty()) out << " short " << s->shortName;
    out << " size " << s->size << "\n";
    for (FieldNode* m = s->members; m; m = m->next) {
      out << "  " << m->name;
      if (m->duplicateCount) out << "_" << m->duplicateCount;
      out << " " << FieldTypeName(m->type) << " " << m->size;
      const FieldExtra& extra = ExtraOf(m);
      if (extra.occursMax) out << " x" << extra.occursMax;
      if (m->structure) out << " ->" << m->structure->name;
      if (m->redefineRole == RR_REDEFINED) out << " heads";
      if (RedefinesOf(m).redefinesTarget) out << " redefines " << RedefinesOf(m).redefinesTarget->name;
      if (m->redefinePadding) out << " pad " << m->redefinePadding;
      if (m->alignRemainder) out << " rem " << int{m->alignRemainder};
      for (FieldNode* c = extra.conditions; c; c = c->next) out << " ?" << c->name;
      out << "\n";
    }
  }
  return out.str();
}

struct LayoutCase {
  const char* name;
  const char* options;  // b<n> binary size, a, r warnings, S= structure, P= prefix
  const char* copybook;
  const char* expected;  // messages, then the dump (or only messages on failure)
};

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, Dump) {
  const LayoutCase& c = GetParam();
  ResetSettings();
  ResetLayout();
  StructureName = "R";
  std::istringstream options(c.options);
  for (std::string option; options >> option;) {
    if (option[0] == 'b') MinBinarySize = std::stoi(option.substr(1));
    if (option == "a") WarningFlags |= WARN_UNALIGNED;
    if (option == "r") WarningFlags |= WARN_REDEFINE_LENGTH;
    if (option.rfind("S=", 0) == 0) StructureName = option.substr(2);
    if (option.rfind("P=", 0) == 0) StripPrefix = option.substr(2), StripPrefixLength = StripPrefix.size();
  }
  char pattern[] = "/tmp/recforge-layout-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path path = fs::path(pattern) / "rec.cpy";
  std::ofstream copybook(path);
  std::istringstream lines(c.copybook);
  for (std::string line; std::getline(lines, line);) copybook << "       " << line << "\n";
  copybook.close();
  SourceFile* file = LoadSourceFile(path.string());
  ASSERT_NE(file, nullptr);
  testing::internal::CaptureStdout();
  int result = ProcessCopybook(file);
  std::string out = testing::internal::GetCapturedStdout();
  if (result) out += Dump();
  for (size_t at; (at = out.find(path.string())) != std::string::npos;)
    out.replace(at, path.string().size(), "F");
  EXPECT_EQ(out, c.expected);
  fs::remove_all(pattern);
}

const LayoutCase CASES[] = {
    {"empty", "", "",
     "Structure R is 0 (0x00000000) bytes long\n"
     "top R size 0\n"},
    {"collapse_same_name", "S=REC",
     "01 REC.\n 05 A PIC X.",
     "Structure REC is 1 (0x00000001) bytes long\n"
     "top REC size 1\n  A char 1\n"},
    {"no_collapse_other_name", "S=OUT",
     "01 REC.\n 05 A PIC X.",
     "Structure OUT is 1 (0x00000001) bytes long\n"
     "REC size 1\n  A char 1\n"
     "top OUT size 1\n  REC struct 0 ->REC\n"},
    {"no_collapse_single_elementary", "S=A",
     "01 A PIC X(3).",
     "Structure A is 3 (0x00000003) bytes long\n"
     "top A size 3\n  A char 3\n"},
    {"two_records_sum", "",
     "01 R1.\n 05 A PIC X(2).\n01 R2.\n 05 B PIC X(3).",
     "Structure R is 5 (0x00000005) bytes long\n"
     "R2 size 3\n  B char 3\nR1 size 2\n  A char 2\n"
     "top R size 5\n  R1 struct 0 ->R1\n  R2 struct 0 ->R2\n"},
    {"collapse_renumbers_namesake", "S=REC",
     "01 REC.\n 05 REC.\n  10 A PIC X.",
     "Structure REC is 1 (0x00000001) bytes long\n"
     "REC_2 size 1\n  A char 1\ntop REC size 1\n  REC struct 0 ->REC\n"},
    {"binary_size_b2", "b2", "01 R.\n 05 A PIC S99 COMP.\n 05 B PIC 9(5) COMP.",
     "Structure R is 6 (0x00000006) bytes long\ntop R size 6\n  A short 2\n  B uint32 4 rem 2\n"},
    {"binary_size_b3", "b3", "01 R.\n 05 A PIC S99 COMP.\n 05 B PIC 9(4) COMP.",
     "Structure R is 8 (0x00000008) bytes long\ntop R size 8\n  A int32 4\n  B uint32 4\n"},
    {"binary_size_b5", "b5", "01 R.\n 05 A PIC S99 COMP.\n 05 B PIC S9(4) COMP.",
     "Structure R is 16 (0x00000010) bytes long\ntop R size 16\n  A int64 8\n  B int64 8\n"},
    {"binary_size_b9_stays_8", "b9", "01 R.\n 05 A PIC S9(4) COMP.",
     "Structure R is 8 (0x00000008) bytes long\ntop R size 8\n  A int64 8\n"},
    {"binary_size_b0_and_negative", "b0", "01 R.\n 05 A PIC S99 COMP.",
     "Structure R is 1 (0x00000001) bytes long\ntop R size 1\n  A int8 1\n"},
    {"comp_one_digit_singular_at_level_77", "", "77 A PIC 9 COMP.",
     "COMPUTATIONAL field 'A' with 1 digit found. Minimum Binary Size must be provided "
     "using -b parameter\n"},
    {"comp_negative_b_is_no_b", "b-3", "01 R.\n 05 A PIC V9 COMP.",
     "COMPUTATIONAL field 'A' with 1 digit found. Minimum Binary Size must be provided "
     "using -b parameter\n"},
    {"structure_namesakes", "",
     "01 R.\n 05 DATE.\n  10 A PIC X.\n 05 G.\n  10 DATE.\n   15 B PIC X.\n 05 DATE.\n  10 C PIC X.",
     "Structure R is 3 (0x00000003) bytes long\n"
     "DATE_2 size 1\n  C char 1\nDATE_1 size 1\n  B char 1\nG size 1\n  DATE struct 0 ->DATE\n"
     "DATE size 1\n  A char 1\ntop R size 3\n  DATE struct 0 ->DATE\n  G struct 0 ->G\n"
     "  DATE struct 0 ->DATE\n"},
    {"conditions_hang_on_last_member", "",
     "01 R.\n 05 G.\n  10 A PIC X.\n  88 A-ON VALUE 'Y'.\n 05 H PIC X.\n 88 H-ON VALUE 'Y'.\n"
     " 88 H-OFF VALUE 'N'.\n77 B PIC X.\n88 AFTER-77 VALUE 'Q'.",
     "Structure R is 2 (0x00000002) bytes long\n"
     "G size 1\n  A char 1 ?A-ON\n"
     "top R size 2\n  G struct 0 ->G\n  H char 1 ?H-ON ?H-OFF ?AFTER-77\n"},
    {"condition_before_any_member", "",
     "88 DROPPED VALUE 'X'.\n01 R.\n 88 ON-GROUP VALUE 'X'.\n 05 A PIC X.",
     "Structure R is 1 (0x00000001) bytes long\n"
     "top R size 1\n  A char 1\n"},
    {"condition_on_group_entry", "S=OUT",
     "01 R.\n 88 ON-GROUP VALUE 'X'.\n 05 A PIC X.",
     "Structure OUT is 1 (0x00000001) bytes long\n"
     "R size 1\n  A char 1\ntop OUT size 1\n  R struct 0 ->R ?ON-GROUP\n"},
    {"levels_left_aside_and_level_zero", "",
     "01 R.\n 05 A PIC X.\n66 B.\n77 C PIC X(9).\n 05 D PIC X.\n0 E PIC X.\n"
     " 05 NEVER-READ PIC ZZZ.",
     "Structure R is 2 (0x00000002) bytes long\n"
     "top R size 2\n  A char 1\n  D char 1\n"},
    {"level_fifty_inherits_no_group_usage", "",
     "01 R.\n 05 G COMP.\n  10 A PIC S9(4).\n50 L PIC 99.",
     "Structure R is 2 (0x00000002) bytes long\n"
     "G size 2\n  A short 2\ntop R size 2\n  G struct 0 ->G\n"},
    {"level_between_group_levels_joins_group", "",
     "01 R.\n 05 G.\n  10 A PIC X.\n  07 B PIC X.\n 05 C PIC X.",
     "Structure R is 3 (0x00000003) bytes long\n"
     "G size 2\n  A char 1\n  B char 1\ntop R size 3\n  G struct 0 ->G\n  C char 1\n"},
    {"group_occurs_examined_once", "a",
     "01 R.\n 05 G OCCURS 2.\n  10 A PIC X.\n  10 B PIC S9(4) COMP.\n 05 C PIC S9(9) COMP.",
     "Field 'B' type short (size 2) at offset 0x00000001 is not aligned\n"
     "Field 'C' type int32 (size 4) at offset 0x00000006 is not aligned\n"
     "Structure R is 10 (0x0000000A) bytes long\n"
     "G size 3\n  A char 1\n  B short 2 rem 1\n"
     "top R size 10\n  G struct 0 x2 ->G\n  C int32 4 rem 2\n"},
    {"sync_adds_slack_not_remainder", "a",
     "01 R.\n 05 A PIC X.\n 05 B PIC S9(4) COMP SYNC.\n 05 C PIC X(6).\n"
     " 05 D PIC S9(9) COMP SYNC.\n 05 G SYNC.\n  10 E PIC X.",
     "Structure R is 17 (0x00000011) bytes long\n"
     "G size 1\n  E char 1\n"
     "top R size 17\n  A char 1\n  B short 2 rem 1\n  C char 6\n  D int32 4 rem 2\n"
     "  G struct 0 ->G\n"},
    {"redefines_equal_length", "r",
     "01 R.\n 05 A PIC X(4).\n 05 B REDEFINES A PIC S9(9) COMP.",
     "Structure R is 4 (0x00000004) bytes long\n"
     "top R size 4\n  A char 4 heads\n  B int32 4 redefines A\n"},
    {"redefines_without_warning_same_paddings", "",
     "01 R.\n 05 A PIC X(2).\n 05 B REDEFINES A PIC X(6).",
     "Structure R is 6 (0x00000006) bytes long\n"
     "top R size 6\n  A char 2 heads pad 4\n  B char 6 redefines A\n"},
    {"redefines_three_and_of_a_redefinition", "r",
     "01 R.\n 05 A PIC X(4).\n 05 B REDEFINES A PIC X(2).\n 05 C REDEFINES B PIC X(8).\n"
     " 05 D REDEFINES A PIC X(4).",
     "Structure R is 8 (0x00000008) bytes long\n"
     "Field 'A' (size 4) and its redefines differ in length\n"
     "  Redefine field 'B' (size 2)\n  Redefine field 'C' (size 8)\n  Redefine field 'D' (size 4)\n"
     "top R size 8\n  A char 4 heads pad 4\n  B char 2 redefines A pad 6\n"
     "  C char 8 redefines A\n  D char 4 redefines A pad 4\n"},
    {"redefines_not_found", "", "01 R.\n 05 B REDEFINES X PIC X.",
     "Did not find referenced REDEFINES field 'X'.\n"},
    {"redefines_forward", "", "01 R.\n 05 B REDEFINES C PIC X.\n 05 C PIC X.",
     "REDEFINES of 'C' must follow it in the same group.\n"},
    {"redefines_self", "", "01 R.\n 05 B REDEFINES B PIC X.",
     "REDEFINES of 'B' must follow it in the same group.\n"},
    {"redefines_not_adjacent", "", "01 R.\n 05 A PIC X.\n 05 B PIC X.\n 05 C REDEFINES A PIC X.",
     "REDEFINES of 'A' must follow it in the same group.\n"},
    {"redefines_cross_group", "",
     "01 R.\n 05 A PIC X.\n 05 G.\n  10 B REDEFINES A PIC X.",
     "REDEFINES of 'A' must follow it in the same group.\n"},
    {"redefines_condition_name_is_not_a_member", "",
     "01 R.\n 05 A PIC X.\n 88 C VALUE 'C'.\n 05 B REDEFINES C PIC X.",
     "Did not find referenced REDEFINES field 'C'.\n"},
    {"redefines_non_unique_warns", "",
     "01 R.\n 05 A PIC X.\n 05 B REDEFINES A PIC X(2).\n 05 A PIC X(2).",
     "REDEFINE of a non-unique field 'A' found.\n"
     "Structure R is 4 (0x00000004) bytes long\n"
     "top R size 4\n  A char 1 heads pad 1\n  B char 2 redefines A\n  A_1 char 2\n"},
    {"redefines_groups_in_occurs", "",
     "01 R.\n 05 T OCCURS 2.\n  10 A PIC X(6).\n  10 B REDEFINES A PIC S9(9) COMP-3.\n"
     "  10 C PIC X.\n 05 D PIC X.",
     "Structure R is 15 (0x0000000F) bytes long\n"
     "T size 7\n  A char 6 heads\n  B packed 5 redefines A pad 1\n  C char 1\n"
     "top R size 15\n  T struct 0 x2 ->T\n  D char 1\n"},
    {"group_usage_and_sign_inherited", "",
     "01 R.\n 05 AMOUNTS COMP-3.\n  10 A PIC S9(5).\n  10 IN.\n   15 B PIC 9(3).\n"
     " 05 C PIC S9(5).\n 05 S SIGN LEADING SEPARATE.\n  10 D PIC S9(3).\n  10 E PIC 9(3).\n"
     "  10 F PIC S9(3) SIGN TRAILING.",
     "Structure R is 20 (0x00000014) bytes long\n"
     "S size 10\n  D digits 4\n  E char 3\n  F opunch 3\n"
     "IN size 2\n  B upacked 2\n"
     "AMOUNTS size 5\n  A packed 3\n  IN struct 0 ->IN\n"
     "top R size 20\n  AMOUNTS struct 0 ->AMOUNTS\n  C opunch 5\n  S struct 0 ->S\n"},
    {"prefix_stripped_from_structures", "P=WS_ S=WS-OUT",
     "01 WS-REC.\n 05 WS-A PIC X.",
     "Structure WS-OUT is 1 (0x00000001) bytes long\n"
     "WS-REC short REC size 1\n  WS-A char 1\ntop WS-OUT size 1\n  WS-REC struct 0 ->WS-REC\n"},
    {"largest_sizes_accepted", "",
     "01 R.\n 05 A PIC X(2147483647).\n 05 B REDEFINES A PIC 9(2147483647).",
     "Structure R is 2147483647 (0x7FFFFFFF) bytes long\n"
     "top R size 2147483647\n  A char 2147483647 heads\n  B char 2147483647 redefines A\n"},
    {"display_digits_beyond_32_bits", "",
     "01 R.\n 05 A PIC 9(2000000000)V9(2000000000).",
     "Field 'A' is longer than 2147483647 bytes\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, LayoutTest, testing::ValuesIn(CASES),
                         [](const testing::TestParamInfo<LayoutCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
