// The one offset walk: every member of the record in record order, at the
// offset the layout gives it. The layout pass places the members with it;
// the map and the decoder read the places it hands them.
#pragma once

#include <cstdint>
#include <string_view>

#include "layout/structure.h"

// A table around a member: one OCCURS entry that holds it, or the member.
struct TableDimension {
  const FieldNode* entry;       // the OCCURS entry
  int32_t count;                // occurrences (the largest for DEPENDING ON)
  int64_t stride;               // bytes from one occurrence to the next
  std::string_view depending;   // DEPENDING ON object; empty: none
};
constexpr int32_t MOST_DIMENSIONS = 64;  // levels 01 to 49 nest fewer

// Where one member lies. Offsets run from the record's start and belong to
// the first occurrence of every table around the member.
struct MemberPlace {
  FieldNode* member;
  StructNode* within;           // the structure the member belongs to
  int64_t offset;               // past the slack
  int64_t slack;                // slack bytes just before it, aligning a SYNC item
  int64_t size;                 // bytes of one occurrence; a group's is final
                                // once its members are placed
  int32_t depth;                // 0 for members of the outermost structure
  const TableDimension* tables; // the tables around it, outermost first;
  int32_t tableCount;           // its own OCCURS is the last
};

// Where the members of one structure lie.
struct StructurePlace {
  StructNode* structure;
  const FieldNode* owner;       // its group entry; null for the record
  const FieldNode* following;   // the member after it in record order, or null
  int64_t base;                 // where its first member starts
  int64_t end;                  // where its last member ends: slack that
                                // ends an occurrence lies past it
  int32_t depth;                // of its members
  const TableDimension* tables; // the tables around its members
  int32_t tableCount;
};

enum WalkStep : int32_t {
  WALK_STOP = 0,   // a failure was reported: the walk ends
  WALK_INTO = 1,   // go on, into a group's members
  WALK_OVER = 2,   // go on, past a group's members
};

inline int64_t OccurrenceSize(const FieldNode* member) {
  return member->type == FT_STRUCT ? member->structure->size : member->size;
}

// What a walk does at each step; a visitor takes these as they are and
// writes only the steps it needs.
struct WalkVisitor {
  // The member reached at start, before its slack is known: placing sets
  // what the slack depends on.
  int Arrive(FieldNode*, StructNode*, int64_t) { return 1; }
  // Before a group's members.
  WalkStep Enter(const MemberPlace&) { return WALK_INTO; }
  // After a group's members; every member is left.
  int Leave(const MemberPlace&) { return 1; }
  // After the members of a structure.
  int Close(const StructurePlace&) { return 1; }
};

struct WalkState {
  TableDimension tables[MOST_DIMENSIONS];
  int32_t tableCount;
};

// The alternatives of a redefine chain share the head's offset; the chain
// takes the bytes of its longest alternative.
template <typename Visitor>
int WalkStructure(Visitor& visitor, WalkState& state, StructNode* structure, int64_t base,
                  int32_t depth, const FieldNode* owner, const FieldNode* following) {
  int64_t running = base, headOffset = base;
  const FieldNode* head = nullptr;
  for (FieldNode* member = structure->members; member; member = member->next) {
    int64_t start = headOffset;
    if (member->redefineRole != RR_REDEFINES) {
      if (head) running = headOffset + ChainFootprint(head), head = nullptr;
      start = running;
    }
    if (!visitor.Arrive(member, structure, start)) return 0;
    int64_t slack = SlackBefore(member);
    int32_t occurs = ExtraOf(member).occursMax;
    // OCCURS 0 TO 0 DEPENDING ON takes the bytes of one occurrence.
    bool table = (occurs > 0 || !ExtraOf(member).dependingName.empty()) &&
                 state.tableCount < MOST_DIMENSIONS;
    bool group = member->type == FT_STRUCT;
    if (table)
      state.tables[state.tableCount++] = {member, occurs > 0 ? occurs : 1, OccurrenceSize(member),
                                          ExtraOf(member).dependingName};
    MemberPlace place{member, structure, start + slack, slack, OccurrenceSize(member),
                      depth, state.tables, state.tableCount};
    WalkStep step = visitor.Enter(place);
    if (step == WALK_STOP) return 0;
    if (group && step == WALK_INTO) {
      const FieldNode* after = member->next;
      while (after && after->redefineRole == RR_REDEFINES) after = after->next;
      if (!WalkStructure(visitor, state, member->structure, start + slack, depth + 1, member,
                         after ? after : following))
        return 0;
    }
    if (group) {  // its size is known now
      place.size = OccurrenceSize(member);
      if (table) state.tables[state.tableCount - 1].stride = place.size;
    }
    int left = visitor.Leave(place);
    if (table) state.tableCount--;
    if (!left) return 0;
    if (member->redefineRole == RR_REDEFINED)
      head = member, headOffset = start;
    else if (member->redefineRole == RR_NONE)
      running += FieldFootprint(member);
  }
  if (head) running = headOffset + ChainFootprint(head);
  return visitor.Close(
      StructurePlace{structure, owner, following, base, running, depth, state.tables, state.tableCount});
}

// Walks the whole record from offset 0.
template <typename Visitor>
int WalkRecord(Visitor& visitor) {
  WalkState state{};
  return WalkStructure(visitor, state, TopStructure, 0, 0, nullptr, nullptr);
}
