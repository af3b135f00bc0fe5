#include "input/dispatch.h"

#include <gtest/gtest.h>

#include <string>

#include "input/hotkeys.h"
#include "settings/key_table.h"

TEST(KeyCategories, TableOfVirtualKeys) {
  EXPECT_EQ(CategoryOfVirtualKey(16), KeyCategory::Shift);
  EXPECT_EQ(CategoryOfVirtualKey(17), KeyCategory::Ctrl);
  EXPECT_EQ(CategoryOfVirtualKey(18), KeyCategory::Alt);
  for (uint32_t lr = 160; lr <= 165; ++lr) EXPECT_EQ(CategoryOfVirtualKey(lr), KeyCategory::Other) << lr;
  for (uint32_t d = '0'; d <= '9'; ++d) EXPECT_EQ(CategoryOfVirtualKey(d), KeyCategory::Digits);
  for (uint32_t pad = 96; pad <= 105; ++pad) EXPECT_EQ(CategoryOfVirtualKey(pad), KeyCategory::Other);
  for (uint32_t f = 112; f <= 135; ++f) EXPECT_EQ(CategoryOfVirtualKey(f), KeyCategory::Functions);  // F1..F24
  EXPECT_EQ(CategoryOfVirtualKey(136), KeyCategory::Other);
  EXPECT_EQ(CategoryOfVirtualKey(91), KeyCategory::Win);
  EXPECT_EQ(CategoryOfVirtualKey(92), KeyCategory::Win);
  EXPECT_EQ(CategoryOfVirtualKey(93), KeyCategory::Menu);
  EXPECT_EQ(CategoryOfVirtualKey(44), KeyCategory::PrintScreen);
  EXPECT_EQ(CategoryOfVirtualKey('A'), KeyCategory::Other);
  EXPECT_EQ(CategoryOfVirtualKey(37), KeyCategory::Other);  // arrows

  // Every code lands in a keyboard category, never a mouse one, and each
  // keyboard category but none is reachable.
  bool reached[kKeyCategoryCount] = {};
  for (uint32_t vk = 0; vk <= 255; ++vk) {
    int c = static_cast<int>(CategoryOfVirtualKey(vk));
    ASSERT_GE(c, 0);
    ASSERT_LT(c, kKeyboardCategoryCount) << vk;
    reached[c] = true;
  }
  for (int c = 0; c < kKeyboardCategoryCount; ++c) EXPECT_TRUE(reached[c]) << kKeyCategoryNames[c];
}

TEST(KeyDispatch, PressRepeatReleaseAndPrintScreen) {
  const uint32_t press = 0, repeat = 1u << 30, release = (1u << 30) | (1u << 31);
  KeyStep s = KeyboardStep('A', press, true);
  EXPECT_EQ(s.picture, kPictureKeyDown);
  EXPECT_TRUE(s.sounds);
  s = KeyboardStep('A', repeat, true);
  EXPECT_EQ(s.picture, kNoPictureChange);
  EXPECT_TRUE(s.sounds);
  s = KeyboardStep('A', release, true);
  EXPECT_EQ(s.picture, kPictureSoundOn);
  EXPECT_FALSE(s.sounds);
  s = KeyboardStep(44, release, true);
  EXPECT_EQ(s.picture, kPictureSoundOn);
  EXPECT_TRUE(s.sounds);
  // Without the animated icon, key events never touch the icon.
  for (uint32_t flags : {press, repeat, release}) EXPECT_EQ(KeyboardStep('A', flags, false).picture, kNoPictureChange);
}

TEST(MouseDispatch, OnlyLeftAndRightButtonsCount) {
  EXPECT_EQ(ClassifyMouseMessage(0x201), MouseEvent::kLeftDown);
  EXPECT_EQ(ClassifyMouseMessage(0x204), MouseEvent::kRightDown);
  EXPECT_EQ(ClassifyMouseMessage(0x202), MouseEvent::kButtonUp);
  EXPECT_EQ(ClassifyMouseMessage(0x205), MouseEvent::kButtonUp);
  for (uint32_t other : {0x200u, 0x203u, 0x207u, 0x208u, 0x20Au, 0x20Bu, 0x20Cu, 0x20Eu}) {
    EXPECT_EQ(ClassifyMouseMessage(other), MouseEvent::kIgnored) << other;
  }
}

TEST(Hotkeys, EncodingsOfACombination) {
  // Ctrl+Alt+O as a hotkey control reports it: 'O' with Ctrl (2) and Alt (4).
  uint16_t control = static_cast<uint16_t>('O' | ((2 | 4) << 8));
  EXPECT_EQ(HotKeyFromControl(control), 49231);
  EXPECT_EQ(ModifiersFromControl(control), 3);
  EXPECT_EQ(ControlValueOf(49231), control);
  // Ctrl+Alt+Shift+N, and the extended-key flag that changes nothing.
  uint16_t withShift = static_cast<uint16_t>('N' | ((1 | 2 | 4 | 8) << 8));
  EXPECT_EQ(HotKeyFromControl(withShift), 57422);
  EXPECT_EQ(ModifiersFromControl(withShift), 7);
  EXPECT_EQ(HotkeyKeyCode(57422), static_cast<uint32_t>('N'));
  EXPECT_EQ(HotKeyFromControl(0), 0);
  EXPECT_EQ(ModifiersFromControl(0), 0);
}

