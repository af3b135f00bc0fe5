#pragma once
// The keystroke flags of a classic keyboard message, rebuilt from what a
// low-level hook sees. Portable so that the bit rules are unit-tested.

#include <cstdint>

struct LowLevelKey {
  uint32_t vkCode;
  uint32_t scanCode;
  bool extended;
  bool altDown;
  bool released;
};

// Left and right Shift, Ctrl and Alt (160-165) become the generic 16, 17, 18,
// as a window's keyboard messages deliver them.
inline uint32_t GenericVirtualKey(uint32_t vk) {
  switch (vk) {
    case 0xA0: case 0xA1: return 0x10;  // VK_LSHIFT, VK_RSHIFT -> VK_SHIFT
    case 0xA2: case 0xA3: return 0x11;  // VK_LCONTROL, VK_RCONTROL -> VK_CONTROL
    case 0xA4: case 0xA5: return 0x12;  // VK_LMENU, VK_RMENU -> VK_MENU
    default: return vk & 0xFF;
  }
}

// wasDown: the key was already down before this event (an auto-repeat).
// A release always has bits 30 and 31 set.
inline uint32_t KeystrokeFlags(const LowLevelKey& key, bool wasDown) {
  uint32_t flags = 1;  // repeat count
  flags |= (key.scanCode & 0xFF) << 16;
  if (key.extended) flags |= 1u << 24;
  if (key.altDown) flags |= 1u << 29;
  if (wasDown || key.released) flags |= 1u << 30;
  if (key.released) flags |= 1u << 31;
  return flags;
}

// Tracks which keys are down, by their own (left/right) codes, so that a press
// of a key that is already down is reported as an auto-repeat. Touched only by
// the hook thread.
class KeyDownTracker {
 public:
  // Records the event and returns whether the key was down before it.
  bool Update(uint32_t vk, bool released) {
    vk &= 0xFF;
    bool wasDown = down_[vk];
    down_[vk] = !released;
    return wasDown;
  }
  void Reset() {
    for (bool& d : down_) d = false;
  }

 private:
  bool down_[256] = {};
};
