#include "settings/key_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "hook/key_flags.h"
#include "input/dispatch.h"

namespace {

struct Code {
  uint32_t code;
  std::string_view name;
};

// How sound packs number the keys, in the order of the keyboard's rows.
constexpr Code kPackCodes[] = {
    {1, "Escape"}, {59, "F1"}, {60, "F2"}, {61, "F3"}, {62, "F4"}, {63, "F5"}, {64, "F6"}, {65, "F7"}, {66, "F8"},
    {67, "F9"}, {68, "F10"}, {87, "F11"}, {88, "F12"}, {91, "F13"}, {92, "F14"}, {93, "F15"},
    {41, "Grave"}, {2, "D1"}, {3, "D2"}, {4, "D3"}, {5, "D4"}, {6, "D5"}, {7, "D6"}, {8, "D7"}, {9, "D8"},
    {10, "D9"}, {11, "D0"}, {12, "Minus"}, {13, "Equals"}, {14, "Backspace"},
    {15, "Tab"}, {16, "Q"}, {17, "W"}, {18, "E"}, {19, "R"}, {20, "T"}, {21, "Y"}, {22, "U"}, {23, "I"}, {24, "O"},
    {25, "P"}, {26, "LeftBracket"}, {27, "RightBracket"}, {43, "Backslash"},
    {58, "CapsLock"}, {30, "A"}, {31, "S"}, {32, "D"}, {33, "F"}, {34, "G"}, {35, "H"}, {36, "J"}, {37, "K"},
    {38, "L"}, {39, "Semicolon"}, {40, "Quote"}, {28, "Enter"},
    {42, "LeftShift"}, {86, "IntlBackslash"}, {44, "Z"}, {45, "X"}, {46, "C"}, {47, "V"}, {48, "B"}, {49, "N"},
    {50, "M"}, {51, "Comma"}, {52, "Period"}, {53, "Slash"}, {54, "RightShift"},
    {29, "LeftCtrl"}, {3675, "LeftWin"}, {56, "LeftAlt"}, {57, "Space"}, {3640, "RightAlt"}, {3676, "RightWin"},
    {3677, "Menu"}, {3613, "RightCtrl"},
    {3639, "PrintScreen"}, {70, "ScrollLock"}, {3653, "Pause"}, {3666, "Insert"}, {3655, "Home"}, {3657, "PageUp"},
    {3667, "Delete"}, {3663, "End"}, {3665, "PageDown"}, {57416, "Up"}, {57419, "Left"}, {57424, "Down"},
    {57421, "Right"},
    {69, "NumLock"}, {3637, "NumpadDivide"}, {55, "NumpadMultiply"}, {74, "NumpadSubtract"}, {71, "Numpad7"},
    {72, "Numpad8"}, {73, "Numpad9"}, {78, "NumpadAdd"}, {75, "Numpad4"}, {76, "Numpad5"}, {77, "Numpad6"},
    {79, "Numpad1"}, {80, "Numpad2"}, {81, "Numpad3"}, {3612, "NumpadEnter"}, {82, "Numpad0"}, {83, "NumpadDecimal"},
};
constexpr Code kPackAliases[] = {
    {60999, "Home"}, {61000, "Up"}, {61001, "PageUp"}, {61003, "Left"}, {61005, "Right"}, {61007, "End"},
    {61008, "Down"}, {61009, "PageDown"}, {61010, "Insert"}, {61011, "Delete"},
};

struct Event {
  uint32_t virtualKey;
  uint32_t scanCode;
  bool extended;
  std::string_view name;  // empty: no key of the table
};

void ExpectEvents(std::initializer_list<Event> events) {
  for (const Event& e : events) {
    int expected = e.name.empty() ? -1 : FindKeyByName(e.name);
    if (!e.name.empty()) {
      ASSERT_GE(expected, 0) << e.name;
    }
    EXPECT_EQ(KeyOfEvent(e.virtualKey, e.scanCode, e.extended), expected)
        << std::hex << "vk 0x" << e.virtualKey << " scan 0x" << e.scanCode << (e.extended ? " E0" : "")
        << " should be " << (e.name.empty() ? "none" : e.name);
  }
}

}  // namespace

