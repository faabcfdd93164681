// Recursive locks: a timed mutex plus the owning thread and a re-entry count.
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>

#include "cs/cs.h"

const char* CSDevelopmentMachine = nullptr;

constexpr uint32_t CHECKED_FIRST_WAIT_MS = 2000;

uint32_t CSLockIt(CSLock* lock, uint32_t timeoutMs) {
  std::thread::id self = std::this_thread::get_id();
  if (lock->count != 0 &&
      lock->owner.load(std::memory_order_relaxed) == self) {
    lock->count++;
    return LOCK_OBTAINED;
  }
  // A free mutex is taken at once, without reading the clock.
  if (!lock->mutex.try_lock()) {
    if (timeoutMs == LOCK_NO_LIMIT)
      lock->mutex.lock();
    else if (!lock->mutex.try_lock_for(std::chrono::milliseconds(timeoutMs)))
      return LOCK_TIMEOUT;
  }
  lock->owner.store(self, std::memory_order_relaxed);
  lock->count = 1;
  return LOCK_OBTAINED;
}

void CSUnlockIt(CSLock* lock) {
  if (lock->count == 0 ||
      lock->owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
    CSTrap(TRAP_UNLOCK_NOT_OWNER, lock->count);
    return;
  }
  if (--lock->count == 0) {
    lock->owner.store(std::thread::id(), std::memory_order_relaxed);
    lock->mutex.unlock();
  }
}

static const std::string& ComputerName() {
  static std::string name;
  if (name.empty()) {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) == 0 && buffer[0] != '\0')
      name = buffer;
    else
      name = "Unknown";
  }
  return name;
}

void CSLockChecked(CSLock* lock) {
  if (CSLockIt(lock, CHECKED_FIRST_WAIT_MS) != LOCK_TIMEOUT) return;
  if (CSDevelopmentMachine && ComputerName() == CSDevelopmentMachine)
    CSTrap(TRAP_LOCK_TIMEOUT, 0);
  CSLockIt(lock, LOCK_NO_LIMIT);
}
