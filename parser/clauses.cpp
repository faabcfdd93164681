// The clause loop, and the clauses that fit in a few lines: REDEFINES,
// SYNC, SIGN, and those that change no storage.
#include "parser/clauses.h"

#include "driver/settings.h"
#include "parser/compiler_picture.h"
#include "parser/picture.h"

Keyword ClauseKeyword(std::string_view token) {
  if (!ReadsCompilerGrammar()) {
    Keyword keyword = ClassifyWord(token);
    return keyword < KW_FIRST_COMPILER_WORD ? keyword : KW_NONE;
  }
  Keyword keyword = ClassifyWholeWord(token);
  return keyword < KW_FIRST_OTHER_USAGE || CurrentDialect->otherCompilersUsages ? keyword : KW_NONE;
}

static int ParseRedefines(TokenCursor* cursor, FieldNode* node) {
  if (node->redefineRole == RR_REDEFINES) {
    return ReportAt(cursor->token, "Did not expected nested REDEFINES option.\n");
  }
  RedefineExtra* extra = RedefineExtraOf(node);
  if (!extra || !GetToken(cursor, true)) return 0;
  node->redefineRole = RR_REDEFINES;
  extra->redefinesName = TokenText(cursor);
  return GetToken(cursor, true);
}

// By default SYNC needs a number; a compiler takes it on any item, with
// LEFT or RIGHT, and it aligns binary and floating items only.
static int ParseSync(TokenCursor* cursor, FieldNode* node) {
  bool compiler = ReadsCompilerGrammar();
  if (!compiler && node->type != FT_UNSET && node->type != FT_NUMERIC) {
    return ReportAt(cursor->token, "'%.*s' specified on non-numeric field.\n", cursor->length,
                    cursor->token);
  }
  node->isSync = true;
  if (!GetToken(cursor, true)) return 0;
  return !compiler || (SkipWord(cursor, "LEFT") && SkipWord(cursor, "RIGHT"));
}

// SIGN [IS] LEADING|TRAILING [SEPARATE [CHARACTER]], its words in any
// order; a compiler also takes LEADING or TRAILING without SIGN, and then
// in this order.
static int ParseSign(TokenCursor* cursor, FieldNode* node) {
  node->hasSignClause = true;
  Keyword keyword = ClauseKeyword(TokenText(cursor));
  if (keyword != KW_SIGN) {
    node->signLeading = keyword == KW_LEADING;
    if (!GetToken(cursor, true)) return 0;
    if (!IsWord(TokenText(cursor), "SEPARATE")) return 1;
    node->signSeparate = true;
    return GetToken(cursor, true) && SkipWord(cursor, "CHARACTER");
  }
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

static int PassBlankWhenZero(TokenCursor* cursor) {
  if (!GetToken(cursor, true) || !SkipWord(cursor, "WHEN")) return 0;
  std::string_view token = TokenText(cursor);
  if (!IsWord(token, "ZERO") && !IsWord(token, "ZEROS") && !IsWord(token, "ZEROES")) {
    return ReportAt(cursor->token, "Expected ZERO after BLANK.\n");
  }
  return GetToken(cursor, true);
}

// RENAMES a [THRU b]: a second name for storage described elsewhere.
static int PassRenames(TokenCursor* cursor) {
  while (!IsPeriod(cursor))
    if (!GetToken(cursor, true)) return 0;
  return 1;
}

// The clause that a word starts; every other word is tried as a usage.
static int ParseClause(TokenCursor* cursor, FieldNode* node) {
  switch (ClauseKeyword(TokenText(cursor))) {
    case KW_OCCURS: return ParseOccurs(cursor, node);
    case KW_PIC:
    case KW_PICTURE:
      return ReadsCompilerGrammar() ? ParseCompilerPicture(cursor, node) : ParsePicture(cursor, node);
    case KW_REDEFINES: return ParseRedefines(cursor, node);
    case KW_VALUE: return ParseValue(cursor, node);
    case KW_SYNC: return ParseSync(cursor, node);
    case KW_SIGN:
    case KW_LEADING:
    case KW_TRAILING: return ParseSign(cursor, node);
    // Clauses that change no storage.
    case KW_JUSTIFIED: return GetToken(cursor, true) && SkipWord(cursor, "RIGHT");
    case KW_BLANK: return PassBlankWhenZero(cursor);
    case KW_EXTERNAL: return GetToken(cursor, true);
    case KW_RENAMES: return PassRenames(cursor);
    default: return ParseUsage(cursor, node);
  }
}

int ParseEntryClauses(TokenCursor* cursor, FieldNode* node) {
  int ok = 1;
  while (ok && !IsPeriod(cursor)) ok = ParseClause(cursor, node);
  if (node->type == FT_UNSET) node->type = FT_STRUCT;
  return ok;
}
