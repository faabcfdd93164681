// DEPENDING ON objects: the entry a table's count is read from, found
// whatever the letter case it is written in.
#include <cstdio>
#include <string>
#include <unordered_map>

#include "layout/structure.h"
#include "parser/names.h"

static std::string UpperName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = UpperCase(NameChar(c));
  return upper;
}

int ResolveDependingObjects() {
  std::unordered_map<std::string, std::string_view> declared;  // first of a name
  bool anyTable = false;
  for (StructNode* s = StructureList; s; s = s->next)
    for (FieldNode* member = s->members; member; member = member->next) {
      declared.emplace(UpperName(member->name), member->name);
      anyTable = anyTable || !ExtraOf(member).dependingName.empty();
    }
  if (!anyTable) return 1;
  for (StructNode* s = StructureList; s; s = s->next)
    for (FieldNode* member = s->members; member; member = member->next) {
      if (ExtraOf(member).dependingName.empty()) continue;
      std::string_view& name = FieldExtraOf(member)->dependingName;  // whole: it holds one
      auto found = declared.find(UpperName(name));
      if (found == declared.end()) {
        std::printf("Did not find DEPENDING ON object '%s'.\n", FormatNameOf(name).c_str());
        return 0;
      }
      name = found->second;
    }
  return 1;
}
