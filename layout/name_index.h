// Indexes of records by their owner and name, so that counting namesakes
// and finding REDEFINES targets stay linear however many entries a copybook
// holds. Open addressing with linear probing; a slot holds a record of the
// key, from which owner and name are read, so the index copies no text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "layout/structure.h"

// Members are keyed by the structure that holds them, structures by name alone.
inline const void* IndexOwner(const FieldNode* member) { return member->parent; }
inline const void* IndexOwner(const StructNode*) { return nullptr; }

template <typename Record>
struct NameIndexSlot {
  Record* record;  // a record with the slot's key; null when the slot is free
  int32_t count;   // what the caller counts under the key
  uint32_t hash;
};

template <typename Record>
struct NameIndex {
  std::vector<NameIndexSlot<Record>> slots;  // a power of two in size
  size_t used = 0;
};

inline uint32_t HashName(const void* owner, std::string_view name) {
  uint64_t hash = 0xCBF29CE484222325ull ^ reinterpret_cast<uintptr_t>(owner);
  for (char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
  return static_cast<uint32_t>(hash ^ (hash >> 32));
}

template <typename Record>
void GrowNameIndex(NameIndex<Record>& index) {
  std::vector<NameIndexSlot<Record>> old;
  old.swap(index.slots);
  index.slots.assign(old.empty() ? 64 : old.size() * 2, NameIndexSlot<Record>{});
  size_t mask = index.slots.size() - 1;
  for (const NameIndexSlot<Record>& slot : old) {
    if (!slot.record) continue;
    size_t at = slot.hash & mask;
    while (index.slots[at].record) at = (at + 1) & mask;
    index.slots[at] = slot;
  }
}

// The slot of the key of record (owner and name); with add, a missing key
// gets a slot holding record and a count of 0, else null is returned.
template <typename Record>
NameIndexSlot<Record>* FindInNameIndex(NameIndex<Record>& index, Record* record, bool add) {
  if (add && (index.used + 1) * 4 > index.slots.size() * 3) GrowNameIndex(index);
  if (index.slots.empty()) return nullptr;
  const void* owner = IndexOwner(record);
  uint32_t hash = HashName(owner, record->name);
  size_t mask = index.slots.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    NameIndexSlot<Record>& slot = index.slots[at];
    if (!slot.record) {
      if (!add) return nullptr;
      slot = {record, 0, hash};
      index.used++;
      return &slot;
    }
    if (slot.hash == hash && IndexOwner(slot.record) == owner && slot.record->name == record->name)
      return &slot;
  }
}

template <typename Record>
void ClearNameIndex(NameIndex<Record>& index) {
  std::vector<NameIndexSlot<Record>>().swap(index.slots);
  index.used = 0;
}

// Members of each structure by name, with how many there are so far;
// kept from assembly until the REDEFINES are resolved.
extern NameIndex<FieldNode> MemberNames;
