// The audio device selector: on the first start before any other window, and
// through "Settings > Select Audio Device"; and the library version test.

#include "tests/e2e/program_fixture.h"
#include "ui/resource.h"

using namespace e2e;

namespace {

constexpr UINT kSelectAudioDevice = 107;  // the menu command

HWND SelectorList(HWND selector) { return GetDlgItem(selector, IDC_lbDevices); }
int SelectedLine(HWND selector) {
  return static_cast<int>(SendMessageA(SelectorList(selector), LB_GETCURSEL, 0, 0));
}
// (Asked in UTF-16: across processes the list box answers in its own form.)
std::string Line(HWND selector, int line) {
  wchar_t text[256] = L"";
  SendMessageW(SelectorList(selector), LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
  char narrow[512] = "";
  WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}
// A double click at y in the list, as the list box receives one (posted:
// the dialog may close on it).
void DoubleClick(HWND selector, int y) {
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
    PostMessageA(SelectorList(selector), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(10, y));
  }
}
int LineY(HWND selector, int line) {
  auto height = static_cast<int>(SendMessageA(SelectorList(selector), LB_GETITEMHEIGHT, 0, 0));
  return height * line + height / 2;
}

class SelectorTest : public InputTest {
 protected:
  static HWND Control(int id) { return FindControl(MainWindow(), id); }
};

}  // namespace

// The first start (no start record) asks before anything else, and what is
// chosen there beats the device a config.cfg from elsewhere names; the rest
// of that file is kept, and later starts read its device.
TEST_F(SelectorTest, FirstStartShowsItFirstAndTheChoiceBeatsTheStoredDevice) {
  SetStartRecord(false);
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\nDeviceID=5\r\nGlobalVolume=40\r\n");
  HANDLE process = Start();
  HWND selector = WaitDialog(kSelectorCaption);
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(MainWindow(), nullptr) << "the selector is the first window";
  HWND list = SelectorList(selector);
  int lines = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  ASSERT_GE(lines, 2);
  EXPECT_EQ(Line(selector, 0), "No sound");
  EXPECT_EQ(SelectedLine(selector), 1) << "the first real device is preselected";

  // Escape does not close it; a double click on no line does not either. The
  // list is made taller than its lines, so that there is room below them.
  PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  const int below = LineY(selector, lines - 1) + static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  RECT client{};
  GetClientRect(list, &client);
  if (client.bottom <= below + 4) {
    RECT frame{};
    GetWindowRect(list, &frame);
    SetWindowPos(list, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + below + 8 - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(list, &client);
  }
  ASSERT_GT(client.bottom, below + 4) << "room below the last line";
  ASSERT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 0);
  DoubleClick(selector, below + 4);
  // A mark posted after the clicks: once the list has it, it has them too.
  PostMessageA(list, LB_SETHORIZONTALEXTENT, 777, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(selector) || SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0) == 777; }));
  EXPECT_TRUE(IsWindowVisible(selector));
  EXPECT_EQ(SelectedLine(selector), -1);

  // OK with no line selected: the library's default device (-1), which sounds.
  Press(selector, IDOK);
  ASSERT_TRUE(WaitFor([&] { return MainWindow() != nullptr && LogHas("Hook was started"); }));
  EXPECT_TRUE(StartRecordExists());
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  Exit(process);
  EXPECT_EQ(ConfigValue("DeviceID"), "-1");
  EXPECT_EQ(ConfigValue("GlobalVolume"), "40") << "the rest of the file is kept";

  // A later start reads the stored device.
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=5\r\n");
  process = StartAndWait();
  Exit(process);
  EXPECT_EQ(ConfigValue("DeviceID"), "5");
}

