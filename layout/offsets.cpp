// Offsets and checks: where each member lies, how far binary members are
// from their alignment, the size of every structure, and the lengths of the
// alternatives of every redefine chain.
#include <algorithm>
#include <cstdio>

#include "driver/settings.h"
#include "layout/structure.h"
#include "layout/walk.h"

int64_t ChainFootprint(const FieldNode* head) {
  int64_t longest = 0;
  for (const FieldNode* entry = head; entry; entry = NextRedefine(entry))
    longest = std::max(longest, FieldFootprint(entry));
  return longest;
}

// A structure is as long as its members reach: a chain counts once, at the
// length of its longest alternative.
static int SetStructureSize(const StructurePlace& place) {
  int64_t size = place.end - place.base;
  if (size > MAX_SIZE) return RefuseSize("Structure", ShownName(place.structure));
  place.structure->size = static_cast<int32_t>(size);
  return 1;
}

// IBM's compilers align a SYNC item in every occurrence of a table.
static bool AlignsEveryOccurrence() { return CurrentDialect->syncEveryOccurrence; }


// The largest alignment among the SYNC items of a structure, at any depth.
static int32_t LargestSyncAlignment(const StructNode* structure) {
  int32_t largest = 1;
  for (const FieldNode* member = structure->members; member; member = member->next) {
    int32_t align = member->type == FT_STRUCT
                        ? LargestSyncAlignment(member->structure)
                        : (member->isSync && IsBinaryOrFloat(member->type) ? NaturalAlignment(member) : 1);
    if (align > largest) largest = align;
  }
  return largest;
}

// Slack bytes that end a structure on a multiple of align; a table's
// occurrence that starts off that multiple needs them written as bytes.
static int PadEnd(StructNode* structure, int32_t align, bool asBytes) {
  int32_t slack = (align - structure->size % align) % align;
  if (slack == 0) return 1;
  if (int64_t{structure->size} + slack > MAX_SIZE) return RefuseSize("Structure", ShownName(structure));
  structure->size += slack;
  structure->endAlign = align;
  structure->endSlack = asBytes ? slack : 0;
  return 1;
}

// Slack bytes at the end of each occurrence make its length a multiple of
// the largest alignment inside, so every occurrence aligns like the first.
static int PadOccurrence(StructNode* structure, int64_t start) {
  int32_t align = LargestSyncAlignment(structure);
  return PadEnd(structure, align, start % align != 0);
}

// The layout pass over the one walk: each member learns how far it lies
// from its alignment, each structure its size.
[[gnu::noinline]] static void ReportUnaligned(const FieldNode* member, int64_t start) {
  std::printf("Field '%s' type %s (size %d) at offset 0x%8.8X is not aligned\n",
              FormatNameOf(member->name).c_str(), FieldTypeName(member->type), member->size,
              static_cast<unsigned>(start));
}

struct PlaceVisitor : WalkVisitor {
  int Arrive(FieldNode* member, StructNode* structure, int64_t start) {
    if (start > MAX_SIZE) return RefuseSize("Structure", ShownName(structure));
    if (member->type == FT_STRUCT && CurrentDialect->slackFollowsPrecedingItem)
      member->alignRemainder = static_cast<uint8_t>(start % LeadingAlignment(member));
    if (member->type == FT_STRUCT || !IsBinaryOrFloat(member->type)) return 1;
    member->alignRemainder = static_cast<uint8_t>(start % NaturalAlignment(member));
    if (member->alignRemainder != 0 && !member->isSync && (WarningFlags & WARN_UNALIGNED))
      ReportUnaligned(member, start);
    return 1;
  }
  int Leave(const MemberPlace& place) {
    FieldNode* member = place.member;
    if (member->type == FT_STRUCT && ExtraOf(member).occursMax > 0 && AlignsEveryOccurrence() &&
        !PadOccurrence(member->structure, place.offset))
      return 0;
    if (FieldFootprint(member) > MAX_SIZE) return RefuseSize("Field", FormatNameOf(member->name));
    return 1;
  }
  int Close(const StructurePlace& place) {
    if (!SetStructureSize(place)) return 0;
    const FieldNode* group = place.owner;
    if (!group || !place.following || !CurrentDialect->slackFollowsPrecedingItem || ExtraOf(group).occursMax > 0 ||
        group->redefineRole != RR_NONE)
      return 1;
    // The following SYNC item's slack, from the record's start.
    int32_t align = LeadingAlignment(place.following);
    int64_t slack = (align - place.end % align) % align;
    if (slack == 0) return 1;
    if (place.end + slack - place.base > MAX_SIZE) return RefuseSize("Structure", ShownName(place.structure));
    place.structure->size += static_cast<int32_t>(slack);
    place.structure->endAlign = align;
    return 1;
  }
};

int LayOutRecord() {
  PlaceVisitor visitor;
  return WalkRecord(visitor);
}

static void CompareRedefineLengths(FieldNode* head, int64_t longest) {
  bool differs = false;
  for (FieldNode* entry = head; entry; entry = NextRedefine(entry)) {
    int64_t bytes = FieldFootprint(entry);
    if (bytes != longest) {
      entry->redefinePadding = static_cast<int32_t>(longest - bytes);
      differs = true;
    }
  }
  if (!differs || !(WarningFlags & WARN_REDEFINE_LENGTH)) return;
  std::printf("Field '%s' (size %d) and its redefines differ in length\n",
              FormatNameOf(head->name).c_str(), static_cast<int>(FieldFootprint(head)));
  for (FieldNode* entry = NextRedefine(head); entry; entry = NextRedefine(entry))
    std::printf("  Redefine field '%s' (size %d)\n", FormatNameOf(entry->name).c_str(),
                static_cast<int>(FieldFootprint(entry)));
}

// Every chain head, structure by structure in the order of the structure
// list, then in member order; the outer structure that a collapse drops
// held a single group, so no head.
void CheckRedefineLengths() {
  for (StructNode* structure = StructureList; structure; structure = structure->next)
    for (FieldNode* member = structure->members; member; member = member->next)
      if (member->redefineRole == RR_REDEFINED) CompareRedefineLengths(member, ChainFootprint(member));
}
