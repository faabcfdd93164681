#include "layout/name_index.h"

#include <deque>
#include <map>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Named {
  std::string name;
};

// Random names against a map: each key has one slot that keeps its count,
// a missing key is not found, and every key is counted once, whether the
// index grows from nothing or starts from a reserved size.
TEST(NameIndex, AgreesWithAMapOnRandomNames) {
  std::mt19937 random(5);
  for (size_t reserved : {0, 100}) {
    NameIndex<Named> index;
    if (reserved) ReserveNameIndex(index, reserved);
    std::deque<Named> records;
    std::map<std::string, int> counts;
    for (int i = 0; i < 20000; i++) {
      records.push_back({"N" + std::to_string(random() % 3000)});
      const std::string& name = records.back().name;
      NameIndexSlot<Named>* slot = FindInNameIndex(index, name, HashName(name), &records.back());
      ASSERT_NE(slot, nullptr);
      EXPECT_EQ(slot->count, counts[name]++) << name;
      slot->count++;
    }
    for (auto& [name, count] : counts) {
      NameIndexSlot<Named>* slot = FindInNameIndex<Named>(index, name, HashName(name), nullptr);
      ASSERT_NE(slot, nullptr) << name;
      EXPECT_EQ(slot->count, count) << name;
    }
    EXPECT_EQ(FindInNameIndex<Named>(index, "N3000", HashName("N3000"), nullptr), nullptr);
    EXPECT_EQ(index.used, counts.size());
  }
}

// Names of every length up to 20, hyphens and underscores mixed: a hyphen
// is an underscore to the hash, the compare and the written copy, whichever
// word of the name it falls in; any other difference tells names apart.
TEST(NameIndex, HyphensAreUnderscoresAtEveryLength) {
  for (size_t length = 1; length <= 20; length++) {
    std::string written, underscored;
    for (size_t i = 0; i < length; i++) {
      char c = i % 3 == 1 ? '-' : static_cast<char>('A' + i);
      written += c;
      underscored += c == '-' ? '_' : c;
    }
    EXPECT_TRUE(SameName(written, underscored)) << written;
    EXPECT_EQ(HashName(written), HashName(underscored)) << written;
    std::string copy(length, ' ');
    CopyUnderscored(copy.data(), written.data(), length);
    EXPECT_EQ(copy, underscored);
    for (size_t i = 0; i < length; i++) {
      std::string other = underscored;
      other[i] = other[i] == '_' ? '-' + 1 : '_';
      EXPECT_FALSE(SameName(written, other)) << written << " " << other;
    }
  }
}

}  // namespace
