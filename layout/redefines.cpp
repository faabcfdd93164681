// REDEFINES resolution: each redefining entry joins the redefine chain of
// the area it redefines, which must be the entry right before it in the same
// group, or one that redefines that same area.
#include <cstdio>
#include <vector>

#include "driver/settings.h"
#include "layout/name_index.h"
#include "layout/structure.h"

static bool IsMemberAnywhere(std::string_view name) {
  for (StructNode* structure = StructureList; structure; structure = structure->next)
    for (FieldNode* member = structure->members; member; member = member->next)
      if (member->name == name) return true;
  return false;
}

static int RefuseRedefines(const FieldNode* entry) {
  const char* message = IsMemberAnywhere(entry->redefinesName)
                            ? "REDEFINES of '%.*s' must follow it in the same group.\n"
                            : "Did not find referenced REDEFINES field '%.*s'.\n";
  std::printf(message, static_cast<int>(entry->redefinesName.size()),
              entry->redefinesName.data());
  return 0;
}

// The head of the redefine chain a member belongs to, or null.
static const FieldNode* ChainHead(const FieldNode* member) {
  if (member->redefineRole == RR_REDEFINED) return member;
  return member->redefinesTarget;
}

std::vector<FieldNode*> ChainHeads;

// COBOL names are the same whatever their letter case.
static bool NamesIgnoreCase() { return CobolMode; }

// Whether the area, or an entry that redefines it, bears the name.
static bool ChainHoldsName(const FieldNode* area, std::string_view name) {
  for (const FieldNode* entry = area; entry; entry = entry->nextRedefine)
    if (SameNameAnyCase(entry->name, name)) return true;
  return false;
}

int ResolveRedefines() {
  ChainHeads.clear();
  // For each name of a structure, its latest member in a redefine chain.
  NameIndex<FieldNode> chained;
  for (StructNode* structure = StructureList; structure; structure = structure->next) {
    FieldNode* area = nullptr;  // latest member that does not redefine
    FieldNode* previous = nullptr;
    for (FieldNode* member = structure->members; member;
         previous = member, member = member->next) {
      if (member->redefineRole != RR_REDEFINES) {
        area = member;
        continue;
      }
      std::string_view name = member->redefinesName;
      FieldNode key{};
      key.parent = structure;
      key.name = name;
      bool allowed = false;
      if (area) {
        auto* joined = FindInNameIndex(chained, &key, false);
        allowed = name == area->name || (joined && ChainHead(joined->record) == area);
      }
      if (!allowed && area && NamesIgnoreCase()) allowed = ChainHoldsName(area, name);
      if (!allowed) return RefuseRedefines(member);
      auto* namesakes = FindInNameIndex(MemberNames, &key, false);
      if (namesakes && namesakes->count > 1)
        std::printf("REDEFINE of a non-unique field '%.*s' found.\n",
                    static_cast<int>(name.size()), name.data());
      member->redefinesTarget = area;
      if (area->redefineRole == RR_NONE) {
        ChainHeads.push_back(area);
        area->redefineRole = RR_REDEFINED;
        area->nextRedefine = member;
      } else {
        previous->nextRedefine = member;  // the chain's last entry so far
      }
      FindInNameIndex(chained, member, true)->record = member;
    }
  }
  return 1;
}
