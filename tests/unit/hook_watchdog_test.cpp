#include "input/hook_watchdog.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Seconds at which a watchdog ticking once a second reinstalls, while Windows
// sees input every second and the hook's last event stays at `hookEvent`
// (or follows the input from second `hearsFrom` on); new hooks report their
// installation as their last event.
std::vector<uint32_t> ReinstallSeconds(uint32_t start, uint32_t seconds, uint32_t hearsFrom = ~0u) {
  HookWatchdog watchdog;
  std::vector<uint32_t> at;
  uint32_t hookEvent = start;
  for (uint32_t s = 1; s <= seconds; ++s) {
    uint32_t now = start + s * 1000;
    if (s >= hearsFrom) hookEvent = now;
    if (watchdog.Tick(now, hookEvent, now)) {
      at.push_back(s);
      hookEvent = now;  // new hooks have missed nothing yet
      watchdog.Reinstalled(hookEvent, now);
    }
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

TEST(HookWatchdog, MissedInputReinstallsThenEverMoreRarelyUpToOnceAMinute) {
  // Deaf from the start: input more than 2 s newer than the hook's last event
  // reinstalls at 3 s; then 4, 8, 16, 32, 64, 64 s later.
  EXPECT_EQ(ReinstallSeconds(10000, 250), (std::vector<uint32_t>{3, 7, 15, 31, 63, 127, 191}));
  // Over the wrap of GetTickCount.
  EXPECT_EQ(ReinstallSeconds(0xFFFFF000u, 20), (std::vector<uint32_t>{3, 7, 15}));
  // A hook that hears again from 10 s on is left alone from then.
  EXPECT_EQ(ReinstallSeconds(10000, 100, 10), (std::vector<uint32_t>{3, 7}));
}

TEST(HookWatchdog, AReinstallThatWorkedStartsAfresh) {
  HookWatchdog watchdog;
  uint32_t hook = 1000;
  std::vector<bool> got;
  for (uint32_t now : {2000u, 3000u, 4000u}) got.push_back(watchdog.Tick(now, hook, now));
  EXPECT_EQ(got, (std::vector<bool>{false, false, true}));
  watchdog.Reinstalled(4000, 4000);
  EXPECT_FALSE(watchdog.Tick(5000, 5000, 5000));  // it hears again
  // Deaf again a moment later: reinstalled at once, without the hold-off.
  hook = 5000;
  EXPECT_FALSE(watchdog.Tick(7000, hook, 7000));
  EXPECT_TRUE(watchdog.Tick(8000, hook, 8000));
}
