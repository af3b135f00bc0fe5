#include "input/hook_watchdog.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Seconds at which a watchdog ticking once a second reinstalls, while Windows
// sees input every second and the hook's last event stays at `hookEvent`
// (or follows the input from second `hearsFrom` on).
std::vector<uint32_t> ReinstallSeconds(uint32_t start, uint32_t seconds, uint32_t hearsFrom = ~0u) {
  HookWatchdog watchdog;
  std::vector<uint32_t> at;
  uint32_t hookEvent = start;
  for (uint32_t s = 1; s <= seconds; ++s) {
    uint32_t now = start + s * 1000;
    if (s >= hearsFrom) hookEvent = now;
    if (watchdog.Tick(now, hookEvent, now)) at.push_back(s);
  }
  return at;
}

}  // namespace

TEST(HookWatchdog, AHookThatHearsEverythingIsLeftAlone) {
  HookWatchdog watchdog;
  for (uint32_t now = 1000; now < 100000; now += 1000) EXPECT_FALSE(watchdog.Tick(now - 300, now - 200, now));
  // No input at all for a long time is no fault either.
  EXPECT_FALSE(watchdog.Tick(5000, 5000, 500000));
  EXPECT_FALSE(watchdog.Tick(5000, 5000, 501000));
}

TEST(HookWatchdog, MissedInputOnTwoChecksReinstallsThenEverRarelyUpToAMinute) {
  // Deaf from the start: input more than 2 s newer than the hook's last event
  // on the checks at 3 and 4 s reinstalls at 4 s; then 4, 8, 16, 32, 64, 64 s later.
  EXPECT_EQ(ReinstallSeconds(10000, 250), (std::vector<uint32_t>{4, 8, 16, 32, 64, 128, 192}));
  // Over the wrap of GetTickCount.
  EXPECT_EQ(ReinstallSeconds(0xFFFFF000u, 20), (std::vector<uint32_t>{4, 8, 16}));
  // A hook that hears again from 10 s on is left alone from then.
  EXPECT_EQ(ReinstallSeconds(10000, 100, 10), (std::vector<uint32_t>{4, 8}));
}

TEST(HookWatchdog, AReinstallThatWorkedStartsAfresh) {
  HookWatchdog watchdog;
  uint32_t hook = 1000;
  std::vector<bool> got;
  for (uint32_t now : {4000u, 5000u}) got.push_back(watchdog.Tick(now, hook, now));
  EXPECT_EQ(got, (std::vector<bool>{false, true}));
  EXPECT_FALSE(watchdog.Tick(6000, 6000, 6000));  // it hears again
  // Deaf again later: reinstalled after two checks, without the hold-off.
  hook = 6000;
  EXPECT_FALSE(watchdog.Tick(9000, hook, 9000));
  EXPECT_TRUE(watchdog.Tick(10000, hook, 10000));
}