TEST(Hotkeys, VolumeStepsStopAtTheLimits) {
  EXPECT_EQ(VolumeRaised(60, 10), 70);
  EXPECT_EQ(VolumeRaised(95, 10), 100);
  EXPECT_EQ(VolumeRaised(100, 10), 100);
  EXPECT_EQ(VolumeLowered(60, 10), 50);
  EXPECT_EQ(VolumeLowered(5, 10), 0);
  EXPECT_EQ(VolumeLowered(0, 10), 0);
}

TEST(Hotkeys, SchemeStepsWrapAround) {
  EXPECT_EQ(NextSchemeIndex(0, 3), 1);
  EXPECT_EQ(NextSchemeIndex(2, 3), 0);
  EXPECT_EQ(NextSchemeIndex(-1, 3), 0);   // no current scheme: the first
  EXPECT_EQ(PreviousSchemeIndex(2, 3), 1);
  EXPECT_EQ(PreviousSchemeIndex(0, 3), 2);
  EXPECT_EQ(PreviousSchemeIndex(-1, 3), 2);  // no current scheme: the last
  EXPECT_EQ(NextSchemeIndex(0, 1), 0);
  EXPECT_EQ(PreviousSchemeIndex(0, 1), 0);
  EXPECT_EQ(NextSchemeIndex(-1, 0), -1);  // an empty list is never indexed
  EXPECT_EQ(PreviousSchemeIndex(-1, 0), -1);
}

// A key's own sound comes before its category's, its press and its release
// each on their own; empty is silent; a category switched off silences its
// keys' own sounds too; keys and buttons without their own keep today's.
TEST(KeyDispatch, AKeysOwnSoundComesBeforeItsCategorys) {
  TScheme scheme;
  for (TSoundKey& key : scheme.Keys) {
    key.Enabled = true;
    key.Volume = 60;
  }
  scheme.Key(KeyCategory::Other).FileName = "other.wav";
  scheme.Key(KeyCategory::Other).ReleaseFileName = "other up.wav";
  const int a = FindKeyByName("A"), b = FindKeyByName("B"), c = FindKeyByName("C"), d = FindKeyByName("D");
  scheme.OwnKeys[a] = TKeyOwnSound{"sprite.ogg<100,50>", "sprite.ogg<200,40>", 90};
  scheme.OwnKeys[b] = TKeyOwnSound{"", std::nullopt, 90};  // silent press, the category's release
  scheme.OwnKeys[c] = TKeyOwnSound{std::nullopt, "", 90};  // the category's press, no release
  auto chosen = [&](int row, bool release) {
    const ChosenSound sound = ChooseKeySound(scheme, row, KeyCategory::Other, release);
    return sound.reference ? *sound.reference + "@" + std::to_string(sound.volume) : std::string("silent");
  };
  EXPECT_EQ(chosen(a, false), "sprite.ogg<100,50>@90");
  EXPECT_EQ(chosen(a, true), "sprite.ogg<200,40>@90");
  EXPECT_EQ(chosen(b, false), "silent");
  EXPECT_EQ(chosen(b, true), "other up.wav@60");
  EXPECT_EQ(chosen(c, false), "other.wav@60");
  EXPECT_EQ(chosen(c, true), "silent");
  EXPECT_EQ(chosen(d, false), "other.wav@60");
  EXPECT_EQ(chosen(-1, true), "other up.wav@60");
  // An empty category (an imported pack names keys alone) is silent, while
  // its keys' own sounds play.
  scheme.Key(KeyCategory::Other).FileName.clear();
  EXPECT_EQ(chosen(d, false), "silent");
  EXPECT_EQ(chosen(a, false), "sprite.ogg<100,50>@90");
  scheme.Key(KeyCategory::Other).Enabled = false;
  EXPECT_EQ(chosen(a, false), "silent");

  // The row of a hook message: its virtual-key code and keystroke flags.
  const uint32_t numpadEnter = (0x1Cu << 16) | (1u << 24) | 1, enter = (0x1Cu << 16) | 1;
  EXPECT_EQ(KeyRowOfEvent(0x0D, numpadEnter), FindKeyByName("NumpadEnter"));
  EXPECT_EQ(KeyRowOfEvent(0x0D, enter), FindKeyByName("Enter"));
  EXPECT_EQ(KeyRowOfEvent(0x10, (0x36u << 16) | 1), FindKeyByName("RightShift"));
}
