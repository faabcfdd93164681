// The USAGE clause: USAGE [IS] and a usage word, or the usage word alone.
#include "parser/clauses.h"

// The usage a keyword names, or -1.
static int32_t UsageOf(Keyword keyword) {
  switch (keyword) {
    case KW_DISPLAY: return FU_DISPLAY;
    case KW_COMP1: return FU_COMP1;
    case KW_COMP2: return FU_COMP2;
    case KW_PACKED: return FU_PACKED;
    case KW_BINARY: return FU_BINARY;
    case KW_POINTER: return FU_POINTER;
    case KW_PROCEDURE_POINTER: return FU_PROCEDURE_POINTER;
    case KW_INDEX: return FU_INDEX;
    case KW_NATIONAL: return FU_NATIONAL;
    case KW_DISPLAY1: return FU_DISPLAY1;
    case KW_BINARY_CHAR: return FU_BINARY_CHAR;
    case KW_BINARY_SHORT: return FU_BINARY_SHORT;
    case KW_BINARY_LONG: return FU_BINARY_LONG;
    case KW_BINARY_DOUBLE: return FU_BINARY_DOUBLE;
    case KW_FLOAT_SHORT: return FU_COMP1;
    case KW_FLOAT_LONG: return FU_COMP2;
    case KW_COMP_X: return FU_COMP_X;  // COMP-N too: the same bytes in native order
    case KW_COMP6: return FU_COMP6;
    default: return -1;
  }
}

static bool IsFixedBinary(FieldUsage usage) {
  return usage >= FU_BINARY_CHAR && usage <= FU_BINARY_DOUBLE;
}

// Usages that give storage without a PICTURE.
static bool NeedsNoPicture(FieldUsage usage) {
  return usage == FU_COMP1 || usage == FU_COMP2 || usage == FU_POINTER ||
         usage == FU_PROCEDURE_POINTER || usage == FU_INDEX || IsFixedBinary(usage);
}

// Usages that suit an alphanumeric picture too.
static bool SuitsCharacters(FieldUsage usage) {
  return usage == FU_DISPLAY || usage == FU_NATIONAL || usage == FU_DISPLAY1 ||
         usage == FU_COMP_X;
}

// *unknown is set when the word names no usage; every other failure has
// been reported.
static int ReadUsage(TokenCursor* cursor, FieldNode* node, bool* unknown) {
  bool compiler = ReadsCompilerGrammar();
  if (ClauseKeyword(TokenText(cursor)) == KW_USAGE &&
      (!GetToken(cursor, true) || !SkipWord(cursor, "IS", PhraseMatch())))
    return 0;
  int32_t found = UsageOf(ClauseKeyword(TokenText(cursor)));
  if (found < 0) {
    *unknown = true;
    return 0;
  }
  auto usage = static_cast<FieldUsage>(found);
  // To a compiler, some usages suit any picture; the others need a number.
  bool character = compiler && SuitsCharacters(usage);
  if (!character && node->type != FT_UNSET && node->type != FT_NUMERIC) {
    return ReportAt(cursor->token, "'%.*s' specified on non-numeric field.\n", cursor->length,
                    cursor->token);
  }
  if (node->type == FT_UNSET && NeedsNoPicture(usage)) node->type = FT_NUMERIC;
  // To a compiler DISPLAY leaves any other usage written as it is.
  bool kept = compiler && usage == FU_DISPLAY;
  if (node->usage != FU_DISPLAY && node->usage != usage && !kept) {
    return ReportAt(cursor->token, "COMP type already set.\n");
  }
  if (!kept) node->usage = usage;
  node->usageWritten = true;
  if (!GetToken(cursor, true)) return 0;
  if (!IsFixedBinary(usage)) return 1;
  // BINARY-CHAR to BINARY-DOUBLE are signed unless UNSIGNED is written.
  std::string_view token = TokenText(cursor);
  node->isSigned = !IsWord(token, "UNSIGNED");
  return !(IsWord(token, "SIGNED") || IsWord(token, "UNSIGNED")) || GetToken(cursor, true);
}

int ParseUsage(TokenCursor* cursor, FieldNode* node) {
  bool unknown = false;
  if (ReadUsage(cursor, node, &unknown)) return 1;
  // A word that is no clause ends the entry here; by default the word of a
  // refused usage is named again.
  if (unknown || !ReadsCompilerGrammar())
    ReportAt(cursor->token, "Unexpected token found '%.*s'\n", cursor->length, cursor->token);
  return 0;
}
