// The hotkeys against a real window (WM_HOTKEY from SendInput), the tray tip and the program icon.

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

  // The options page takes both new combinations at once.
  settings.OptionsHotKey = 49235;
  settings.SoundHotKey = 49231;
  SyncHotkeys(window);
  EXPECT_EQ(HotkeyActionOf(optionsId), kHotkeyOptions);
  EXPECT_EQ(HotkeyActionOf(soundId), kHotkeySound);

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

// The program icon's 256 px entry is a PNG; the system's icon loader must
// take it from the program file as it is.
TEST(ProgramIcon, TheLargeEntryLoadsFromTheProgramFile) {
  HMODULE exe = LoadLibraryExA(BRISOLT_DIST_DIR "\\Brisolt.exe", nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  HRSRC group = FindResourceA(exe, "Brisolt", RT_GROUP_ICON);
  ASSERT_NE(group, nullptr);
  auto* directory = static_cast<BYTE*>(LockResource(LoadResource(exe, group)));
  int id = LookupIconIdFromDirectoryEx(directory, TRUE, 256, 256, LR_DEFAULTCOLOR);
  HRSRC entry = FindResourceA(exe, MAKEINTRESOURCEA(id), RT_ICON);
  ASSERT_NE(entry, nullptr);
  auto* bits = static_cast<BYTE*>(LockResource(LoadResource(exe, entry)));
  DWORD size = SizeofResource(exe, entry);
  ASSERT_GT(size, 8u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bits), 4), "\x89PNG");

  HICON icon = CreateIconFromResourceEx(bits, size, TRUE, 0x00030000, 256, 256, LR_DEFAULTCOLOR);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bitmap{};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 256);
  EXPECT_EQ(bitmap.bmHeight, 256);
  // Read the pixels back: a drawn picture with a transparent surround.
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = 256;
  format.bmiHeader.biHeight = -256;  // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(256 * 256);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDIBits(dc, info.hbmColor, 0, 256, pixels.data(), &format, DIB_RGB_COLORS), 256);
  ReleaseDC(nullptr, dc);
  int opaque = 0;
  for (uint32_t p : pixels) opaque += (p >> 24) == 255;
  EXPECT_EQ(pixels[0] >> 24, 0u) << "the corner is transparent";
  EXPECT_GT(opaque, 256 * 256 / 4) << "the key cap fills much of the picture";
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  FreeLibrary(exe);
}
