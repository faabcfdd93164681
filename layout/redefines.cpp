// REDEFINES resolution: each redefining entry joins the redefine chain of
// the area it redefines, which must be the entry right before it in the same
// group, or one that redefines that same area.
#include <cstdio>
#include <vector>

#include "driver/settings.h"
#include "layout/name_index.h"
#include "layout/structure.h"

// Whether the name is a member of the entry's group or of a structure made
// before it (the groups around it among them): where a target is looked for.
static bool IsMemberInReach(const FieldNode* entry) {
  std::string_view name = ExtraOf(entry).redefinesName;
  for (StructNode* structure = entry->parent; structure; structure = structure->next)
    for (FieldNode* member = structure->members; member; member = member->next)
      if (member->name == name) return true;
  return false;
}

static int RefuseRedefines(const FieldNode* entry) {
  std::string_view name = ExtraOf(entry).redefinesName;
  const char* message = IsMemberInReach(entry)
                            ? "REDEFINES of '%.*s' must follow it in the same group.\n"
                            : "Did not find referenced REDEFINES field '%.*s'.\n";
  std::printf(message, static_cast<int>(name.size()), name.data());
  return 0;
}

// The head of the redefine chain a member belongs to, or null.
static const FieldNode* ChainHead(const FieldNode* member) {
  if (member->redefineRole == RR_REDEFINED) return member;
  return ExtraOf(member).redefinesTarget;
}

std::vector<FieldNode*> ChainHeads;

// COBOL names are the same whatever their letter case.
static bool NamesIgnoreCase() { return CobolMode; }

// Whether the area, or an entry that redefines it, bears the name.
static bool ChainHoldsName(const FieldNode* area, std::string_view name) {
  for (const FieldNode* entry = area; entry; entry = ExtraOf(entry).nextRedefine)
    if (SameNameAnyCase(entry->name, name)) return true;
  return false;
}

int ResolveRedefines() {
  ChainHeads.clear();
  for (StructNode* structure = StructureList; structure; structure = structure->next) {
    // The slot of each name first holds a member so named; once a member
    // so named joins a chain, the latest such member.
    CountMemberNames(structure);
    FieldNode* area = nullptr;  // latest member that does not redefine
    FieldNode* previous = nullptr;
    for (FieldNode* member = structure->members; member;
         previous = member, member = member->next) {
      if (member->redefineRole != RR_REDEFINES) {
        area = member;
        continue;
      }
      std::string_view name = ExtraOf(member).redefinesName;
      auto* named = FindInNameIndex<FieldNode>(MemberNames, name, HashName(name), nullptr);
      bool allowed = area && (name == area->name || (named && ChainHead(named->record) == area));
      if (!allowed && area && NamesIgnoreCase()) allowed = ChainHoldsName(area, name);
      if (!allowed) return RefuseRedefines(member);
      if (named && named->count > 1)
        std::printf("REDEFINE of a non-unique field '%.*s' found.\n",
                    static_cast<int>(name.size()), name.data());
      // A redefining entry has its side record from its clause.
      member->extra->redefinesTarget = area;
      if (area->redefineRole == RR_NONE) {
        if (!FieldExtraOf(area)) return 0;
        ChainHeads.push_back(area);
        area->redefineRole = RR_REDEFINED;
        area->extra->nextRedefine = member;
      } else {
        previous->extra->nextRedefine = member;  // the chain's last entry so far
      }
      FindInNameIndex<FieldNode>(MemberNames, member->name, HashName(member->name), nullptr)
          ->record = member;
    }
  }
  return 1;
}
