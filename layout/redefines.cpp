// REDEFINES resolution: each redefining entry joins the redefine chain of
// the area it redefines, which must be the entry right before it in the same
// group, or one that redefines that same area.
#include <cstdio>

#include "driver/settings.h"
#include "layout/name_index.h"
#include "layout/structure.h"
#include "parser/names.h"

// Whether the name is a member of the entry's group or of a structure made
// before it (the groups around it among them): where a target is looked for.
static bool IsMemberInReach(const FieldNode* entry, StructNode* group) {
  std::string_view name = RedefinesOf(entry).redefinesName;
  for (StructNode* structure = group; structure; structure = structure->next)
    for (FieldNode* member = structure->members; member; member = member->next)
      if (CurrentDialect->caseBlindNames ? SameNameAnyCase(member->name, name) : SameName(member->name, name))
        return true;
  return false;
}

static int RefuseRedefines(const FieldNode* entry, StructNode* group) {
  std::string_view name = RedefinesOf(entry).redefinesName;
  const char* message = IsMemberInReach(entry, group)
                            ? "REDEFINES of '%.*s' must follow it in the same group.\n"
                            : "Did not find referenced REDEFINES field '%.*s'.\n";
  std::string shown = FormatNameOf(name);
  std::printf(message, static_cast<int>(shown.size()), shown.data());
  return 0;
}

// The head of the redefine chain a member belongs to, or null.
static const FieldNode* ChainHead(const FieldNode* member) {
  if (member->redefineRole == RR_REDEFINED) return member;
  return RedefinesOf(member).redefinesTarget;
}

// Whether the area, or an entry that redefines it ahead of member, bears
// the name.
static bool ChainHoldsName(const FieldNode* area, const FieldNode* member, std::string_view name) {
  for (const FieldNode* entry = area; entry != member; entry = entry->next)
    if (SameNameAnyCase(entry->name, name)) return true;
  return false;
}

// The record descriptions of one file share its record area: each 01
// record after the first is an alternative of the first, as if it were
// written REDEFINES it.
int JoinRecordAlternatives() {
  if (!CurrentDialect->recordsShareOneArea) return 1;
  const FieldNode* first = nullptr;
  for (FieldNode* member = TopStructure->members; member; member = member->next) {
    if (member->level != 1 || member->redefineRole == RR_REDEFINES) continue;
    if (!first) {
      first = member;
      continue;
    }
    RedefineExtra* extra = RedefineExtraOf(member);
    if (!extra) return 0;
    extra->redefinesName = first->name;
    member->redefineRole = RR_REDEFINES;
  }
  return 1;
}

// A redefine chain is its head and the redefining entries right after it
// in its group, so it needs no links of its own.
int ResolveRedefines(StructNode* structure) {
  // The slot of each name first holds a member so named; once a member
  // so named joins a chain, the latest such member.
  FieldNode* area = nullptr;  // latest member that does not redefine
  for (FieldNode* member = structure->members; member; member = member->next) {
    if (member->redefineRole != RR_REDEFINES) {
      area = member;
      continue;
    }
    std::string_view name = RedefinesOf(member).redefinesName;
    auto* named = FindInNameIndex<FieldNode>(MemberNames, name, HashName(name), nullptr);
    // Of several members so named, the first is the target.
    bool allowed = area && named && (named->record == area || ChainHead(named->record) == area);
    if (!allowed && area && CurrentDialect->caseBlindNames) allowed = ChainHoldsName(area, member, name);
    if (named && named->count > 1)
      std::printf("REDEFINE of a non-unique field '%s' found.\n", FormatNameOf(name).c_str());
    if (!allowed) return RefuseRedefines(member, structure);
    // A redefining entry has its side record from its clause.
    member->extra->redefinesTarget = area;
    area->redefineRole = RR_REDEFINED;
    FindInNameIndex<FieldNode>(MemberNames, member->name, HashName(member->name), nullptr)
        ->record = member;
  }
  return 1;
}
