// The clauses of an entry: OCCURS, PIC, REDEFINES, VALUE, SYNC, SIGN and
// USAGE, a fixed subset of the data description grammar.
#include "parser/clauses.h"

#include <cstdio>

#include "driver/settings.h"
#include "parser/compiler_clauses.h"
#include "parser/picture.h"

constexpr int32_t CONDITION_LEVEL = 88;

static int32_t UsageOf(Keyword keyword) {
  switch (keyword) {
    case KW_DISPLAY: return FU_DISPLAY;
    case KW_COMP1: return FU_COMP1;
    case KW_COMP2: return FU_COMP2;
    case KW_PACKED: return FU_PACKED;
    case KW_BINARY: return FU_BINARY;
    case KW_POINTER: return FU_POINTER;
    case KW_PROCEDURE_POINTER: return FU_PROCEDURE_POINTER;
    default: return -1;
  }
}

int32_t LookUpUsage(std::string_view word) { return UsageOf(ClassifyWord(word)); }

static bool IsPeriod(const TokenCursor* cursor) {
  return !cursor->quoted && TokenText(cursor) == ".";
}

static void PrintToken(const char* format, const TokenCursor* cursor) {
  ReportAt(cursor->token, format, cursor->length, cursor->token);
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
  int32_t lowest = bound;
  if (StartsWithWord(TokenText(cursor), "TO")) {
    if (!GetToken(cursor, true) || !ParseNumber(TokenText(cursor), &bound) ||
        !GetToken(cursor, true))
      return 0;
  }
  if (StartsWithWord(TokenText(cursor), "TIMES") && !GetToken(cursor, true)) return 0;
  if (StartsWithWord(TokenText(cursor), "DEPENDING")) {
    if (!GetToken(cursor, true)) return 0;
    if (IsWord(TokenText(cursor), "ON") && !GetToken(cursor, true)) return 0;
    FieldExtra* extra = FieldExtraOf(node);
    if (!extra) return 0;
    extra->dependingName = TokenText(cursor);
    HyphensToUnderscores(const_cast<char*>(cursor->token), cursor->length);
    if (!GetToken(cursor, true)) return 0;
  }
  if (StartsWithWord(TokenText(cursor), "INDEXED")) {
    // BY and one index name are passed over.
    for (int i = 0; i < 3; i++)
      if (!GetToken(cursor, true)) return 0;
  }
  FieldExtra* extra = FieldExtraOf(node);
  if (!extra) return 0;
  extra->occursMax = bound;
  extra->occursMin = lowest;
  return 1;
}

int ParseUsage(TokenCursor* cursor, FieldNode* node) {
  Keyword keyword = ClassifyWord(TokenText(cursor));
  if (keyword == KW_USAGE) {
    if (!GetToken(cursor, true)) return 0;
    if (StartsWithWord(TokenText(cursor), "IS") && !GetToken(cursor, true)) return 0;
    keyword = ClassifyWord(TokenText(cursor));
  }
  int32_t found = UsageOf(keyword);
  if (found < 0 || !RefuseOnNonNumeric(cursor, node)) return 0;
  auto usage = static_cast<FieldUsage>(found);
  if (node->type == FT_UNSET && (usage == FU_COMP1 || usage == FU_COMP2 ||
                                 usage == FU_POINTER || usage == FU_PROCEDURE_POINTER))
    node->type = FT_NUMERIC;  // these need no PICTURE
  if (node->usage != FU_DISPLAY && node->usage != usage) {
    return ReportAt(cursor->token, "COMP type already set.\n");
  }
  node->usage = usage;
  node->usageWritten = true;
  return GetToken(cursor, true);
}

// A token that starts a clause ends the values of a VALUE clause.
static bool StartsClause(const TokenCursor* cursor) {
  Keyword keyword = ClassifyWord(TokenText(cursor));
  return !cursor->quoted && keyword != KW_NONE && keyword != KW_VALUE;
}

// A value of a condition: a literal's text, or a figurative constant.
static ValueKind ReadConditionValue(const TokenCursor* cursor, std::string_view* text) {
  std::string_view token = TokenText(cursor);
  *text = {};
  if (cursor->quoted && token.size() >= 2 && token.back() == token.front()) {
    *text = token.substr(1, token.size() - 2);
  } else if (StartsWithWord(token, "SPACE")) {
    *text = " ";
  } else if (StartsWithExactly(token, "LOW-VALUE")) {
    return VK_LOW_VALUE;
  } else if (StartsWithExactly(token, "HIGH-VALUE")) {
    return VK_HIGH_VALUE;
  } else {
    *text = token;
  }
  return VK_LITERAL;
}

static bool IsThru(const TokenCursor* cursor) {
  std::string_view token = TokenText(cursor);
  return !cursor->quoted && (StartsWithExactly(token, "THRU") || StartsWithExactly(token, "THROUGH"));
}

int ParseValue(TokenCursor* cursor, FieldNode* node) {
  if (!GetToken(cursor, true)) return 0;
  std::string_view token = TokenText(cursor);
  if ((StartsWithWord(token, "IS") || StartsWithWord(token, "ARE")) &&
      !GetToken(cursor, true))
    return 0;
  if (node->level == CONDITION_LEVEL) {
    // The first value makes the enumeration; the rest are kept for the map.
    node->type = FT_CONDITION;
    node->valueKind = ReadConditionValue(cursor, &node->valueText);
    if (!GetToken(cursor, true)) return 0;
    if (IsPeriod(cursor)) return 1;
    node->valueKind = IsThru(cursor) ? VK_RANGE : VK_LIST;
    FieldExtra* extra = FieldExtraOf(node);
    if (!extra) return 0;
    ConditionValue** tail = &extra->moreValues;
    for (bool thru = false; !IsPeriod(cursor);) {
      std::string_view word = TokenText(cursor);
      if (IsThru(cursor)) {
        thru = true;
      } else if (cursor->quoted || (word != "," && word != ";")) {  // separators are not values
        ConditionValue* value = CSNewArenaRecord<ConditionValue>();
        if (!value) return CSReportNoMemory(sizeof(ConditionValue));
        value->kind = ReadConditionValue(cursor, &value->text);
        value->thru = thru;
        thru = false;
        *tail = value;
        tail = &value->next;
      }
      if (!GetToken(cursor, true)) return 0;
    }
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
    return ReportAt(cursor->token, "Did not expected nested REDEFINES option.\n");
  }
  RedefineExtra* extra = RedefineExtraOf(node);
  if (!extra || !GetToken(cursor, true)) return 0;
  node->redefineRole = RR_REDEFINES;
  extra->redefinesName = TokenText(cursor);
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
  *asUsage = false;
  int result;
  if (ReadsCompilerClauses() && ParseCompilerClause(cursor, node, &result)) return result;
  switch (ClassifyWord(TokenText(cursor))) {
    case KW_OCCURS: return ParseOccurs(cursor, node);
    case KW_PIC: return ParsePicture(cursor, node);
    case KW_REDEFINES: return ParseRedefines(cursor, node);
    case KW_VALUE: return ParseValue(cursor, node);
    case KW_SYNC: return ParseSync(cursor, node);
    case KW_SIGN: return ParseSign(cursor, node);
    default:
      *asUsage = true;
      return ParseUsage(cursor, node);
  }
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
