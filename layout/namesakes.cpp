// Namesakes: each member of a structure is numbered among the earlier
// members of its name (a format file tells them apart by the number), and
// the names are left in MemberNames for REDEFINES resolution to look up.
#include "layout/name_index.h"
#include "layout/structure.h"

NameIndex<FieldNode> MemberNames;

void NumberNamesakes(StructNode* structure) {
  size_t count = 0;
  for (FieldNode* member = structure->members; member; member = member->next) count++;
  ReserveNameIndex(MemberNames, count);
  // Among many members each slot lies far from the last: slots are asked
  // for some members ahead of their use.
  constexpr size_t AHEAD = 8;
  uint64_t hashes[AHEAD];
  FieldNode* ahead = structure->members;
  for (size_t k = 0; k < AHEAD && ahead; k++, ahead = ahead->next) {
    hashes[k] = HashName(ahead->name);
    PrefetchNameSlot(MemberNames, hashes[k]);
  }
  size_t k = 0;
  for (FieldNode* member = structure->members; member; member = member->next) {
    uint64_t hash = hashes[k];
    if (ahead) {
      hashes[k] = HashName(ahead->name);
      PrefetchNameSlot(MemberNames, hashes[k]);
      ahead = ahead->next;
    }
    k = (k + 1) % AHEAD;
    int32_t earlier = FindInNameIndex(MemberNames, member->name, hash, member)->count++;
    if (member->type != FT_STRUCT) member->duplicateCount = earlier;
  }
}
