// The record tree: one StructNode per group plus the record's outer
// structure, and the passes that lay it out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "parser/field.h"
#include "parser/names.h"

struct SourceFile;
struct TokenCursor;

struct StructNode {
  StructNode* next;            // structure made just before this one
  std::string_view name;       // group entry's name; StructureName outermost
  std::string_view shortName;  // name without StripPrefix; empty: use name
  int32_t duplicateCount;      // structures made earlier with this name
  int32_t size;                // bytes of one occurrence
  FieldNode* members;          // first member, the rest through next
  int32_t endAlign;            // slack bytes in size end it on a multiple
                               // of this: a table's occurrence, or a group
                               // before a SYNC item; 0: no slack
  int32_t endSlack;            // those bytes, where an align line from the
                               // record's start would not give them; else 0
  bool nameGiven;              // the outer structure: StructureName, from the
                               // command line or the file, kept byte for byte
};

// A structure's name as the format file and the messages give it: a name
// from the copybook with underscores for hyphens, the given name as it is.
inline std::string ShownName(const StructNode* structure, std::string_view name) {
  return structure->nameGiven ? std::string(name) : FormatNameOf(name);
}
inline std::string ShownName(const StructNode* structure) { return ShownName(structure, structure->name); }
// The name in the block header: without the stripped prefix.
inline std::string WrittenStructureName(const StructNode* structure) {
  return ShownName(structure, structure->shortName.empty() ? structure->name : structure->shortName);
}

extern StructNode* StructureList;  // newest first
extern StructNode* TopStructure;   // the whole record

constexpr int32_t FIRST_LEVEL_LEFT_ASIDE = 50;  // 66, 77 and the like

// Parses, types, links and lays out the copybook; prints the length line.
int ProcessCopybook(SourceFile* file);

// Storage types and sizes.
int SetStorageType(FieldNode* entry);
int64_t SlackBeforeUnaligned(const FieldNode* member);
// Slack bytes just before the member that bring it to its boundary.
inline int64_t SlackBefore(const FieldNode* member) {
  return member->alignRemainder == 0 ? 0 : SlackBeforeUnaligned(member);
}
// Bytes the entry takes in its structure: occurrences and SYNC slack included.
inline int64_t FieldFootprint(const FieldNode* entry) {
  int64_t bytes = entry->type == FT_STRUCT ? (entry->structure ? entry->structure->size : 0) : entry->size;
  int32_t occurs = ExtraOf(entry).occursMax;
  if (occurs != 0) bytes *= occurs;
  return bytes + SlackBefore(entry);
}
// The boundary a SYNC item aligns on: its size, but IBM aligns a binary
// item of 5 to 18 digits on a fullword; only COMP-2 takes a doubleword.
int32_t LongBinaryAlignment();
inline int32_t NaturalAlignment(const FieldNode* entry) {
  bool longBinary = entry->type == FT_INT64 || entry->type == FT_UINT64;
  return longBinary ? LongBinaryAlignment() : entry->size;
}
// The boundary a member begins on: a SYNC item's, or for a group that of
// the SYNC item it begins with; 1 when it needs none.
int32_t LeadingAlignment(const FieldNode* member);

// Numbers the members of structure among their namesakes in it, leaving
// their names and counts in MemberNames.
void NumberNamesakes(StructNode* structure);

// REDEFINES, offsets and checks.
int JoinRecordAlternatives();
// Joins each redefining member of structure to its chain; the structure's
// names must be in MemberNames.
int ResolveRedefines(StructNode* structure);
// Places every member and sizes every structure, from offset 0.
int LayOutRecord();
int64_t ChainFootprint(const FieldNode* head);
void CheckRedefineLengths();

// Each DEPENDING ON object found whatever its letter case, and named as
// declared; 0 after a message for one that is not there.
int ResolveDependingObjects();

// Reports a size beyond 32 bits of the named thing, its name as shown;
// returns 0 so callers can pass it up.
int RefuseSize(std::string_view what, std::string_view shown);
constexpr int64_t MAX_SIZE = INT32_MAX;

// The alternative of each redefine chain chosen by the -r and -R patterns
// gets redefineUsed; the head when none is wanted.
void ChooseAlternatives();
// Whether the record holds the member: it is in no chain, or the chosen
// alternative of its chain.
inline bool IsChosen(const FieldNode* member) {
  return member->redefineRole == RR_NONE || member->redefineUsed;
}
bool WildcardMatch(std::string_view text, std::string_view pattern);

// The name a member has in the format file: without the stripped prefix,
// and the number that tells namesakes apart (0: none).
inline std::string_view WrittenName(const FieldNode* member) {
  std::string_view shortName = ExtraOf(member).shortName;
  return shortName.empty() ? member->name : shortName;
}
inline int32_t NamesakeNumber(const FieldNode* member) {
  return member->type == FT_STRUCT ? member->structure->duplicateCount : member->duplicateCount;
}

// Starting state for a second run in one process (tests, fuzzing).
void ResetLayout();
