// Compiler clauses: every clause of a data description entry that takes or
// shapes storage is read; the ones that change no storage are passed over.
#include "parser/compiler_clauses.h"

#include <cstdio>

#include "driver/settings.h"
#include "parser/clauses.h"
#include "parser/compiler_picture.h"
#include "parser/picture.h"

namespace {

constexpr int32_t CONDITION_LEVEL = 88;

struct UsageWord {
  std::string_view word;
  FieldUsage usage;
};

// Usages a compiler adds to those of LookUpUsage.
constexpr UsageWord MORE_USAGE_WORDS[] = {
    {"INDEX", FU_INDEX},
    {"NATIONAL", FU_NATIONAL},
    {"DISPLAY-1", FU_DISPLAY1},
};

int32_t LookUpCompilerUsage(std::string_view word) {
  for (const UsageWord& entry : MORE_USAGE_WORDS)
    if (IsWord(word, entry.word)) return entry.usage;
  return LookUpUsage(word);
}

bool IsPeriod(const TokenCursor* cursor) {
  return !cursor->quoted && TokenText(cursor) == ".";
}

bool Next(TokenCursor* cursor) { return GetToken(cursor, true); }

// Words that begin a clause, or a phrase of OCCURS; names of keys and
// indexes run up to one of them.
bool StartsClauseOrPhrase(const TokenCursor* cursor) {
  static constexpr std::string_view WORDS[] = {
      "PIC", "PICTURE", "USAGE", "VALUE", "VALUES", "OCCURS", "REDEFINES", "SIGN",
      "LEADING", "TRAILING", "JUST", "JUSTIFIED", "BLANK", "EXTERNAL", "GLOBAL",
      "DEPENDING", "ASCENDING", "DESCENDING", "INDEXED", "RENAMES"};
  std::string_view token = TokenText(cursor);
  if (cursor->quoted) return false;
  if (IsPeriod(cursor) || StartsWithWord(token, "SYNC") ||
      LookUpCompilerUsage(token) >= 0)
    return true;
  for (std::string_view word : WORDS)
    if (IsWord(token, word)) return true;
  return false;
}

int MissingName(const TokenCursor* cursor) {
  return ReportAt(cursor->token, "Name expected before '%.*s'.\n", cursor->length, cursor->token);
}

// Names up to the next clause or phrase; at least one.
int PassNames(TokenCursor* cursor) {
  do {
    if (!Next(cursor)) return 0;
  } while (!StartsClauseOrPhrase(cursor));
  return 1;
}

int ParseUsageWord(TokenCursor* cursor, FieldNode* node) {
  if (IsWord(TokenText(cursor), "USAGE")) {
    if (!Next(cursor)) return 0;
    if (IsWord(TokenText(cursor), "IS") && !Next(cursor)) return 0;
  }
  int32_t found = LookUpCompilerUsage(TokenText(cursor));
  if (found < 0) {
    return ReportAt(cursor->token, "Unexpected token found '%.*s'\n", cursor->length, cursor->token);
  }
  auto usage = static_cast<FieldUsage>(found);
  // Character usages suit any picture; the others need a number.
  bool character = usage == FU_DISPLAY || usage == FU_NATIONAL || usage == FU_DISPLAY1;
  if (!character && node->type != FT_UNSET && node->type != FT_NUMERIC) {
    return ReportAt(cursor->token, "'%.*s' specified on non-numeric field.\n", cursor->length, cursor->token);
  }
  if (node->type == FT_UNSET &&
      (usage == FU_COMP1 || usage == FU_COMP2 || usage == FU_POINTER ||
       usage == FU_PROCEDURE_POINTER || usage == FU_INDEX))
    node->type = FT_NUMERIC;  // these need no PICTURE
  if (node->usage != FU_DISPLAY && usage != FU_DISPLAY && node->usage != usage) {
    return ReportAt(cursor->token, "COMP type already set.\n");
  }
  if (usage != FU_DISPLAY) node->usage = usage;
  node->usageWritten = true;
  return Next(cursor);
}

// One value, ALL before a literal allowed; a condition name's values are
// read as before.
int ParseOneValue(TokenCursor* cursor, FieldNode* node) {
  if (node->level == CONDITION_LEVEL) return ParseValue(cursor, node);
  if (!Next(cursor)) return 0;
  std::string_view token = TokenText(cursor);
  if ((IsWord(token, "IS") || IsWord(token, "ARE")) && !Next(cursor)) return 0;
  if (IsWord(TokenText(cursor), "ALL") && !Next(cursor)) return 0;
  if (IsPeriod(cursor)) {
    return ReportAt(cursor->token, "VALUE without a value.\n");
  }
  return Next(cursor);
}

// OCCURS n [TO m] [TIMES], then DEPENDING ON, ASCENDING or DESCENDING KEY
// and INDEXED BY phrases in any order.
int ParseCompilerOccurs(TokenCursor* cursor, FieldNode* node) {
  int32_t bound;
  if (!Next(cursor) || !ParseNumber(TokenText(cursor), &bound) || !Next(cursor)) return 0;
  int32_t lowest = bound;
  if (IsWord(TokenText(cursor), "TO")) {
    if (!Next(cursor) || !ParseNumber(TokenText(cursor), &bound) || !Next(cursor)) return 0;
  }
  if (IsWord(TokenText(cursor), "TIMES") && !Next(cursor)) return 0;
  for (;;) {
    std::string_view token = TokenText(cursor);
    if (IsWord(token, "DEPENDING")) {
      if (!Next(cursor)) return 0;
      if (IsWord(TokenText(cursor), "ON") && !Next(cursor)) return 0;
      FieldExtra* extra = FieldExtraOf(node);
      if (!extra) return 0;
      extra->dependingName = TokenText(cursor);
      HyphensToUnderscores(const_cast<char*>(cursor->token), cursor->length);
      if (!Next(cursor)) return 0;
      while (IsWord(TokenText(cursor), "OF") || IsWord(TokenText(cursor), "IN"))
        if (!Next(cursor) || !Next(cursor)) return 0;  // a qualifier
    } else if (IsWord(token, "ASCENDING") || IsWord(token, "DESCENDING")) {
      if (!Next(cursor)) return 0;
      if (IsWord(TokenText(cursor), "KEY") && !Next(cursor)) return 0;
      if (IsWord(TokenText(cursor), "IS") && !Next(cursor)) return 0;
      if (StartsClauseOrPhrase(cursor)) return MissingName(cursor);
      if (!PassNames(cursor)) return 0;
    } else if (IsWord(token, "INDEXED")) {
      if (!Next(cursor)) return 0;
      if (IsWord(TokenText(cursor), "BY") && !Next(cursor)) return 0;
      if (StartsClauseOrPhrase(cursor)) return MissingName(cursor);
      if (!PassNames(cursor)) return 0;
    } else {
      break;
    }
  }
  FieldExtra* extra = FieldExtraOf(node);
  if (!extra) return 0;
  extra->occursMax = bound;
  extra->occursMin = lowest;
  return 1;
}

// SIGN written without its word: LEADING or TRAILING [SEPARATE [CHARACTER]].
int ParseBareSign(TokenCursor* cursor, FieldNode* node) {
  node->hasSignClause = true;
  node->signLeading = IsWord(TokenText(cursor), "LEADING");
  if (!Next(cursor)) return 0;
  if (!IsWord(TokenText(cursor), "SEPARATE")) return 1;
  node->signSeparate = true;
  if (!Next(cursor)) return 0;
  return !IsWord(TokenText(cursor), "CHARACTER") || Next(cursor);
}

// Words that change no storage, passed over with their optional words.
int PassOver(TokenCursor* cursor, std::string_view optional1, std::string_view optional2) {
  if (!Next(cursor)) return 0;
  for (std::string_view word : {optional1, optional2})
    if (!word.empty() && IsWord(TokenText(cursor), word) && !Next(cursor)) return 0;
  return 1;
}

int PassBlankWhenZero(TokenCursor* cursor) {
  if (!PassOver(cursor, "WHEN", "")) return 0;
  std::string_view token = TokenText(cursor);
  if (!IsWord(token, "ZERO") && !IsWord(token, "ZEROS") && !IsWord(token, "ZEROES")) {
    return ReportAt(cursor->token, "Expected ZERO after BLANK.\n");
  }
  return Next(cursor);
}

// RENAMES a [THRU b]: a second name for storage described elsewhere.
int PassRenames(TokenCursor* cursor) {
  while (!IsPeriod(cursor))
    if (!Next(cursor)) return 0;
  return 1;
}

}  // namespace

