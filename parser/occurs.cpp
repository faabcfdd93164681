// The OCCURS clause: OCCURS n [TO m] [TIMES], then its phrases. By default
// DEPENDING ON and INDEXED BY one index follow in this order; a compiler
// takes DEPENDING ON, ASCENDING or DESCENDING KEY and INDEXED BY in any
// order, with any number of keys and indexes.
#include "driver/settings.h"
#include "parser/clauses.h"
#include "parser/picture.h"

static int MissingName(const TokenCursor* cursor) {
  return ReportAt(cursor->token, "Name expected before '%.*s'.\n", cursor->length, cursor->token);
}

// Names up to the next clause, phrase or period; at least one.
static int PassNames(TokenCursor* cursor) {
  if (IsPeriod(cursor) || ClauseKeyword(TokenText(cursor)) != KW_NONE) return MissingName(cursor);
  do {
    if (!GetToken(cursor, true)) return 0;
  } while (!IsPeriod(cursor) && (cursor->quoted || ClauseKeyword(TokenText(cursor)) == KW_NONE));
  return 1;
}

// DEPENDING [ON] name, with its qualifiers to a compiler.
static int ReadDepending(TokenCursor* cursor, FieldNode* node) {
  if (!GetToken(cursor, true) || !SkipWord(cursor, "ON")) return 0;
  FieldExtra* extra = FieldExtraOf(node);
  if (!extra) return 0;
  extra->dependingName = TokenText(cursor);
  if (!GetToken(cursor, true)) return 0;
  if (!ReadsCompilerGrammar()) return 1;
  while (IsWord(TokenText(cursor), "OF") || IsWord(TokenText(cursor), "IN"))
    if (!GetToken(cursor, true) || !GetToken(cursor, true)) return 0;
  return 1;
}

// INDEXED [BY] names; by default the two tokens after INDEXED are passed
// over, taken as BY and one index name.
static int ReadIndexes(TokenCursor* cursor) {
  if (!ReadsCompilerGrammar()) {
    for (int i = 0; i < 3; i++)
      if (!GetToken(cursor, true)) return 0;
    return 1;
  }
  return GetToken(cursor, true) && SkipWord(cursor, "BY") && PassNames(cursor);
}

// ASCENDING|DESCENDING [KEY] [IS] names.
static int ReadKeys(TokenCursor* cursor) {
  return GetToken(cursor, true) && SkipWord(cursor, "KEY") && SkipWord(cursor, "IS") &&
         PassNames(cursor);
}

static int ReadPhrasesInAnyOrder(TokenCursor* cursor, FieldNode* node) {
  for (;;) {
    switch (ClauseKeyword(TokenText(cursor))) {
      case KW_DEPENDING:
        if (!ReadDepending(cursor, node)) return 0;
        break;
      case KW_KEY_ORDER:
        if (!ReadKeys(cursor)) return 0;
        break;
      case KW_INDEXED:
        if (!ReadIndexes(cursor)) return 0;
        break;
      default:
        return 1;
    }
  }
}

int ParseOccurs(TokenCursor* cursor, FieldNode* node) {
  WordMatch match = PhraseMatch();
  int32_t bound;
  if (!GetToken(cursor, true) || !ParseNumber(TokenText(cursor), &bound) ||
      !GetToken(cursor, true))
    return 0;
  int32_t lowest = bound;
  if (MatchesWord(TokenText(cursor), "TO", match) &&
      (!GetToken(cursor, true) || !ParseNumber(TokenText(cursor), &bound) ||
       !GetToken(cursor, true)))
    return 0;
  if (!SkipWord(cursor, "TIMES", match)) return 0;
  if (ReadsCompilerGrammar()) {
    if (!ReadPhrasesInAnyOrder(cursor, node)) return 0;
  } else {
    if (MatchesWord(TokenText(cursor), "DEPENDING", match) && !ReadDepending(cursor, node))
      return 0;
    if (MatchesWord(TokenText(cursor), "INDEXED", match) && !ReadIndexes(cursor)) return 0;
  }
  // A second OCCURS clause replaces the bound of the first.
  FieldExtra* extra = FieldExtraOf(node);
  if (!extra) return 0;
  extra->occursMax = bound;
  extra->occursMin = lowest;
  return 1;
}
