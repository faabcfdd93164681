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

}  // namespace
