// The hotkeys against a real window (WM_HOTKEY from SendInput), and the tray tip.

#include <gtest/gtest.h>

#include "input/hotkeys.h"
#include "input/input_handlers.h"
#include "settings/settings.h"
#include "tests/win_test_util.h"
#include "ui/tray.h"

namespace {

std::vector<WPARAM> hotkeys;

LRESULT CALLBACK HotkeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HOTKEY) {
    hotkeys.push_back(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(Hotkeys, SwappingTwoCombinationsKeepsBoth) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = HotkeyWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HotkeyTestWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("HotkeyTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                              nullptr);
  ASSERT_NE(window, nullptr);
  settings = Settings{};
  settings.OptionsHotKey = 49231;  // Ctrl+Alt+O
  settings.OptionsModifiers = 3;
  settings.SoundHotKey = 49235;  // Ctrl+Alt+S
  settings.SoundModifiers = 3;
  RegisterHotkeys(window);
  ATOM optionsId = GlobalFindAtomA("HotkeyOptions");
  ATOM soundId = GlobalFindAtomA("HotkeySound");

  std::array<HotkeyValue, 6> swapped{};
  swapped[kHotkeyOptions] = {49235, 3};
  swapped[kHotkeySound] = {49231, 3};
  RebindHotkeys(window, swapped);
  EXPECT_EQ(settings.OptionsHotKey, 49235);
  EXPECT_EQ(settings.SoundHotKey, 49231);

  hotkeys.clear();
  testutil::Chord({VK_CONTROL, VK_MENU, 'S'});
  testutil::Chord({VK_CONTROL, VK_MENU, 'O'});
  ASSERT_TRUE(testutil::WaitFor([] { return hotkeys.size() >= 2; }, 3000)) << hotkeys.size();
  EXPECT_EQ(hotkeys[0], WPARAM{optionsId}) << "Ctrl+Alt+S now shows the options";
  EXPECT_EQ(hotkeys[1], WPARAM{soundId}) << "and Ctrl+Alt+O switches the sound";
  UnregisterHotkeys(window);
  DestroyWindow(window);
}

TEST(TrayTip, SchemeNameAndASafeCutAt63Characters) {
  settings = Settings{};
  settings.CurrentSchemeName = "TypeWriter";
  EXPECT_EQ(TrayTip(), "Brisolt - TypeWriter");
  settings.CurrentSchemeName = "";
  EXPECT_EQ(TrayTip(), "Brisolt - ");
  settings.CurrentSchemeName = std::string(100, 'x');
  EXPECT_EQ(TrayTip(), "Brisolt - " + std::string(53, 'x'));
}
