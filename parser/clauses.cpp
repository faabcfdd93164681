// The clauses of an entry: OCCURS, PIC, REDEFINES, VALUE, SYNC, SIGN and
// USAGE, a fixed subset of the data description grammar.
#include "parser/clauses.h"

#include <cstdio>

#include "driver/settings.h"
#include "parser/compiler_clauses.h"
#include "parser/picture.h"

constexpr int32_t CONDITION_LEVEL = 88;

struct UsageWord {
  std::string_view word;
  FieldUsage usage;
};

static constexpr UsageWord USAGE_WORDS[] = {
    {"PROCEDURE-POINTER", FU_PROCEDURE_POINTER},
    {"FUNCTION-POINTER", FU_POINTER},
    {"COMPUTATIONAL-1", FU_COMP1},
    {"COMPUTATIONAL-2", FU_COMP2},
    {"COMPUTATIONAL-3", FU_PACKED},
    {"COMPUTATIONAL-4", FU_BINARY},
    {"COMPUTATIONAL-5", FU_BINARY},
    {"PACKED-DECIMAL", FU_PACKED},
    {"COMPUTATIONAL", FU_BINARY},
    {"POINTER", FU_POINTER},
    {"DISPLAY", FU_DISPLAY},
    {"COMP-1", FU_COMP1},
    {"COMP-2", FU_COMP2},
    {"COMP-3", FU_PACKED},
    {"COMP-4", FU_BINARY},
    {"COMP-5", FU_BINARY},
    {"BINARY", FU_BINARY},
    {"COMP", FU_BINARY},
};

int32_t LookUpUsage(std::string_view word) {
  for (const UsageWord& entry : USAGE_WORDS)
    if (IsWord(word, entry.word)) return entry.usage;
  return -1;
}

static bool IsPeriod(const TokenCursor* cursor) {
  return !cursor->quoted && TokenText(cursor) == ".";
}

static void PrintToken(const char* format, const TokenCursor* cursor) {
  ReportPosition(cursor->token);
  std::printf(format, cursor->length, cursor->token);
}

static int RefuseOnNonNumeric(const TokenCursor* cursor, const FieldNode* node) {
  if (node->type != FT_UNSET && node->type != FT_NUMERIC) {
    PrintToken("'%.*s' specified on non-numeric field.\n", cursor);
    return 0;
  }
  return 1;
}

int ParseOccurs(TokenCursor* cursor, FieldNode* node) {
  int32_t bound;
  if (!GetToken(cursor, true) || !ParseNumber(TokenText(cursor), &bound) ||
      !GetToken(cursor, true))
    return 0;
  if (StartsWithWord(TokenText(cursor), "TO")) {
    if (!GetToken(cursor, true) || !ParseNumber(TokenText(cursor), &bound) ||
        !GetToken(cursor, true))
      return 0;
  }
  if (StartsWithWord(TokenText(cursor), "TIMES") && !GetToken(cursor, true)) return 0;
  if (StartsWithWord(TokenText(cursor), "DEPENDING")) {
    if (!GetToken(cursor, true)) return 0;
    if (IsWord(TokenText(cursor), "ON") && !GetToken(cursor, true)) return 0;
    node->dependingName = TokenText(cursor);
    HyphensToUnderscores(const_cast<char*>(cursor->token), cursor->length);
    if (!GetToken(cursor, true)) return 0;
  }
  if (StartsWithWord(TokenText(cursor), "INDEXED")) {
    // BY and one index name are passed over.
    for (int i = 0; i < 3; i++)
      if (!GetToken(cursor, true)) return 0;
  }
  node->occursMax = bound;
  return 1;
}

int ParseUsage(TokenCursor* cursor, FieldNode* node) {
  if (StartsWithWord(TokenText(cursor), "USAGE")) {
    if (!GetToken(cursor, true)) return 0;
    if (StartsWithWord(TokenText(cursor), "IS") && !GetToken(cursor, true)) return 0;
  }
  int32_t found = LookUpUsage(TokenText(cursor));
  if (found < 0 || !RefuseOnNonNumeric(cursor, node)) return 0;
  auto usage = static_cast<FieldUsage>(found);
  if (node->type == FT_UNSET && (usage == FU_COMP1 || usage == FU_COMP2 ||
                                 usage == FU_POINTER || usage == FU_PROCEDURE_POINTER))
    node->type = FT_NUMERIC;  // these need no PICTURE
  if (node->usage != FU_DISPLAY && node->usage != usage) {
    ReportPosition(cursor->token);
    std::printf("COMP type already set.\n");
    return 0;
  }
  node->usage = usage;
  return GetToken(cursor, true);
}

// A token that starts a clause ends the values of a VALUE clause.
static bool StartsClause(const TokenCursor* cursor) {
  std::string_view token = TokenText(cursor);
  return !cursor->quoted &&
         (IsWord(token, "OCCURS") || IsWord(token, "PIC") ||
          IsWord(token, "REDEFINES") || StartsWithWord(token, "SYNC") ||
          IsWord(token, "SIGN") || StartsWithWord(token, "USAGE") ||
          LookUpUsage(token) >= 0);
}

