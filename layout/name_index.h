// Indexes of records by name, so that counting namesakes and finding
// REDEFINES targets stay linear however many entries a copybook holds.
// Open addressing with linear probing; a slot holds a record of the key,
// from which the name is read, so the index copies no text, and a tag of
// the key's hash, so that a probe seldom needs to read a record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "cs/cs.h"
#include "layout/structure.h"

template <typename Record>
struct NameIndexSlot {
  Record* record;  // a record with the slot's key; null when the slot is free
  uint32_t tag;    // low half of the key's hash
  int32_t count;   // what the caller counts under the key
};

template <typename Record>
struct NameIndex {
  std::vector<NameIndexSlot<Record>> slots;  // any size: the hash is scaled to it
  size_t used = 0;
};

// Eight characters a step, each hyphen taken as an underscore.
inline uint64_t HashName(std::string_view name) {
  uint64_t hash = 0xCBF29CE484222325ull ^ name.size();
  size_t i = 0;
  for (uint64_t word; i + 8 <= name.size(); i += 8) {
    std::memcpy(&word, name.data() + i, 8);
    hash = (hash ^ UnderscoreWord(word)) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 32;
  }
  if (i < name.size()) {
    // The last eight characters, or all of a shorter name.
    uint64_t word;
    if (name.size() >= 8)
      std::memcpy(&word, name.data() + name.size() - 8, 8);
    else
      word = ShortNameWord(name.data(), name.size());
    hash = (hash ^ UnderscoreWord(word)) * 0x9E3779B97F4A7C15ull;
  }
  // Names often differ only in their last characters: every bit is mixed
  // into the high half, which picks the slot.
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDull;
  return hash ^ (hash >> 33);
}

// The first slot to probe: the high half of the hash scaled to the size.
inline size_t HomeSlot(uint64_t hash, size_t size) {
  return static_cast<size_t>(((hash >> 32) * size) >> 32);
}

// Empties the index and gives it room for count keys without growing.
template <typename Record>
void ReserveNameIndex(NameIndex<Record>& index, size_t count) {
  size_t size = count + count / 2 + 8;
  constexpr size_t SLOT = sizeof(NameIndexSlot<Record>);
  if (size * SLOT >= CS_HUGE_PAGE) {
    // Whole huge pages: one fewer when they still hold every key below the
    // load at which the index grows.
    size_t up = CSHugePageRoom(size * SLOT) / SLOT;
    size_t down = up - CS_HUGE_PAGE / SLOT;
    size = (count + 1) * 4 <= down * 3 ? down : up;
  }
  if (index.slots.size() < size || index.slots.size() > 4 * size) {
    std::vector<NameIndexSlot<Record>>().swap(index.slots);
    index.slots.reserve(size);
    CSAdviseHugePages(index.slots.data(), size * sizeof(NameIndexSlot<Record>));
    index.slots.assign(size, NameIndexSlot<Record>{});
  } else
    std::fill(index.slots.begin(), index.slots.end(), NameIndexSlot<Record>{});
  index.used = 0;
}

template <typename Record>
void GrowNameIndex(NameIndex<Record>& index) {
  std::vector<NameIndexSlot<Record>> old;
  old.swap(index.slots);
  index.slots.assign(old.empty() ? 64 : old.size() * 2, NameIndexSlot<Record>{});
  size_t size = index.slots.size();
  for (const NameIndexSlot<Record>& slot : old) {
    if (!slot.record) continue;
    size_t at = HomeSlot(HashName(slot.record->name), size);
    while (index.slots[at].record) at = at + 1 == size ? 0 : at + 1;
    index.slots[at] = slot;
  }
}

// Asks the cache for the first slot of a key that is wanted soon.
template <typename Record>
void PrefetchNameSlot(const NameIndex<Record>& index, uint64_t hash) {
  if (!index.slots.empty()) __builtin_prefetch(&index.slots[HomeSlot(hash, index.slots.size())], 1);
}

// The slot of name, whose hash is given; a missing key gets a slot holding
// add and a count of 0, or null is returned when add is null.
template <typename Record>
NameIndexSlot<Record>* FindInNameIndex(NameIndex<Record>& index, std::string_view name,
                                      uint64_t hash, Record* add) {
  if (add && (index.used + 1) * 4 > index.slots.size() * 3) GrowNameIndex(index);
  if (index.slots.empty()) return nullptr;
  auto tag = static_cast<uint32_t>(hash);
  size_t size = index.slots.size();
  for (size_t at = HomeSlot(hash, size);; at = at + 1 == size ? 0 : at + 1) {
    NameIndexSlot<Record>& slot = index.slots[at];
    if (!slot.record) {
      if (!add) return nullptr;
      slot = {add, tag, 0};
      index.used++;
      return &slot;
    }
    if (slot.tag == tag && SameName(slot.record->name, name)) return &slot;
  }
}

template <typename Record>
void ClearNameIndex(NameIndex<Record>& index) {
  std::vector<NameIndexSlot<Record>>().swap(index.slots);
  index.used = 0;
}

// Members of the structure being resolved by name, with how many there
// are; filled by NumberNamesakes.
extern NameIndex<FieldNode> MemberNames;