TEST(KeyTable, NamesArePlainAndUniqueWithoutRegardToCase) {
  std::set<std::string> folded;
  for (const KeyInfo& key : KeyTable()) {
    ASSERT_FALSE(key.name.empty());
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(key.name[0]))) << key.name;
    for (char c : key.name) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << key.name;
    std::string lower;
    for (char c : key.name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(folded.insert(lower).second) << key.name;
    EXPECT_FALSE(key.label.empty()) << key.name;
    EXPECT_FALSE(key.displayName.empty()) << key.name;
  }
  EXPECT_EQ(folded.size(), 108u);  // ANSI 104, the ISO key, F13..F15
}

TEST(KeyTable, FindsNamesWithoutRegardToCase) {
  for (int i = 0; i < kKeyCount; ++i) EXPECT_EQ(FindKeyByName(KeyTable()[i].name), i) << KeyTable()[i].name;
  EXPECT_EQ(FindKeyByName("leftshift"), FindKeyByName("LeftShift"));
  EXPECT_EQ(FindKeyByName("NUMPADENTER"), FindKeyByName("NumpadEnter"));
  EXPECT_GE(FindKeyByName("numpadenter"), 0);
  for (std::string_view none : {"", "Left Shift", "LeftShift ", "1", "Numpad", "NumpadEnterX", "Shift", "\xC3\x84"}) {
    EXPECT_EQ(FindKeyByName(none), -1) << none;
  }
}

TEST(KeyTable, PackCodesAndAliasesFindTheirKeysInKeyboardOrder) {
  ASSERT_EQ(std::size(kPackCodes), static_cast<size_t>(kKeyCount));
  for (int i = 0; i < kKeyCount; ++i) {
    EXPECT_EQ(KeyTable()[i].name, kPackCodes[i].name);  // the order of schemes.cfg
    EXPECT_EQ(FindKeyByPackCode(kPackCodes[i].code), i) << kPackCodes[i].name;
  }
  for (const Code& alias : kPackAliases) {
    EXPECT_EQ(FindKeyByPackCode(alias.code), FindKeyByName(alias.name)) << alias.code;
    EXPECT_GE(FindKeyByPackCode(alias.code), 0) << alias.code;
  }
  // Arrows as plain E0 keys, Home as an arrow, an alias of a key without one,
  // Alt+Print Screen's scan code, the keyboards' own codes of F13.
  for (uint32_t none : {0u, 84u, 100u, 3656u, 57415u, 60956u, 61012u, 0x10001u, 0xFFFFFFFFu}) {
    EXPECT_EQ(FindKeyByPackCode(none), -1) << none;
  }
}

TEST(KeyTable, CategoryIsTheOneOfTheGenericVirtualKey) {
  int keypadKeysWithTwoCodes = 0;
  for (int i = 0; i < kKeyCount; ++i) {
    const KeyInfo& key = KeyTable()[i];
    EXPECT_EQ(key.category, CategoryOfVirtualKey(GenericVirtualKey(key.virtualKey))) << key.name;
    if (key.virtualKeyNumLockOff == 0) continue;
    // With Num Lock off, a keypad key sounds as the navigation key whose code
    // it sends, yet it is still the keypad key.
    ++keypadKeysWithTwoCodes;
    EXPECT_EQ(key.name.substr(0, 6), "Numpad");
    EXPECT_EQ(KeyOfEvent(key.virtualKeyNumLockOff, key.scanCode, false), i) << key.name;
    int navigation = KeyOfEvent(key.virtualKeyNumLockOff, 0, false);
    if (navigation != i) {
      ASSERT_GE(navigation, 0) << key.name;
      EXPECT_EQ(CategoryOfVirtualKey(key.virtualKeyNumLockOff), KeyTable()[navigation].category) << key.name;
    }
  }
  EXPECT_EQ(keypadKeysWithTwoCodes, 11);  // 0..9 and the decimal point
}

TEST(KeyTable, EveryKeyIsFoundByWhatWindowsSends) {
  for (int i = 0; i < kKeyCount; ++i) {
    const KeyInfo& key = KeyTable()[i];
    EXPECT_EQ(KeyOfEvent(GenericVirtualKey(key.virtualKey), key.scanCode, key.extended), i) << key.name;
    EXPECT_EQ(KeyOfEvent(key.virtualKey, key.scanCode, key.extended), i) << key.name;
  }
}

