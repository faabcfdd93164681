// Hash indexes by name, so that counting namesakes and finding REDEFINES
// targets stay linear however many entries a copybook holds.
#pragma once

#include <functional>
#include <string_view>
#include <unordered_map>

// A name within one owner (a structure), or within the whole record when
// the owner is null.
struct OwnedName {
  const void* owner;
  std::string_view name;
  bool operator==(const OwnedName& other) const {
    return owner == other.owner && name == other.name;
  }
};

struct OwnedNameHash {
  size_t operator()(const OwnedName& key) const {
    return std::hash<std::string_view>()(key.name) ^
           (std::hash<const void*>()(key.owner) * 0x9E3779B97F4A7C15ull);
  }
};

template <typename Value>
using NameIndex = std::unordered_map<OwnedName, Value, OwnedNameHash>;

// Members of each structure by name: how many so far.
extern NameIndex<int32_t> MemberNameCounts;
