// Record assembly: the stream of entries becomes the tree of structures,
// nested by level number, with FILLER names, namesake numbers and the
// condition entries hung on the members they follow.
#include <cstdio>
#include <vector>

#include "cs/cs.h"
#include "driver/settings.h"
#include "layout/name_index.h"
#include "layout/structure.h"
#include "parser/entry.h"

StructNode* StructureList = nullptr;
StructNode* TopStructure = nullptr;

static NameIndex<StructNode> StructureNames;

// A group that is being built, with what its members inherit from it and
// from the groups around it.
struct OpenGroup {
  int32_t level;
  FieldUsage usage;          // USAGE written on it or on a group around it
  const FieldNode* signSource;  // nearest group with a SIGN clause
};
static std::vector<OpenGroup> OpenGroups;

static constexpr std::string_view FILLER_NAME = "FILLER";

void ResetLayout() {
  StructureList = nullptr;
  TopStructure = nullptr;
  ClearNameIndex(MemberNames);
  ClearNameIndex(StructureNames);
  OpenGroups.clear();
}

static void StripStructPrefix(StructNode* structure) {
  std::string_view name = structure->name;
  if (!structure->nameGiven) return void(structure->shortName = ShortNameOf(name));
  if (StripPrefixLength != 0 && name.substr(0, StripPrefix.size()) == StripPrefix)
    structure->shortName = name.substr(StripPrefix.size());
}

static void OpenGroupFor(const FieldNode* group) {
  OpenGroup open{0, FU_DISPLAY, nullptr};
  if (!OpenGroups.empty()) open = OpenGroups.back();
  if (group) {
    open.level = group->level;
    if (group->usageWritten) open.usage = group->usage;
    if (group->hasSignClause) open.signSource = group;
  }
  OpenGroups.push_back(open);
}

// A USAGE or SIGN written on a group applies to the numeric entries under
// it that give none of their own (USAGE DISPLAY written on the entry holds); the entry's group is the innermost open
// one whose level is below the entry's.
static void InheritFromGroups(FieldNode* entry) {
  if (entry->type != FT_NUMERIC || entry->level >= FIRST_LEVEL_LEFT_ASIDE) return;
  auto group = OpenGroups.rbegin();
  while (group != OpenGroups.rend() - 1 && group->level >= entry->level) ++group;
  if (!entry->usageWritten) entry->usage = group->usage;
  if (entry->isSigned && !entry->hasSignClause && group->signSource) {
    entry->hasSignClause = true;
    entry->signLeading = group->signSource->signLeading;
    entry->signSeparate = group->signSource->signSeparate;
  }
}

// Appends a condition entry to its owner's chain, whose last entry is
// *tail: none before the first, as an owner's conditions follow it at once.
// 0 after printing that there is no memory for the owner's side record.
static int HangCondition(FieldNode* owner, FieldNode** tail, FieldNode* condition) {
  if (*tail) {
    (*tail)->next = condition;
  } else {
    FieldExtra* extra = FieldExtraOf(owner);
    if (!extra) return 0;
    extra->conditions = condition;
  }
  *tail = condition;
  return 1;
}

static void AppendMember(StructNode* structure, FieldNode*& last, FieldNode* member) {
  if (last)
    last->next = member;
  else
    structure->members = member;
  last = member;
}

static int BuildStructure(std::string_view name, TokenCursor* cursor, int32_t groupLevel,
                   FieldNode** entry) {
  StructNode* structure = CSNewArenaRecord<StructNode>();
  if (!structure) return CSReportNoMemory(sizeof(StructNode));
  structure->name = name;
  structure->nameGiven = !TopStructure;
  StripStructPrefix(structure);
  structure->next = StructureList;
  StructureList = structure;
  if (!TopStructure) TopStructure = structure;
  // Numbered among the structures made before it; the number is kept at
  // the finish. A given name with a hyphen is no copybook name's namesake.
  int32_t namesakes = 0;
  if (!structure->nameGiven || name.find('-') == std::string_view::npos)
    namesakes = FindInNameIndex(StructureNames, name, HashName(name), structure)->count++;

  FieldNode* groupEntry = *entry;
  OpenGroupFor(groupEntry);
  FieldNode* last = nullptr;           // last member appended
  FieldNode* conditionOwner = groupEntry;
  FieldNode* conditionTail = nullptr;  // found on the first append to an owner
  FieldNode* current = nullptr;
  bool readNext = true;  // false: current ended an inner group, not yet handled
  for (;;) {
    if (readNext) {
      if (!ReadEntry(cursor, &current)) return 0;
      if (!current) break;
      InheritFromGroups(current);
      if (!SetStorageType(current)) return 0;
    }
    readNext = true;
    if (current->level == CONDITION_LEVEL) {
      if (conditionOwner && !HangCondition(conditionOwner, &conditionTail, current)) return 0;
      continue;  // with nothing to hang on, dropped
    }
    if (current->level >= FIRST_LEVEL_LEFT_ASIDE) continue;  // typed, linked nowhere
    if (current->level <= groupLevel) break;                 // ends this group
    if (current->name.empty()) current->name = FILLER_NAME;
    AppendMember(structure, last, current);
    conditionOwner = current;
    conditionTail = nullptr;
    if (current->type != FT_STRUCT) continue;
    // A group's structure carries its number; its build reads on up to the
    // entry that ends it, which is handled here next.
    FieldNode* inner = current;
    if (!BuildStructure(current->name, cursor, current->level, &inner)) return 0;
    current = inner;
    if (!current) break;
    readNext = false;
  }
  structure->duplicateCount = namesakes;
  if (groupEntry) groupEntry->structure = structure;
  OpenGroups.pop_back();
  *entry = current;
  return 1;
}

// The outer structure, named by -s or the file, that holds nothing but
// the group of its own name is that group: the record is written as one
// block, not as a block that only wraps a namesake.
static void CollapseTopStructure() {
  FieldNode* only = TopStructure->members;
  if (!only || only->next || only->type != FT_STRUCT || !only->structure) return;
  StructNode* inner = only->structure;
  if (FormatNameOf(inner->name) != TopStructure->name) return;
  inner->next = nullptr;  // made right after the outer one: last before it
  if (inner->duplicateCount != 0) inner->duplicateCount--;
  TopStructure = inner;
}

int ProcessCopybook(SourceFile* file) {
  TokenCursor cursor = StartCursor(file);
  FieldNode* entry = nullptr;
  if (!BuildStructure(StructureName, &cursor, 0, &entry)) return 0;
  int resolved = JoinRecordAlternatives();
  for (StructNode* structure = StructureList; structure && resolved; structure = structure->next) {
    NumberNamesakes(structure);
    resolved = ResolveRedefines(structure);
  }
  ClearNameIndex(MemberNames);  // only resolution looks names up
  if (!resolved) return 0;
  if (CurrentDialect->checksDependingObjects && !ResolveDependingObjects()) return 0;
  if (!LayOutRecord()) return 0;
  CollapseTopStructure();
  std::printf("Structure %s is %d (0x%8.8X) bytes long\n", ShownName(TopStructure).c_str(),
              TopStructure->size, static_cast<unsigned>(TopStructure->size));
  CheckRedefineLengths();
  ChooseAlternatives();
  return 1;
}
