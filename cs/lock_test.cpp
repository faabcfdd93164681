#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#include "cs/cs.h"

namespace {

std::string TrapFileLine() {
  std::stringstream text;
  text << std::ifstream(CSTrapFileName).rdbuf();
  return text.str();
}

// With SIGTRAP ignored the trap returns, as under a resuming debugger.
struct IgnoreTraps {
  IgnoreTraps() { previous = std::signal(SIGTRAP, SIG_IGN); }
  ~IgnoreTraps() { std::signal(SIGTRAP, previous); }
  void (*previous)(int);
};

TEST(Lock, OwnerReentersAndLastUnlockReleases) {
  static CSLock lock;
  for (int i = 0; i < 3; i++) EXPECT_EQ(CSLockIt(&lock, 0), LOCK_OBTAINED);
  EXPECT_EQ(lock.count, 3);
  CSUnlockIt(&lock);
  CSUnlockIt(&lock);
  uint32_t fromOther = 0;
  std::thread([&] { fromOther = CSLockIt(&lock, 10); }).join();
  EXPECT_EQ(fromOther, LOCK_TIMEOUT) << "still held after two of three unlocks";
  CSUnlockIt(&lock);
  EXPECT_EQ(lock.count, 0);
  EXPECT_EQ(lock.owner.load(), std::thread::id());
  std::thread([&] {
    fromOther = CSLockIt(&lock, 10);
    CSUnlockIt(&lock);
  }).join();
  EXPECT_EQ(fromOther, LOCK_OBTAINED);
}

TEST(Lock, UnlockByNonOwnerTrapsAndChangesNothing) {
  IgnoreTraps ignore;
  static CSLock lock;
  CSUnlockIt(&lock);
  EXPECT_EQ(lock.count, 0);
  EXPECT_EQ(TrapFileLine().rfind("cstrap line 734 file trap.cpp (", 0), 0u) << TrapFileLine();
  EXPECT_NE(TrapFileLine().find(") value 0\n"), std::string::npos);

  ASSERT_EQ(CSLockIt(&lock, 0), LOCK_OBTAINED);
  std::thread([&] { CSUnlockIt(&lock); }).join();
  EXPECT_EQ(lock.count, 1);
  EXPECT_EQ(lock.owner.load(), std::this_thread::get_id());
  EXPECT_NE(TrapFileLine().find(") value 1\n"), std::string::npos) << "second trap replaces the first";
  CSUnlockIt(&lock);
}

TEST(Lock, TrapLineNamesSiteFileTimestampAndValue) {
  IgnoreTraps ignore;
  CSTrap(TRAP_TREE_BALANCE, -3);
  std::string line = TrapFileLine();  // the time stamp: 24 characters
  EXPECT_EQ(line.substr(0, 32), "cstrap line 3389 file trap.cpp (") << line;
  EXPECT_EQ(line.substr(56), ") value -3\n") << line;
}

TEST(Lock, CheckedWaitTrapsOnlyOnDevelopmentMachine) {
  IgnoreTraps ignore;
  static CSLock lock;
  std::remove(CSTrapFileName);
  std::atomic<bool> held{false};
  // The lock is held until the waiter has trapped (or surely would have).
  std::thread holder([&] {
    CSLockIt(&lock, LOCK_NO_LIMIT);
    held = true;
    for (int waited = 0; waited < 10000 && TrapFileLine().rfind("cstrap line 693 ", 0) != 0; waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CSUnlockIt(&lock);
  });
  while (!held) std::this_thread::yield();
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  CSDevelopmentMachine = host;
  CSLockChecked(&lock);
  CSDevelopmentMachine = nullptr;
  EXPECT_EQ(lock.owner.load(), std::this_thread::get_id()) << "waited on without limit";
  CSUnlockIt(&lock);
  holder.join();
  EXPECT_EQ(TrapFileLine().rfind("cstrap line 693 ", 0), 0u);
}

}  // namespace
