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

  // Called once a second. True when the hook is to be reinstalled now: Windows
  // saw input more than 2 s after the hook's last event (a live hook that was
  // about to see the input can only be taken for deaf if it had heard nothing
  // for 2 s before, and reinstalling it loses nothing). A reinstall after which
  // the hook still sees nothing (input to an elevated window never reaches
  // it) is repeated ever more rarely, up to once a minute, not every two seconds.
  bool Tick(uint32_t lastInput, uint32_t lastHookEvent, uint32_t now) {
    bool missed = static_cast<int32_t>(lastInput - lastHookEvent) > static_cast<int32_t>(kMissedMs);
    if (!missed) {
      if (reinstalled_ && lastHookEvent != hookEventAtReinstall_) {
        reinstalled_ = false;  // it hears again
        holdOffMs_ = 0;
      }
      return false;
    }
    if (reinstalled_ && now - reinstalledAt_ < holdOffMs_) return false;
    // The next attempt, should this one not help either, waits longer.
    holdOffMs_ = reinstalled_ && holdOffMs_ ? std::min(holdOffMs_ * 2, kLongestHoldOffMs) : kFirstHoldOffMs;
    reinstalled_ = true;
    reinstalledAt_ = now;
    return true;
  }
  // After every reinstall (the watchdog's own, or after an unlock or a
  // resume), with the hook's last event time as the new hooks report it.
  void Reinstalled(uint32_t lastHookEvent, uint32_t now) {
    reinstalled_ = true;
    reinstalledAt_ = now;
    hookEventAtReinstall_ = lastHookEvent;
  }

 private:
  bool reinstalled_ = false;
  uint32_t reinstalledAt_ = 0;
  uint32_t hookEventAtReinstall_ = 0;
  uint32_t holdOffMs_ = 0;
};