TEST_F(SelectorTest, SelectAudioDeviceChangesTheDeviceAndKeepsThePreset) {
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\nDeviceID=0\r\nSupportEAX=0\r\nEaxEnv=11\r\n");
  HANDLE process = StartAndWait();
  ShowOptions();
  EXPECT_FALSE(IsWindowEnabled(Control(IDC_tbGlobalVolume)));
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "device 0 plays nothing";

  // A double click on a line closes the selector with that line.
  PostMessageA(MainWindow(), WM_COMMAND, kSelectAudioDevice, 0);
  HWND selector = WaitDialog(kSelectorCaption);
  EXPECT_EQ(SelectedLine(selector), 0) << "the current device";
  std::string chosen = Line(selector, 1);
  DoubleClick(selector, LineY(selector, 1));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(selector); }));
  // The program opens the device after its selector has gone.
  EXPECT_TRUE(WaitFor([&] { return TextOf(Control(IDC_lblSoundCard)) == chosen; }));
  EXPECT_TRUE(IsWindowEnabled(Control(IDC_tbGlobalVolume)));

  // The default device: the stored preset (Hangar) is in force on it.
  PostMessageA(MainWindow(), WM_COMMAND, kSelectAudioDevice, 0);
  selector = WaitDialog(kSelectorCaption);
  SendMessageA(SelectorList(selector), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  PostMessageA(SelectorList(selector), WM_KEYDOWN, VK_RETURN, 0);  // Enter is OK
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(selector); }));
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(Control(IDC_cbEAX)) != FALSE; }));
  std::string heard = Heard([] { Chord({'A'}); });
  EXPECT_EQ(Dominant(heard), Tones::kOther);
  EXPECT_GT(TailLevel(heard), 0.03) << "the reverb of the stored preset";

  // Back to "No sound": no effects, no slider.
  PostMessageA(MainWindow(), WM_COMMAND, kSelectAudioDevice, 0);
  selector = WaitDialog(kSelectorCaption);
  SendMessageA(SelectorList(selector), LB_SETCURSEL, 0, 0);
  Press(selector, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(selector); }));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(Control(IDC_tbGlobalVolume)); }));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(Control(IDC_cbEAX)); }));
  Exit(process);
  EXPECT_EQ(ConfigValue("DeviceID"), "0");
  EXPECT_EQ(ConfigValue("SupportEAX"), "0");
  EXPECT_EQ(ConfigValue("EaxEnv"), "11");
}

TEST_F(SelectorTest, AWrongLibraryVersionEndsTheProgram) {
  ASSERT_TRUE(CopyFileA((std::string(BRISOLT_WRONG_VERSION_DIR) + "\\bass.dll").c_str(), (dir_ / "bass.dll").c_str(),
                        FALSE));
  // First start: the box, then the end, before anything is written.
  SetStartRecord(false);
  HANDLE process = Start();
  Press(WaitDialog(kSelectorCaption), IDOK);
  HWND box = WaitMessageBox("Incorrect BASS.DLL");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "BASS version 2.0 was not loaded");
  Press(box, IDOK);
  DWORD code = 99;
  ASSERT_TRUE(Exited(process, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(FileExists(dir_ / "config.cfg"));

  // A later start logs and shows the error and runs on.
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nDeviceID=-1\r\nGlobalVolume=33\r\n");
  process = Start();
  box = WaitMessageBox("Error");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "BASS version 2.0 was not loaded!\r\n(Error code: 0)");
  Press(box, IDOK);
  // The start goes on after the box: it is complete when the window answers.
  ASSERT_TRUE(WaitFor([&] { return MainWindow() != nullptr && Responds(MainWindow(), 500); }));
  EXPECT_TRUE(LogHas("BASS version 2.0 was not loaded!"));
  HotkeyChord({VK_CONTROL, VK_MENU, 'R'});  // 33 -> 23: a change of this session

  // "Select Audio Device" then ends it, through the ordinary exit: the
  // session's changes are saved.
  PostMessageA(MainWindow(), WM_COMMAND, kSelectAudioDevice, 0);
  Press(WaitDialog(kSelectorCaption), IDOK);
  box = WaitMessageBox("Incorrect BASS.DLL");
  ASSERT_NE(box, nullptr);
  Press(box, IDOK);
  ASSERT_TRUE(Exited(process, &code));
  EXPECT_EQ(ConfigValue("GlobalVolume"), "23");
  EXPECT_TRUE(LogHas("----------Hook was stopped----------"));
}

// The output is known by its endpoint: a stored number that now means
// another device (or none) gives way to the endpoint, and a file from before
// endpoints were kept gets its device's endpoint at the next exit.
TEST_F(SelectorTest, TheChosenEndpointWinsOverAStaleDeviceNumber) {
  HMODULE bass = LoadLibraryA(BRISOLT_DIST_DIR "\\bass.dll");
  ASSERT_NE(bass, nullptr);
  using EndpointOf = const char*(WINAPI*)(DWORD);
  auto endpointOf =
      reinterpret_cast<EndpointOf>(reinterpret_cast<void*>(GetProcAddress(bass, "BASS_BrisoltGetDeviceEndpoint")));
  ASSERT_NE(endpointOf, nullptr);
  ASSERT_NE(endpointOf(1), nullptr) << "Wine has an output";
  const std::string first = endpointOf(1);
  EXPECT_EQ(endpointOf(0), nullptr) << "\"No sound\" has no endpoint";
  FreeLibrary(bass);

  SetStartRecord(true);
  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\nDeviceID=7\r\nDeviceEndpoint=" + first + "\r\n");
  HANDLE process = StartAndWait();
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther) << "device 7 does not exist; the endpoint does";
  Exit(process);
  EXPECT_EQ(ConfigValue("DeviceID"), "1");
  EXPECT_EQ(ConfigValue("DeviceEndpoint"), first);

  Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\nDeviceID=1\r\n");
  process = StartAndWait();
  Exit(process);
  EXPECT_EQ(ConfigValue("DeviceEndpoint"), first);
}
