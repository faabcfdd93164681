// Reading one entry into a new FieldNode.
#include "parser/entry.h"

#include <cstdio>

#include "cs/cs.h"
#include "driver/settings.h"
#include "parser/clauses.h"
#include "parser/names.h"
#include "parser/picture.h"

std::string_view ShortNameOf(std::string_view name) {
  if (StripPrefixLength == 0 || !NameStartsWith(name, StripPrefix))
    return {};
  return name.substr(StripPrefix.size());
}

// Sets the short name, if any; 0 after printing that there is no memory.
static int StripFieldPrefix(FieldNode* node) {
  std::string_view shortName = ShortNameOf(node->name);
  if (shortName.empty()) return 1;
  FieldExtra* extra = FieldExtraOf(node);
  if (!extra) return 0;
  extra->shortName = shortName;
  return 1;
}

// An entry without a name goes on with its PICTURE, or where names may be
// left out, with any clause; a condition name is never left out.
static bool StartsNamelessEntry(std::string_view token, int32_t level) {
  Keyword keyword = ClauseKeyword(token);
  if (CurrentDialect->omittedNames && level != CONDITION_LEVEL) return keyword != KW_NONE;
  return keyword == KW_PIC || keyword == KW_PICTURE;
}

int ReadEntry(TokenCursor* cursor, FieldNode** entry) {
  *entry = nullptr;
  if (!GetToken(cursor, false)) return 1;  // no further entry
  FieldNode* node = CSNewArenaRecord<FieldNode>();
  if (!node) return CSReportNoMemory(sizeof(FieldNode));
  if (!ParseNumber(TokenText(cursor), &node->level)) return 0;
  if (!GetToken(cursor, true)) return 0;
  *entry = node;
  if (!StartsNamelessEntry(TokenText(cursor), node->level)) {
    node->name = TokenText(cursor);
    if (!StripFieldPrefix(node) || !GetToken(cursor, true)) return 0;
  }
  return ParseEntryClauses(cursor, node);
}
