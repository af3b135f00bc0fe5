#pragma once
// When the hook has gone deaf: Windows removes a low-level hook without a
// word when it answers late, and hooks go quiet around the secure desktop.
// Once a second the program compares the last input Windows saw with the last
// event the hook saw; this decides when to reinstall. Portable (times are
// GetTickCount() values, which wrap after 49 days: only differences count).

#include <algorithm>
#include <cstdint>

class HookWatchdog {
 public:
  static constexpr uint32_t kMissedMs = 2000;     // input this much newer than the hook's last event
  static constexpr uint32_t kFirstHoldOffMs = 4000;
  static constexpr uint32_t kLongestHoldOffMs = 64000;

  // Called once a second. True when the hook is to be reinstalled now: it
  // missed input on two checks in a row (one alone may be input that Windows
  // has counted and the hook is still about to see). A reinstall after which
  // the hook still sees nothing (input to an elevated window never reaches
  // it) is repeated ever more rarely, up to once a minute, not every two seconds.
  bool Tick(uint32_t lastInput, uint32_t lastHookEvent, uint32_t now) {
    bool missed = static_cast<int32_t>(lastInput - lastHookEvent) > static_cast<int32_t>(kMissedMs);
    if (!missed) {
      missedChecks_ = 0;
      if (reinstalled_ && lastHookEvent != hookEventAtReinstall_) {
        reinstalled_ = false;  // it hears again
        holdOffMs_ = 0;
      }
      return false;
    }
    if (++missedChecks_ < 2) return false;
    if (reinstalled_ && now - reinstalledAt_ < holdOffMs_) return false;
    // The next attempt, should this one not help either, waits longer.
    holdOffMs_ = reinstalled_ ? std::min(holdOffMs_ * 2, kLongestHoldOffMs) : kFirstHoldOffMs;
    reinstalled_ = true;
    reinstalledAt_ = now;
    hookEventAtReinstall_ = lastHookEvent;
    missedChecks_ = 0;
    return true;
  }
  // A reinstall for another reason (unlock, resume) starts afresh.
  void Reset() {
    reinstalled_ = false;
    holdOffMs_ = 0;
    missedChecks_ = 0;
  }

 private:
  int missedChecks_ = 0;
  bool reinstalled_ = false;
  uint32_t reinstalledAt_ = 0;
  uint32_t hookEventAtReinstall_ = 0;
  uint32_t holdOffMs_ = 0;
};
