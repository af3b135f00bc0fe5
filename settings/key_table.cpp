#include "settings/key_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace {

using C = KeyCategory;
constexpr bool kE0 = true;      // the hook's extended flag
constexpr bool kPlain = false;

// Packs number the arrows apart from the other E0 keys, and give the navigation
// keys a second code that some packs use instead.
constexpr uint32_t kPackExtended = 0x0E00;
constexpr uint32_t kPackArrow = 0xE000;
constexpr uint32_t kPackAlias = 0xEE00;

// The arrows' labels, in UTF-8: U+2191, U+2190, U+2193, U+2192.
constexpr std::string_view kUpLabel = "\xE2\x86\x91";
constexpr std::string_view kLeftLabel = "\xE2\x86\x90";
constexpr std::string_view kDownLabel = "\xE2\x86\x93";
constexpr std::string_view kRightLabel = "\xE2\x86\x92";

constexpr std::array<KeyInfo, kKeyCount> kKeys = {{
    // name, label, displayName, packCode, packAlias,
    // virtualKey, virtualKeyNumLockOff, scanCode, extended, category
    {"Escape", "Esc", "Escape", 0x01, 0, 0x1B, 0, 0x01, kPlain, C::Escape},
    {"F1", "F1", "F1", 0x3B, 0, 0x70, 0, 0x3B, kPlain, C::Functions},
    {"F2", "F2", "F2", 0x3C, 0, 0x71, 0, 0x3C, kPlain, C::Functions},
    {"F3", "F3", "F3", 0x3D, 0, 0x72, 0, 0x3D, kPlain, C::Functions},
    {"F4", "F4", "F4", 0x3E, 0, 0x73, 0, 0x3E, kPlain, C::Functions},
    {"F5", "F5", "F5", 0x3F, 0, 0x74, 0, 0x3F, kPlain, C::Functions},
    {"F6", "F6", "F6", 0x40, 0, 0x75, 0, 0x40, kPlain, C::Functions},
    {"F7", "F7", "F7", 0x41, 0, 0x76, 0, 0x41, kPlain, C::Functions},
    {"F8", "F8", "F8", 0x42, 0, 0x77, 0, 0x42, kPlain, C::Functions},
    {"F9", "F9", "F9", 0x43, 0, 0x78, 0, 0x43, kPlain, C::Functions},
    {"F10", "F10", "F10", 0x44, 0, 0x79, 0, 0x44, kPlain, C::Functions},
    {"F11", "F11", "F11", 0x57, 0, 0x7A, 0, 0x57, kPlain, C::Functions},
    {"F12", "F12", "F12", 0x58, 0, 0x7B, 0, 0x58, kPlain, C::Functions},
    // Packs give F13..F15 the codes 0x5B..0x5D, which are not what keyboards
    // send for them (0x64..0x66).
    {"F13", "F13", "F13", 0x5B, 0, 0x7C, 0, 0x64, kPlain, C::Functions},
    {"F14", "F14", "F14", 0x5C, 0, 0x7D, 0, 0x65, kPlain, C::Functions},
    {"F15", "F15", "F15", 0x5D, 0, 0x7E, 0, 0x66, kPlain, C::Functions},

    {"Grave", "`", "Backquote", 0x29, 0, 0xC0, 0, 0x29, kPlain, C::Other},
    {"D1", "1", "1", 0x02, 0, 0x31, 0, 0x02, kPlain, C::Digits},
    {"D2", "2", "2", 0x03, 0, 0x32, 0, 0x03, kPlain, C::Digits},
    {"D3", "3", "3", 0x04, 0, 0x33, 0, 0x04, kPlain, C::Digits},
    {"D4", "4", "4", 0x05, 0, 0x34, 0, 0x05, kPlain, C::Digits},
    {"D5", "5", "5", 0x06, 0, 0x35, 0, 0x06, kPlain, C::Digits},
    {"D6", "6", "6", 0x07, 0, 0x36, 0, 0x07, kPlain, C::Digits},
    {"D7", "7", "7", 0x08, 0, 0x37, 0, 0x08, kPlain, C::Digits},
    {"D8", "8", "8", 0x09, 0, 0x38, 0, 0x09, kPlain, C::Digits},
    {"D9", "9", "9", 0x0A, 0, 0x39, 0, 0x0A, kPlain, C::Digits},
    {"D0", "0", "0", 0x0B, 0, 0x30, 0, 0x0B, kPlain, C::Digits},
    {"Minus", "-", "Minus", 0x0C, 0, 0xBD, 0, 0x0C, kPlain, C::Other},
    {"Equals", "=", "Equals", 0x0D, 0, 0xBB, 0, 0x0D, kPlain, C::Other},
    {"Backspace", "Bksp", "Backspace", 0x0E, 0, 0x08, 0, 0x0E, kPlain, C::BackSpace},

    {"Tab", "Tab", "Tab", 0x0F, 0, 0x09, 0, 0x0F, kPlain, C::Tab},
    {"Q", "Q", "Q", 0x10, 0, 'Q', 0, 0x10, kPlain, C::Other},
    {"W", "W", "W", 0x11, 0, 'W', 0, 0x11, kPlain, C::Other},
    {"E", "E", "E", 0x12, 0, 'E', 0, 0x12, kPlain, C::Other},
    {"R", "R", "R", 0x13, 0, 'R', 0, 0x13, kPlain, C::Other},
    {"T", "T", "T", 0x14, 0, 'T', 0, 0x14, kPlain, C::Other},
    {"Y", "Y", "Y", 0x15, 0, 'Y', 0, 0x15, kPlain, C::Other},
    {"U", "U", "U", 0x16, 0, 'U', 0, 0x16, kPlain, C::Other},
    {"I", "I", "I", 0x17, 0, 'I', 0, 0x17, kPlain, C::Other},
    {"O", "O", "O", 0x18, 0, 'O', 0, 0x18, kPlain, C::Other},
    {"P", "P", "P", 0x19, 0, 'P', 0, 0x19, kPlain, C::Other},
    {"LeftBracket", "[", "Left Bracket", 0x1A, 0, 0xDB, 0, 0x1A, kPlain, C::Other},
    {"RightBracket", "]", "Right Bracket", 0x1B, 0, 0xDD, 0, 0x1B, kPlain, C::Other},
    {"Backslash", "\\", "Backslash", 0x2B, 0, 0xDC, 0, 0x2B, kPlain, C::Other},

    {"CapsLock", "Caps", "Caps Lock", 0x3A, 0, 0x14, 0, 0x3A, kPlain, C::CapsLock},
    {"A", "A", "A", 0x1E, 0, 'A', 0, 0x1E, kPlain, C::Other},
    {"S", "S", "S", 0x1F, 0, 'S', 0, 0x1F, kPlain, C::Other},
    {"D", "D", "D", 0x20, 0, 'D', 0, 0x20, kPlain, C::Other},
    {"F", "F", "F", 0x21, 0, 'F', 0, 0x21, kPlain, C::Other},
    {"G", "G", "G", 0x22, 0, 'G', 0, 0x22, kPlain, C::Other},
    {"H", "H", "H", 0x23, 0, 'H', 0, 0x23, kPlain, C::Other},
    {"J", "J", "J", 0x24, 0, 'J', 0, 0x24, kPlain, C::Other},
    {"K", "K", "K", 0x25, 0, 'K', 0, 0x25, kPlain, C::Other},
    {"L", "L", "L", 0x26, 0, 'L', 0, 0x26, kPlain, C::Other},
    {"Semicolon", ";", "Semicolon", 0x27, 0, 0xBA, 0, 0x27, kPlain, C::Other},
    {"Quote", "'", "Quote", 0x28, 0, 0xDE, 0, 0x28, kPlain, C::Other},
    {"Enter", "Enter", "Enter", 0x1C, 0, 0x0D, 0, 0x1C, kPlain, C::Enter},

    {"LeftShift", "Shift", "Left Shift", 0x2A, 0, 0xA0, 0, 0x2A, kPlain, C::Shift},
    {"IntlBackslash", "\\", "ISO Backslash", 0x56, 0, 0xE2, 0, 0x56, kPlain, C::Other},
    {"Z", "Z", "Z", 0x2C, 0, 'Z', 0, 0x2C, kPlain, C::Other},
    {"X", "X", "X", 0x2D, 0, 'X', 0, 0x2D, kPlain, C::Other},
    {"C", "C", "C", 0x2E, 0, 'C', 0, 0x2E, kPlain, C::Other},
    {"V", "V", "V", 0x2F, 0, 'V', 0, 0x2F, kPlain, C::Other},
    {"B", "B", "B", 0x30, 0, 'B', 0, 0x30, kPlain, C::Other},
    {"N", "N", "N", 0x31, 0, 'N', 0, 0x31, kPlain, C::Other},
    {"M", "M", "M", 0x32, 0, 'M', 0, 0x32, kPlain, C::Other},
    {"Comma", ",", "Comma", 0x33, 0, 0xBC, 0, 0x33, kPlain, C::Other},
    {"Period", ".", "Period", 0x34, 0, 0xBE, 0, 0x34, kPlain, C::Other},
    {"Slash", "/", "Slash", 0x35, 0, 0xBF, 0, 0x35, kPlain, C::Other},
    {"RightShift", "Shift", "Right Shift", 0x36, 0, 0xA1, 0, 0x36, kPlain, C::Shift},

    {"LeftCtrl", "Ctrl", "Left Ctrl", 0x1D, 0, 0xA2, 0, 0x1D, kPlain, C::Ctrl},
    {"LeftWin", "Win", "Left Windows", kPackExtended + 0x5B, 0, 0x5B, 0, 0x5B, kE0, C::Win},
    {"LeftAlt", "Alt", "Left Alt", 0x38, 0, 0xA4, 0, 0x38, kPlain, C::Alt},
    {"Space", "Space", "Space", 0x39, 0, 0x20, 0, 0x39, kPlain, C::Space},
    {"RightAlt", "Alt", "Right Alt", kPackExtended + 0x38, 0, 0xA5, 0, 0x38, kE0, C::Alt},
    {"RightWin", "Win", "Right Windows", kPackExtended + 0x5C, 0, 0x5C, 0, 0x5C, kE0, C::Win},
    {"Menu", "Menu", "Menu", kPackExtended + 0x5D, 0, 0x5D, 0, 0x5D, kE0, C::Menu},
    {"RightCtrl", "Ctrl", "Right Ctrl", kPackExtended + 0x1D, 0, 0xA3, 0, 0x1D, kE0, C::Ctrl},

    // Packs number Pause as an E0 key although keyboards send it without the
    // flag (it is an E1 sequence, which Windows reduces to scan code 0x45).
    {"PrintScreen", "PrtSc", "Print Screen", kPackExtended + 0x37, 0, 0x2C, 0, 0x37, kE0, C::PrintScreen},
    {"ScrollLock", "ScrLk", "Scroll Lock", 0x46, 0, 0x91, 0, 0x46, kPlain, C::ScrollLock},
    {"Pause", "Pause", "Pause", kPackExtended + 0x45, 0, 0x13, 0, 0x45, kPlain, C::Pause},
    {"Insert", "Ins", "Insert", kPackExtended + 0x52, kPackAlias + 0x52, 0x2D, 0, 0x52, kE0, C::Insert},
    {"Home", "Home", "Home", kPackExtended + 0x47, kPackAlias + 0x47, 0x24, 0, 0x47, kE0, C::Home},
    {"PageUp", "PgUp", "Page Up", kPackExtended + 0x49, kPackAlias + 0x49, 0x21, 0, 0x49, kE0, C::PageUp},
    {"Delete", "Del", "Delete", kPackExtended + 0x53, kPackAlias + 0x53, 0x2E, 0, 0x53, kE0, C::Delete},
    {"End", "End", "End", kPackExtended + 0x4F, kPackAlias + 0x4F, 0x23, 0, 0x4F, kE0, C::End},
    {"PageDown", "PgDn", "Page Down", kPackExtended + 0x51, kPackAlias + 0x51, 0x22, 0, 0x51, kE0, C::PageDown},
    {"Up", kUpLabel, "Up Arrow", kPackArrow + 0x48, kPackAlias + 0x48, 0x26, 0, 0x48, kE0, C::Other},
    {"Left", kLeftLabel, "Left Arrow", kPackArrow + 0x4B, kPackAlias + 0x4B, 0x25, 0, 0x4B, kE0, C::Other},
    {"Down", kDownLabel, "Down Arrow", kPackArrow + 0x50, kPackAlias + 0x50, 0x28, 0, 0x50, kE0, C::Other},
    {"Right", kRightLabel, "Right Arrow", kPackArrow + 0x4D, kPackAlias + 0x4D, 0x27, 0, 0x4D, kE0, C::Other},

    {"NumLock", "Num", "Num Lock", 0x45, 0, 0x90, 0, 0x45, kE0, C::NumLock},
    {"NumpadDivide", "/", "Numpad /", kPackExtended + 0x35, 0, 0x6F, 0, 0x35, kE0, C::Other},
    {"NumpadMultiply", "*", "Numpad *", 0x37, 0, 0x6A, 0, 0x37, kPlain, C::Other},
    {"NumpadSubtract", "-", "Numpad -", 0x4A, 0, 0x6D, 0, 0x4A, kPlain, C::Other},
    {"Numpad7", "7", "Numpad 7", 0x47, 0, 0x67, 0x24, 0x47, kPlain, C::Other},
    {"Numpad8", "8", "Numpad 8", 0x48, 0, 0x68, 0x26, 0x48, kPlain, C::Other},
    {"Numpad9", "9", "Numpad 9", 0x49, 0, 0x69, 0x21, 0x49, kPlain, C::Other},
    {"NumpadAdd", "+", "Numpad +", 0x4E, 0, 0x6B, 0, 0x4E, kPlain, C::Other},
    {"Numpad4", "4", "Numpad 4", 0x4B, 0, 0x64, 0x25, 0x4B, kPlain, C::Other},
    {"Numpad5", "5", "Numpad 5", 0x4C, 0, 0x65, 0x0C, 0x4C, kPlain, C::Other},
    {"Numpad6", "6", "Numpad 6", 0x4D, 0, 0x66, 0x27, 0x4D, kPlain, C::Other},
    {"Numpad1", "1", "Numpad 1", 0x4F, 0, 0x61, 0x23, 0x4F, kPlain, C::Other},
    {"Numpad2", "2", "Numpad 2", 0x50, 0, 0x62, 0x28, 0x50, kPlain, C::Other},
    {"Numpad3", "3", "Numpad 3", 0x51, 0, 0x63, 0x22, 0x51, kPlain, C::Other},
    {"NumpadEnter", "Enter", "Numpad Enter", kPackExtended + 0x1C, 0, 0x0D, 0, 0x1C, kE0, C::Enter},
    {"Numpad0", "0", "Numpad 0", 0x52, 0, 0x60, 0x2D, 0x52, kPlain, C::Other},
    {"NumpadDecimal", ".", "Numpad .", 0x53, 0, 0x6E, 0x2E, 0x53, kPlain, C::Other},
}};

