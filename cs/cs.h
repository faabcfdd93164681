// Common services: the trap for internal inconsistencies, the memory
// service, recursive locks and the ordered name tree.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

// ---- Trap ------------------------------------------------------------------

// Where an internal inconsistency was found; the number is the trap site.
enum TrapSite : int32_t {
  TRAP_LOCK_TIMEOUT = 693,       // a development machine waited too long
  TRAP_UNLOCK_NOT_OWNER = 734,   // unlock by a thread that does not hold it
  TRAP_TREE_BALANCE = 3389,      // impossible balance in the name tree
};

extern const char* const CSTrapFileName;

// Records the site in the trap file, then breaks into the debugger.
void CSTrap(int32_t site, int32_t value);

// ---- Recursive locks -------------------------------------------------------

enum LockResult : uint32_t {
  LOCK_OBTAINED = 0,
  LOCK_ABANDONED = 0x80,
  LOCK_TIMEOUT = 258,
  LOCK_FAILED = 0xFFFFFFFF,
};

constexpr uint32_t LOCK_NO_LIMIT = 0xFFFFFFFF;

struct CSLock {
  std::timed_mutex mutex;               // held while count is above 0
  std::atomic<std::thread::id> owner;   // holding thread; none when free
  int32_t count;                        // times the owner has taken it
};

// Name of a machine where a slow lock is a fault worth a trap; none by default.
extern const char* CSDevelopmentMachine;

uint32_t CSLockIt(CSLock* lock, uint32_t timeoutMs);
void CSUnlockIt(CSLock* lock);
void CSLockChecked(CSLock* lock);

// ---- Memory service --------------------------------------------------------

constexpr uint32_t CS_MEM_OVERHEAD = 32;      // header bytes before each block
constexpr uint32_t CS_MEM_SMALL_LIMIT = 300;  // blocks below this are kind 1

struct CSMemHeader {
  uint32_t size;          // bytes taken from the heap, overhead included
  int32_t kind;           // 1 small, 2 large or second attempt
  int32_t serial;         // number among all successful requests
  CSMemHeader* previous;  // blocks in use, newest first
  CSMemHeader* next;
};

extern CSLock CSMemLock;
extern int64_t CSMemBlockCount;
extern int64_t CSMemBytesInUse;
extern int64_t CSMemPeakBytes;
extern int32_t CSMemSerial;
// Test hook: when set to N, the Nth request from then on fails; 0 is off.
extern int64_t CSMemFailCountdown;

void* CSGetMem(uint32_t size);
// Prints "Can not allocate N bytes", the one message of a request refused;
// returns 0 so that callers can pass the failure up.
int CSReportNoMemory(int64_t bytes);
void CSFreeMem(void* pointer);
// Gives back every block in use: the end of a run inside a longer-lived
// process (tests and fuzzing); a run of the program itself never calls it.
void CSFreeAllMem();
CSMemHeader* CSMemHeaderOf(void* pointer);

// Gets a zeroed record of type T from the memory service, or null.
template <typename T>
T* CSNewRecord(uint32_t extraBytes = 0) {
  void* block = CSGetMem(static_cast<uint32_t>(sizeof(T)) + extraBytes);
  return block ? new (block) T{} : nullptr;
}

// Asks for huge pages on the pages a block that will be filled lies on,
// for fewer page faults; a hint only.
void CSAdviseHugePages(void* block, size_t size);

constexpr size_t CS_HUGE_PAGE = size_t{1} << 21;
// Room for the headers that the memory service and the system allocator
// put before a big block.
constexpr size_t CS_BLOCK_HEADERS = 64;
// The room of a block of at least size bytes that fills whole huge pages
// with its headers: the system maps such a block from a huge page's start,
// so that huge pages back all of it.
inline size_t CSHugePageRoom(size_t size) {
  return (size + CS_BLOCK_HEADERS + CS_HUGE_PAGE - 1) / CS_HUGE_PAGE * CS_HUGE_PAGE -
         CS_BLOCK_HEADERS;
}

// ---- Record arena ----------------------------------------------------------

// Records that live to the end of the run (entries, structures) are cut
// from big blocks of the memory service: no lock and no header per record.
// Each block doubles the last, up to the largest, so that a small copybook
// takes little and a large one few blocks in huge pages.
constexpr uint32_t CS_ARENA_BLOCK = 1 << 20;
constexpr uint32_t CS_ARENA_BLOCK_MAX = 1 << 25;

// Room for size bytes, 8-byte aligned and not cleared, or null. Every
// request counts once against CSMemFailCountdown, as a CSGetMem would.
void* CSArenaGet(uint32_t size);
// Forgets the current block; CSFreeAllMem gives the blocks back.
void CSForgetArena();

// Gets a zeroed record of type T from the arena, or null.
template <typename T>
T* CSNewArenaRecord() {
  void* room = CSArenaGet(static_cast<uint32_t>(sizeof(T)));
  return room ? new (room) T{} : nullptr;
}

#include "cs/name_tree.h"
