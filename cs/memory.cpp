// The memory service: every record comes from here, behind a small header
// that carries the block's size, kind and serial number.
#include <cstdio>
#include <cstdlib>

#include "cs/cs.h"

CSLock CSMemLock;
int64_t CSMemBlockCount = 0;
int64_t CSMemBytesInUse = 0;
int64_t CSMemPeakBytes = 0;
int32_t CSMemSerial = 0;
int64_t CSMemFailCountdown = 0;

static_assert(sizeof(CSMemHeader) <= CS_MEM_OVERHEAD, "header fits overhead");

static CSMemHeader* BlocksInUse = nullptr;

static void Unlink(CSMemHeader* header) {
  if (header->previous)
    header->previous->next = header->next;
  else
    BlocksInUse = header->next;
  if (header->next) header->next->previous = header->previous;
}

int CSReportNoMemory(int64_t bytes) {
  std::printf("Can not allocate %lld bytes\n", static_cast<long long>(bytes));
  return 0;
}

void* CSGetMem(uint32_t size) {
  CSLockChecked(&CSMemLock);
  uint64_t blockSize = uint64_t{size} + CS_MEM_OVERHEAD;
  void* block = nullptr;
  int32_t kind = 0;
  bool refused = CSMemFailCountdown != 0 && --CSMemFailCountdown == 0;
  if (!refused && blockSize <= UINT32_MAX) {
    if (blockSize < CS_MEM_SMALL_LIMIT && (block = std::malloc(blockSize)))
      kind = 1;
    else if ((block = std::malloc(blockSize)))
      kind = 2;
  }
  void* area = nullptr;
  if (block) {
    auto* header = static_cast<CSMemHeader*>(block);
    header->size = static_cast<uint32_t>(blockSize);
    header->kind = kind;
    header->serial = CSMemSerial++;
    header->previous = nullptr;
    header->next = BlocksInUse;
    if (BlocksInUse) BlocksInUse->previous = header;
    BlocksInUse = header;
    CSMemBlockCount++;
    CSMemBytesInUse += header->size;
    if (CSMemBytesInUse > CSMemPeakBytes) CSMemPeakBytes = CSMemBytesInUse;
    area = static_cast<char*>(block) + CS_MEM_OVERHEAD;
  }
  CSUnlockIt(&CSMemLock);
  return area;
}

CSMemHeader* CSMemHeaderOf(void* pointer) {
  return reinterpret_cast<CSMemHeader*>(static_cast<char*>(pointer) -
                                        CS_MEM_OVERHEAD);
}

void CSFreeMem(void* pointer) {
  CSLockChecked(&CSMemLock);
  CSMemHeader* header = CSMemHeaderOf(pointer);
  CSMemBytesInUse -= header->size;
  CSMemBlockCount--;
  Unlink(header);
  std::free(header);
  CSUnlockIt(&CSMemLock);
}

void CSFreeAllMem() {
  CSForgetArena();
  while (BlocksInUse) CSFreeMem(reinterpret_cast<char*>(BlocksInUse) + CS_MEM_OVERHEAD);
}
