#include <gtest/gtest.h>

#include "cs/cs.h"

namespace {

TEST(Memory, HeaderCarriesSizeKindAndSerial) {
  int32_t serial = CSMemSerial;
  void* small = CSGetMem(144);
  void* large = CSGetMem(268);
  ASSERT_TRUE(small && large);
  EXPECT_EQ(CSMemHeaderOf(small)->size, 176u);
  EXPECT_EQ(CSMemHeaderOf(small)->kind, 1);
  EXPECT_EQ(CSMemHeaderOf(large)->size, 300u);
  EXPECT_EQ(CSMemHeaderOf(large)->kind, 2) << "the limit is below 300";
  EXPECT_EQ(CSMemHeaderOf(small)->serial, serial);
  EXPECT_EQ(CSMemHeaderOf(large)->serial, serial + 1);
  CSFreeMem(small);
  CSFreeMem(large);
  void* next = CSGetMem(1);
  EXPECT_EQ(CSMemHeaderOf(next)->serial, serial + 2) << "serials are not reused";
  CSFreeMem(next);
}

TEST(Memory, TotalsFollowRequestsAndReleases) {
  int64_t blocks = CSMemBlockCount, bytes = CSMemBytesInUse;
  CSMemPeakBytes = bytes;
  void* first = CSGetMem(10);
  void* second = CSGetMem(20);
  EXPECT_EQ(CSMemBlockCount - blocks, 2);
  EXPECT_EQ(CSMemBytesInUse - bytes, 94);
  EXPECT_EQ(CSMemPeakBytes - bytes, 94);
  CSFreeMem(first);
  EXPECT_EQ(CSMemBlockCount - blocks, 1);
  EXPECT_EQ(CSMemBytesInUse - bytes, 52);
  EXPECT_EQ(CSMemPeakBytes - bytes, 94);
  CSFreeMem(second);
}

TEST(Memory, RefusedRequestChangesNothing) {
  int64_t blocks = CSMemBlockCount, bytes = CSMemBytesInUse;
  int32_t serial = CSMemSerial;
  CSMemFailCountdown = 0;
  EXPECT_EQ(CSGetMem(16), nullptr);
  EXPECT_EQ(CSGetMem(UINT32_MAX), nullptr) << "size plus overhead overflows";
  EXPECT_EQ(CSMemBlockCount, blocks);
  EXPECT_EQ(CSMemBytesInUse, bytes);
  EXPECT_EQ(CSMemSerial, serial);
  EXPECT_EQ(CSMemLock.count, 0) << "the lock is given back";
}

TEST(Arena, RecordsAreZeroedAlignedAndCountedAgainstTheFailHook) {
  struct Record {
    char text[13];
    int64_t number;
  };
  CSForgetArena();
  int64_t blocks = CSMemBlockCount;
  Record* first = CSNewArenaRecord<Record>();
  Record* second = CSNewArenaRecord<Record>();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(CSMemBlockCount - blocks, 1) << "one block for both";
  EXPECT_EQ(reinterpret_cast<char*>(second) - reinterpret_cast<char*>(first), 24);
  EXPECT_EQ(second->number, 0);
  EXPECT_EQ(CSMemHeaderOf(first)->size, CS_ARENA_BLOCK + CS_MEM_OVERHEAD);
  void* big = CSArenaGet(CS_ARENA_BLOCK);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(CSMemHeaderOf(big)->size, CS_ARENA_BLOCK + CS_MEM_OVERHEAD) << "a block of its own";
  EXPECT_EQ(CSNewArenaRecord<Record>(), second + 1) << "the shared block keeps its room";
  CSMemFailCountdown = 1;
  EXPECT_NE(CSNewArenaRecord<Record>(), nullptr);
  EXPECT_EQ(CSNewArenaRecord<Record>(), nullptr);
  EXPECT_EQ(CSMemFailCountdown, -1);
  EXPECT_NE(CSNewArenaRecord<Record>(), nullptr);
  EXPECT_EQ(CSArenaGet(UINT32_MAX), nullptr);
}

}  // namespace
