#pragma once
// The keys of a full-size keyboard: one table that the scheme model,
// schemes.cfg, the key path, the sound pack importer and the keyboard picture
// share, and the look-ups from a name, a sound pack's key code or a key event
// to a row of it.

#include <cstdint>
#include <span>
#include <string_view>

#include "settings/scheme.h"

struct KeyInfo {
  // Stable: it names the key in schemes.cfg. ASCII letters and digits, starting
  // with a letter, unique without regard to letter case. The top-row digits are
  // D1..D9, D0 (a name cannot start with a digit); the key beside Left Shift on
  // ISO keyboards is IntlBackslash.
  std::string_view name;
  std::string_view label;        // on the key in the keyboard picture; UTF-8 (the arrows)
  std::string_view displayName;  // in tooltips and dialog captions
  // How a sound pack names the key: the set-1 scan code, with 0x0E00 added for
  // the E0-prefixed keys and 0xE000 for the arrows. Packs may name a
  // navigation key by packAlias (0xEE00 + scan code; 0: none) instead.
  uint32_t packCode;
  uint32_t packAlias;
  // Windows' virtual-key code, with the left/right codes for Shift, Ctrl and
  // Alt (0xA0..0xA5) and the US layout's codes for letters and punctuation,
  // which follow the layout while the key stays in its place.
  uint8_t virtualKey;
  // The code a keypad key sends while Num Lock is off (VK_HOME for 7,
  // VK_CLEAR for 5...); 0 for every other key.
  uint8_t virtualKeyNumLockOff;
  uint8_t scanCode;  // set 1, as the keyboard hook reports it
  bool extended;     // the hook's extended flag (an E0 prefix)
  // The category the key sounds by in a scheme without sounds of single keys:
  // that of its generic virtual-key code with Num Lock on.
  KeyCategory category;
};

// 104 keys of an ANSI keyboard, the ISO key beside Left Shift, F13..F15.
inline constexpr int kKeyCount = 108;

// Fixed order, which is also the order of the per-key entries of schemes.cfg:
// the main block row by row, left to right, from Escape and the function keys
// down to Right Ctrl; then the navigation block (Print Screen .. Pause,
// Insert .. Page Down, the arrows); then the keypad row by row.
std::span<const KeyInfo, kKeyCount> KeyTable() noexcept;

// The row whose name equals name without regard to letter case, or -1.
int FindKeyByName(std::string_view name) noexcept;

// The row a sound pack means by code (a key code or an alias), or -1.
int FindKeyByPackCode(uint32_t code) noexcept;

// The row of a key event as the keyboard hook sees it (the generic code for
// Shift, Ctrl and Alt; the left/right codes are accepted too), or -1 for a key
// outside the table (media keys, injected characters, mouse buttons). Makes no
// allocation: the key path calls it on every press.
int KeyOfEvent(uint32_t genericVirtualKey, uint32_t scanCode, bool extended) noexcept;
