// The VALUE clause: the values of a condition name make its enumeration;
// elsewhere a value takes no storage and is passed over.
#include "parser/clauses.h"

#include "cs/cs.h"

// A token that starts a clause ends the values of a VALUE clause.
static bool StartsClause(const TokenCursor* cursor) {
  Keyword keyword = ClauseKeyword(TokenText(cursor));
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

// The first value makes the enumeration; the rest are kept for the map.
static int ReadConditionValues(TokenCursor* cursor, FieldNode* node) {
  node->type = FT_CONDITION;
  node->valueKind = node->firstValueKind = ReadConditionValue(cursor, &node->valueText);
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

int ParseValue(TokenCursor* cursor, FieldNode* node) {
  if (!GetToken(cursor, true)) return 0;
  std::string_view token = TokenText(cursor);
  if ((MatchesWord(token, "IS", PhraseMatch()) || MatchesWord(token, "ARE", PhraseMatch())) &&
      !GetToken(cursor, true))
    return 0;
  if (node->level == CONDITION_LEVEL) return ReadConditionValues(cursor, node);
  if (ReadsCompilerGrammar()) {
    // One value of any literal form, ALL before a literal allowed.
    if (!SkipWord(cursor, "ALL")) return 0;
    if (IsPeriod(cursor)) return ReportAt(cursor->token, "VALUE without a value.\n");
    return GetToken(cursor, true);
  }
  // By default the values are passed over up to a clause that follows them.
  if (IsPeriod(cursor)) return 1;
  do {
    if (!GetToken(cursor, true)) return 0;
  } while (!IsPeriod(cursor) && !StartsClause(cursor));
  return 1;
}