constexpr int16_t kNone = -1;

constexpr int RowNamed(std::string_view name) {
  for (int i = 0; i < kKeyCount; ++i) {
    if (kKeys[static_cast<size_t>(i)].name == name) return i;
  }
  throw "no such key";  // a compile-time error: RowNamed only runs while compiling
}

constexpr int kPause = RowNamed("Pause");
constexpr int kNumLock = RowNamed("NumLock");
constexpr int kPrintScreen = RowNamed("PrintScreen");

constexpr char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// <0, 0, >0 as a and b compare, letters folded to lower case.
constexpr int CompareIgnoringCase(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    char x = Lower(a[i]), y = Lower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct PackEntry {
  uint32_t code;
  int16_t row;
};

constexpr int kPackEntryCount = [] {
  int count = 0;
  for (const KeyInfo& key : kKeys) count += key.packAlias != 0 ? 2 : 1;
  return count;
}();

// Built while compiling, so that the key path finds a key with two array reads
// and a table that gives two keys one code or one name does not build.
struct Indexes {
  std::array<int16_t, 512> byScan{};             // (extended << 8) | scan code
  std::array<int16_t, 256> byVirtualKey{};       // for events without a scan code
  std::array<int16_t, 256> firstByVirtualKey{};  // keys whose scan code is not to be trusted
  std::array<int16_t, kKeyCount> byName{};       // rows in the order of their names, case folded
  std::array<PackEntry, kPackEntryCount> byPackCode{};
};

constexpr Indexes BuildIndexes() {
  Indexes ix;
  ix.byScan.fill(kNone);
  ix.byVirtualKey.fill(kNone);
  ix.firstByVirtualKey.fill(kNone);

  int pack = 0;
  for (int16_t i = 0; i < kKeyCount; ++i) {
    const KeyInfo& key = kKeys[static_cast<size_t>(i)];
    int16_t& slot = ix.byScan[(key.extended ? 0x100u : 0u) | key.scanCode];
    if (slot != kNone) throw "two keys send one scan code";
    slot = i;
    // The first key of a code wins: Enter before Numpad Enter, Home before
    // the keypad's 7 with Num Lock off.
    if (ix.byVirtualKey[key.virtualKey] == kNone) ix.byVirtualKey[key.virtualKey] = i;
    ix.byPackCode[static_cast<size_t>(pack++)] = {key.packCode, i};
    if (key.packAlias != 0) ix.byPackCode[static_cast<size_t>(pack++)] = {key.packAlias, i};
    ix.byName[static_cast<size_t>(i)] = i;
  }
  for (int16_t i = 0; i < kKeyCount; ++i) {
    uint8_t offCode = kKeys[static_cast<size_t>(i)].virtualKeyNumLockOff;
    if (offCode != 0 && ix.byVirtualKey[offCode] == kNone) ix.byVirtualKey[offCode] = i;  // VK_CLEAR
  }
  // The generic Shift, Ctrl and Alt codes carry no side: the left key, which
  // is the one there is on every keyboard.
  ix.byVirtualKey[0x10] = static_cast<int16_t>(RowNamed("LeftShift"));
  ix.byVirtualKey[0x11] = static_cast<int16_t>(RowNamed("LeftCtrl"));
  ix.byVirtualKey[0x12] = static_cast<int16_t>(RowNamed("LeftAlt"));

  // Pause arrives with scan code 0x45, and so does Num Lock on keyboards that
  // do not flag it extended; Ctrl+Pause is VK_CANCEL with scan code 0x46
  // extended, and Alt+Print Screen is scan code 0x54. F13..F15 are the keys
  // whose scan codes keyboards agree on least. Their codes tell them apart.
  ix.firstByVirtualKey[0x03] = static_cast<int16_t>(kPause);
  ix.firstByVirtualKey[0x13] = static_cast<int16_t>(kPause);
  ix.firstByVirtualKey[0x90] = static_cast<int16_t>(kNumLock);
  ix.firstByVirtualKey[0x2C] = static_cast<int16_t>(kPrintScreen);
  for (uint8_t vk = 0x7C; vk <= 0x7E; ++vk) ix.firstByVirtualKey[vk] = ix.byVirtualKey[vk];

  std::sort(ix.byPackCode.begin(), ix.byPackCode.end(),
            [](const PackEntry& a, const PackEntry& b) { return a.code < b.code; });
  for (size_t i = 1; i < ix.byPackCode.size(); ++i) {
    if (ix.byPackCode[i].code == ix.byPackCode[i - 1].code) throw "two keys have one pack code";
  }
  std::sort(ix.byName.begin(), ix.byName.end(), [](int16_t a, int16_t b) {
    return CompareIgnoringCase(kKeys[static_cast<size_t>(a)].name, kKeys[static_cast<size_t>(b)].name) < 0;
  });
  for (size_t i = 1; i < ix.byName.size(); ++i) {
    if (CompareIgnoringCase(kKeys[static_cast<size_t>(ix.byName[i])].name,
                            kKeys[static_cast<size_t>(ix.byName[i - 1])].name) == 0) {
      throw "two keys have one name";
    }
  }
  return ix;
}

constexpr Indexes kIndexes = BuildIndexes();

// A character typed by an on-screen keyboard or an input method, with the
// character where the scan code goes.
constexpr uint32_t kVirtualKeyPacket = 0xE7;

}  // namespace

