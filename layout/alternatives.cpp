// Which alternative of each redefine chain the record holds: the -r and -R
// patterns, tried in command-line order, the first match deciding. Chosen
// once, before anything is written or decoded.
#include <vector>

#include "driver/settings.h"
#include "layout/structure.h"

// '*' matches a run of characters, '?' any one, others themselves (a hyphen
// an underscore, as in names), over the whole text. A '*' with more pattern after it must leave that rest at least
// one character to match. Computed a pattern character at a time from the
// end, so that the cost stays text length times pattern length.
bool WildcardMatch(std::string_view text, std::string_view pattern) {
  size_t n = text.size();
  // matches[i]: the pattern from the current character on matches text[i..].
  std::vector<char> matches(n + 1, 0);
  matches[n] = 1;
  for (size_t j = pattern.size(); j-- > 0;) {
    bool last = j + 1 == pattern.size();
    if (pattern[j] == '*') {
      bool anyTail = false;  // the rest matches some non-empty tail from i on
      matches[n] = last;
      for (size_t i = n; i-- > 0;) {
        anyTail = anyTail || matches[i];
        matches[i] = last || anyTail;
      }
    } else {
      for (size_t i = 0; i < n; i++)
        matches[i] = (pattern[j] == '?' || NameChar(pattern[j]) == NameChar(text[i])) && matches[i + 1];
      matches[n] = 0;
    }
  }
  return matches[0];
}

static bool RedefinitionWanted(std::string_view name) {
  for (NameTreeNode* node = CSTreeFirst(RedefineNames); node; node = node->adjacent[1]) {
    auto* choice = reinterpret_cast<RedefineChoice*>(node);
    if (WildcardMatch(name, {choice->pattern, static_cast<size_t>(choice->length)}))
      return choice->letter == 'r';
  }
  return false;
}

// The members of a chain follow one another, head first; chainTaken tells
// whether an earlier member of the current chain was chosen.
static void ChooseMember(FieldNode* member, bool* chainTaken) {
  if (member->redefineRole == RR_REDEFINED) {
    *chainTaken = false;
    for (FieldNode* other = NextRedefine(member); other; other = NextRedefine(other))
      if (RedefinitionWanted(other->name)) return;
    member->redefineUsed = *chainTaken = true;
  } else if (member->redefineRole == RR_REDEFINES && !*chainTaken && RedefinitionWanted(member->name)) {
    member->redefineUsed = *chainTaken = true;
  }
}

void ChooseAlternatives() {
  for (StructNode* structure = StructureList; structure; structure = structure->next) {
    bool chainTaken = false;
    for (FieldNode* member = structure->members; member; member = member->next)
      ChooseMember(member, &chainTaken);
  }
}