int ParseCompilerClause(TokenCursor* cursor, FieldNode* node, int* result) {
  std::string_view token = TokenText(cursor);
  if (cursor->quoted) return 0;
  if (IsWord(token, "PIC") || IsWord(token, "PICTURE")) {
    *result = ParseCompilerPicture(cursor, node);
  } else if (IsWord(token, "USAGE") || LookUpCompilerUsage(token) >= 0) {
    *result = ParseUsageWord(cursor, node);
  } else if (IsWord(token, "VALUE") || IsWord(token, "VALUES")) {
    *result = ParseOneValue(cursor, node);
  } else if (IsWord(token, "OCCURS")) {
    *result = ParseCompilerOccurs(cursor, node);
  } else if (IsWord(token, "SYNC") || IsWord(token, "SYNCHRONIZED")) {
    node->isSync = true;  // aligns binary and floating items only
    *result = PassOver(cursor, "LEFT", "RIGHT");
  } else if (IsWord(token, "LEADING") || IsWord(token, "TRAILING")) {
    *result = ParseBareSign(cursor, node);
  } else if (IsWord(token, "JUST") || IsWord(token, "JUSTIFIED")) {
    *result = PassOver(cursor, "RIGHT", "");
  } else if (IsWord(token, "BLANK")) {
    *result = PassBlankWhenZero(cursor);
  } else if (IsWord(token, "EXTERNAL") || IsWord(token, "GLOBAL")) {
    *result = PassOver(cursor, "", "");
  } else if (IsWord(token, "RENAMES")) {
    *result = PassRenames(cursor);
  } else {
    return 0;
  }
  return 1;
}
