// The record arena: records are cut one after another from blocks of the
// memory service and given back only with every other block.
#include "cs/cs.h"

static char* ArenaNext = nullptr;  // free room of the current block
static uint32_t ArenaLeft = 0;     // bytes of it
static uint32_t ArenaBlockSize = CS_ARENA_BLOCK;  // of the next block

void* CSArenaGet(uint32_t size) {
  uint32_t rounded = (size + 7) & ~uint32_t{7};
  if (rounded < size) return nullptr;  // wrapped
  if (rounded > ArenaLeft) {
    // A record too big to share a block gets one of its own; the current
    // block keeps its room.
    bool own = rounded > CS_ARENA_BLOCK / 8;
    uint32_t room = ArenaBlockSize >= CS_HUGE_PAGE ? CSHugePageRoom(ArenaBlockSize - CS_BLOCK_HEADERS)
                                                   : ArenaBlockSize;
    auto* block = static_cast<char*>(CSGetMem(own ? rounded : room));
    if (!block) return nullptr;
    if (own) return block;
    CSAdviseHugePages(block, room);
    ArenaNext = block;
    ArenaLeft = room;
    if (ArenaBlockSize < CS_ARENA_BLOCK_MAX) ArenaBlockSize *= 2;
  } else if (CSMemFailCountdown != 0 && --CSMemFailCountdown == 0) {
    return nullptr;
  }
  void* room = ArenaNext;
  ArenaNext += rounded;
  ArenaLeft -= rounded;
  return room;
}

void CSForgetArena() {
  ArenaNext = nullptr;
  ArenaLeft = 0;
  ArenaBlockSize = CS_ARENA_BLOCK;
}