TEST(KeyTable, KeypadWithNumLockOffIsNotTheNavigationBlock) {
  ExpectEvents({{0x24, 0x47, true, "Home"}, {0x24, 0x47, false, "Numpad7"}, {0x67, 0x47, false, "Numpad7"},
                {0x26, 0x48, true, "Up"}, {0x26, 0x48, false, "Numpad8"}, {0x0C, 0x4C, false, "Numpad5"},
                {0x2D, 0x52, true, "Insert"}, {0x2D, 0x52, false, "Numpad0"}, {0x2E, 0x53, true, "Delete"},
                {0x2E, 0x53, false, "NumpadDecimal"}, {0x0D, 0x1C, false, "Enter"}, {0x0D, 0x1C, true, "NumpadEnter"},
                {0x6F, 0x35, true, "NumpadDivide"}, {0xBF, 0x35, false, "Slash"},
                {0x2C, 0x37, true, "PrintScreen"}, {0x6A, 0x37, false, "NumpadMultiply"}});
}

TEST(KeyTable, PauseNumLockPrintScreenAndF13ToF15ByVirtualKey) {
  ExpectEvents({{0x13, 0x45, false, "Pause"}, {0x90, 0x45, true, "NumLock"}, {0x90, 0x45, false, "NumLock"},
                {0x03, 0x46, true, "Pause"}, {0x91, 0x46, false, "ScrollLock"}, {0x2C, 0x54, false, "PrintScreen"},
                {0x7C, 0x64, false, "F13"}, {0x7D, 0x65, false, "F14"}, {0x7E, 0x66, false, "F15"},
                {0x7C, 0x5B, false, "F13"}, {0x7F, 0x67, false, ""}});
}

TEST(KeyTable, SidesOfModifiersByScanCodeAndExtendedFlag) {
  ExpectEvents({{0x10, 0x2A, false, "LeftShift"}, {0x10, 0x36, false, "RightShift"}, {0x11, 0x1D, false, "LeftCtrl"},
                {0x11, 0x1D, true, "RightCtrl"}, {0x12, 0x38, false, "LeftAlt"}, {0x12, 0x38, true, "RightAlt"},
                {0x5B, 0x5B, true, "LeftWin"}, {0x5C, 0x5C, true, "RightWin"}, {0x5D, 0x5D, true, "Menu"},
                // The layout moves letters, not keys: an A typed where Q is (AZERTY).
                {'A', 0x10, false, "Q"}, {0xE2, 0x56, false, "IntlBackslash"}});
}

TEST(KeyTable, EventsWithoutScanCodeByVirtualKey) {
  ExpectEvents({{0x10, 0, false, "LeftShift"}, {0x11, 0, false, "LeftCtrl"}, {0x12, 0, false, "LeftAlt"},
                {0xA1, 0, false, "RightShift"}, {0xA3, 0, false, "RightCtrl"}, {0xA5, 0, false, "RightAlt"},
                {'A', 0, false, "A"}, {'0', 0, false, "D0"}, {0x0D, 0, false, "Enter"}, {0x24, 0, true, "Home"},
                {0x67, 0, false, "Numpad7"}, {0x0C, 0, false, "Numpad5"}, {0x13, 0, false, "Pause"},
                {0x90, 0, false, "NumLock"}, {0x7E, 0, false, "F15"}, {0xC0, 0, false, "Grave"}});
}

TEST(KeyTable, KeysOutsideTheTableAreNone) {
  ExpectEvents({{0xAF, 0x30, true, ""}, {0xAE, 0x2E, true, ""}, {0xAD, 0x20, true, ""}, {0xB3, 0x22, true, ""},
                {0xB0, 0x19, true, ""}, {0xA6, 0x6A, true, ""},                  // media and browser keys
                {0x01, 0, false, ""}, {0x02, 0, false, ""}, {0x04, 0, false, ""},  // mouse buttons
                {0xE7, 0x31, false, ""}, {0xE7, 0x20AC, false, ""},              // injected characters
                {0x11, 0x21D, false, ""},                                        // AltGr's phantom Left Ctrl
                {0x10, 0x2A, true, ""},                                          // the Shift an E0 key fakes
                {0xFF, 0x73, false, ""}, {0x100, 0x1E, false, ""}, {0xFFFFFFFF, 0xFFFFFFFF, true, ""}});
}
