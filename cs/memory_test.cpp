#include <thread>

#include <gtest/gtest.h>

#include "cs/cs.h"
#include "driver/run.h"

// The service's bookkeeping: each block's size with its header, its kind by
// size and its serial; the running totals and their peak.
TEST(Memory, HeadersAndTotals) {
  ResetRunState();
  CSMemPeakBytes = 0;
  int32_t serial = CSMemSerial;
  void* small = CSGetMem(267);
  void* large = CSGetMem(268);
  ASSERT_TRUE(small && large);
  EXPECT_EQ(CSMemHeaderOf(small)->size, 299u);
  EXPECT_EQ(CSMemHeaderOf(small)->kind, 1);
  EXPECT_EQ(CSMemHeaderOf(large)->size, 300u);
  EXPECT_EQ(CSMemHeaderOf(large)->kind, 2) << "small means below 300 bytes";
  EXPECT_EQ(CSMemHeaderOf(small)->serial, serial);
  EXPECT_EQ(CSMemHeaderOf(large)->serial, serial + 1);
  CSFreeMem(small);
  EXPECT_EQ(CSMemBlockCount, 1);
  EXPECT_EQ(CSMemBytesInUse, 300);
  EXPECT_EQ(CSMemPeakBytes, 599);
  void* again = CSGetMem(10);
  EXPECT_EQ(CSMemHeaderOf(again)->serial, serial + 2) << "serials are not reused";
  EXPECT_EQ(CSMemPeakBytes, 599);
  ResetRunState();
  EXPECT_TRUE(CSMemBlockCount == 0 && CSMemBytesInUse == 0);
}

// Another thread may take the service's lock once a request is done.
TEST(Memory, LockIsFreeBetweenRequests) {
  CSFreeMem(CSGetMem(8));
  uint32_t taken = LOCK_FAILED;
  std::thread([&] {
    taken = CSLockIt(&CSMemLock, 0);
    if (taken == LOCK_OBTAINED) CSUnlockIt(&CSMemLock);
  }).join();
  EXPECT_EQ(taken, LOCK_OBTAINED);
}

// A refused block leaves the arena as it was: the next record is sound.
TEST(Memory, ArenaAfterARefusedBlock) {
  ResetRunState();
  CSMemFailCountdown = 1;
  EXPECT_EQ(CSArenaGet(16), nullptr);
  auto* record = static_cast<char*>(CSArenaGet(16));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(CSMemHeaderOf(record)->size, CS_ARENA_BLOCK + CS_MEM_OVERHEAD) << "a fresh block";
  ResetRunState();
}

// Records fill a block; the next one comes from a new, bigger block. A new
// run starts again with the smallest.
TEST(Memory, ArenaTakesANewBlockWhenOneIsFull) {
  ResetRunState();
  int64_t blocks = CSMemBlockCount;
  for (uint32_t i = 0; i <= CS_ARENA_BLOCK / 64; i++) ASSERT_NE(CSArenaGet(64), nullptr);
  EXPECT_EQ(CSMemBlockCount, blocks + 2);
  ResetRunState();
  EXPECT_EQ(CSMemHeaderOf(CSArenaGet(64))->size, CS_ARENA_BLOCK + CS_MEM_OVERHEAD);
  ResetRunState();
}
