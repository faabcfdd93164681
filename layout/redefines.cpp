// REDEFINES resolution: each redefining entry joins the redefine chain of
// the area it redefines, which must be the entry right before it in the same
// group, or one that redefines that same area.
#include <cstdio>

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

int ResolveRedefines() {
  // For each name, the head of the chain that its latest member joined.
  NameIndex<const FieldNode*> chainOf;
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
      bool allowed = false;
      if (area) {
        auto joined = chainOf.find({nullptr, name});
        allowed = name == area->name || (joined != chainOf.end() && joined->second == area);
      }
      if (!allowed) return RefuseRedefines(member);
      auto namesakes = MemberNameCounts.find({structure, name});
      if (namesakes != MemberNameCounts.end() && namesakes->second > 1)
        std::printf("REDEFINE of a non-unique field '%.*s' found.\n",
                    static_cast<int>(name.size()), name.data());
      member->redefinesTarget = area;
      if (area->redefineRole == RR_NONE) {
        area->redefineRole = RR_REDEFINED;
        area->nextRedefine = member;
      } else {
        previous->nextRedefine = member;  // the chain's last entry so far
      }
      chainOf[{nullptr, member->name}] = area;
    }
  }
  return 1;
}