static void RecordConditionValue(const TokenCursor* cursor, FieldNode* node) {
  std::string_view token = TokenText(cursor);
  node->type = FT_CONDITION;
  node->valueKind = VK_LITERAL;
  if (cursor->quoted && token.size() >= 2 && token.back() == token.front()) {
    node->valueText = token.substr(1, token.size() - 2);
  } else if (StartsWithWord(token, "SPACE")) {
    node->valueText = " ";
  } else if (StartsWithExactly(token, "LOW-VALUE")) {
    node->valueKind = VK_LOW_VALUE;
  } else if (StartsWithExactly(token, "HIGH-VALUE")) {
    node->valueKind = VK_HIGH_VALUE;
  } else {
    node->valueText = token;
  }
}

int ParseValue(TokenCursor* cursor, FieldNode* node) {
  if (!GetToken(cursor, true)) return 0;
  std::string_view token = TokenText(cursor);
  if ((StartsWithWord(token, "IS") || StartsWithWord(token, "ARE")) &&
      !GetToken(cursor, true))
    return 0;
  if (node->level == CONDITION_LEVEL) {
    // Only the first value is recorded; the rest are passed over.
    RecordConditionValue(cursor, node);
    if (!GetToken(cursor, true)) return 0;
    if (IsPeriod(cursor)) return 1;
    token = TokenText(cursor);
    node->valueKind = StartsWithExactly(token, "THRU") || StartsWithExactly(token, "THROUGH")
                          ? VK_RANGE
                          : VK_LIST;
    while (!IsPeriod(cursor))
      if (!GetToken(cursor, true)) return 0;
    return 1;
  }
  // Elsewhere the values are passed over up to a clause that follows them.
  if (IsPeriod(cursor)) return 1;
  do {
    if (!GetToken(cursor, true)) return 0;
  } while (!IsPeriod(cursor) && !StartsClause(cursor));
  return 1;
}

int ParseSign(TokenCursor* cursor, FieldNode* node) {
  node->hasSignClause = true;
  for (;;) {
    if (!GetToken(cursor, true)) return 0;
    std::string_view token = TokenText(cursor);
    if (IsWord(token, "LEADING")) {
      node->signLeading = true;
    } else if (IsWord(token, "TRAILING")) {
      node->signLeading = false;
    } else if (IsWord(token, "SEPARATE")) {
      node->signSeparate = true;
    } else if (!IsWord(token, "IS") && !IsWord(token, "CHARACTER")) {
      return 1;
    }
  }
}

int ParseRedefines(TokenCursor* cursor, FieldNode* node) {
  if (node->redefineRole == RR_REDEFINES) {
    ReportPosition(cursor->token);
    std::printf("Did not expected nested REDEFINES option.\n");
    return 0;
  }
  if (!GetToken(cursor, true)) return 0;
  node->redefineRole = RR_REDEFINES;
  node->redefinesName = TokenText(cursor);
  HyphensToUnderscores(const_cast<char*>(cursor->token), cursor->length);
  return GetToken(cursor, true);
}

static int ParseSync(TokenCursor* cursor, FieldNode* node) {
  if (!RefuseOnNonNumeric(cursor, node)) return 0;
  node->isSync = true;
  return GetToken(cursor, true);
}

// The whole data description grammar, as a compiler reads it.
static bool ReadsCompilerClauses() { return CobolMode; }

// The clause that a word starts; every other word is tried as a usage
// (words of fewer than four letters are tried as nothing else).
static int ParseClause(TokenCursor* cursor, FieldNode* node, bool* asUsage) {
  std::string_view token = TokenText(cursor);
  *asUsage = false;
  int result;
  if (ReadsCompilerClauses() && ParseCompilerClause(cursor, node, &result)) return result;
  if (IsWord(token, "OCCURS")) return ParseOccurs(cursor, node);
  if (IsWord(token, "PIC")) return ParsePicture(cursor, node);
  if (IsWord(token, "REDEFINES")) return ParseRedefines(cursor, node);
  if (IsWord(token, "VALUE") || IsWord(token, "VALUES")) return ParseValue(cursor, node);
  if (StartsWithWord(token, "SYNC")) return ParseSync(cursor, node);
  if (IsWord(token, "SIGN")) return ParseSign(cursor, node);
  *asUsage = true;
  return ParseUsage(cursor, node);
}

int ParseEntryClauses(TokenCursor* cursor, FieldNode* node) {
  int ok = 1;
  while (ok && !IsPeriod(cursor)) {
    bool asUsage;
    ok = ParseClause(cursor, node, &asUsage);
    // Every word that is no clause ends here, after any usage message.
    if (!ok && asUsage) PrintToken("Unexpected token found '%.*s'\n", cursor);
  }
  if (node->type == FT_UNSET) node->type = FT_STRUCT;
  return ok;
}