std::span<const KeyInfo, kKeyCount> KeyTable() noexcept { return kKeys; }

int FindKeyByName(std::string_view name) noexcept {
  const auto& rows = kIndexes.byName;
  auto found = std::lower_bound(rows.begin(), rows.end(), name, [](int16_t row, std::string_view wanted) {
    return CompareIgnoringCase(kKeys[static_cast<size_t>(row)].name, wanted) < 0;
  });
  if (found == rows.end() || CompareIgnoringCase(kKeys[static_cast<size_t>(*found)].name, name) != 0) return -1;
  return *found;
}

int FindKeyByPackCode(uint32_t code) noexcept {
  const auto& entries = kIndexes.byPackCode;
  auto found = std::lower_bound(entries.begin(), entries.end(), code,
                                [](const PackEntry& entry, uint32_t wanted) { return entry.code < wanted; });
  if (found == entries.end() || found->code != code) return -1;
  return found->row;
}

int KeyOfEvent(uint32_t genericVirtualKey, uint32_t scanCode, bool extended) noexcept {
  if (genericVirtualKey > 0xFF || genericVirtualKey == kVirtualKeyPacket) return -1;
  int16_t byCode = kIndexes.firstByVirtualKey[genericVirtualKey];
  if (byCode != kNone) return byCode;
  // On-screen keyboards and automation may send no scan code at all.
  if (scanCode == 0) return kIndexes.byVirtualKey[genericVirtualKey];
  // No key sends more than a byte; AltGr's phantom Left Ctrl comes with 0x21D.
  if (scanCode > 0xFF) return -1;
  return kIndexes.byScan[(extended ? 0x100u : 0u) | scanCode];
}
