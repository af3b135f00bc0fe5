// Quiet by itself: while a full-screen window, a program of the quiet list or
// a call is in front, keys are silent, the icon shows the sound off and the
// tip says why; afterwards everything is as before. The Quiet page and the
// tray menu's "Quiet in <program>" keep their choices in config.cfg.

#include "tests/e2e/program_fixture.h"

#include <thread>

#include "ui/resource.h"

namespace e2e {
namespace {

constexpr const char* kMicrophoneKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\CapabilityAccessManager\\ConsentStore\\microphone";
constexpr const char* kCallerKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\CapabilityAccessManager\\ConsentStore\\microphone\\NonPackaged\\"
    "C:#Tools#caller.exe";

// A window of the test's own, on a thread that serves it: full screen (a
// popup over the whole monitor) or an ordinary small one.
class ProbeWindow {
 public:
  explicit ProbeWindow(bool fullScreen) {
    thread_ = std::thread([this, fullScreen] {
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
      int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
      window_ = fullScreen ? CreateWindowExA(WS_EX_TOPMOST, "Static", "Probe", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                             height, nullptr, nullptr, nullptr, nullptr)
                           : CreateWindowExA(0, "Static", "Probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                                             200, nullptr, nullptr, nullptr, nullptr);
      threadId_ = GetCurrentThreadId();
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      DestroyWindow(window_);
    });
    WaitFor([this] { return threadId_ != 0; });
  }
  ~ProbeWindow() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  void ToFront() const {
    SetForegroundWindow(window_);
    EXPECT_TRUE(WaitFor([this] { return GetForegroundWindow() == window_; })) << "in front";
  }

 private:
  std::thread thread_;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
};

class QuietTest : public InputTest {
 protected:
  void TearDown() override {
    InputTest::TearDown();
    RegDeleteTreeA(HKEY_CURRENT_USER, kMicrophoneKey);
  }
  HANDLE StartReady(const std::string& options) {
    SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");
    Configure(ToneScheme("Test", ""), "CurrentSchem=Test\r\n" + options);
    HANDLE process = StartAndWait();
    EXPECT_TRUE(WaitFor([] { return TrayIconShown(MainWindow()); }));
    return process;
  }
  // Quiet for `reason`: silent, the icon off, the tip saying why.
  void ExpectQuiet(const std::string& reason) {
    EXPECT_TRUE(WaitFor([&] { return Tip() == "Brisolt - Test - quiet: " + reason; }, 3000)) << Tip();
    EXPECT_TRUE(ShowsSoundOff());
    EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << reason;
  }
  void ExpectSounding() {
    EXPECT_TRUE(WaitFor([&] { return Tip() == "Brisolt - Test"; }, 3000)) << Tip();
    EXPECT_FALSE(ShowsSoundOff());
    EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther);
  }
  static void SetMicrophoneUse(uint64_t start, uint64_t stop) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kCallerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "LastUsedTimeStart", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&start), sizeof start);
    RegSetValueExA(key, "LastUsedTimeStop", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&stop), sizeof stop);
    RegCloseKey(key);
  }
};

}  // namespace

// A full-screen window in front quiets the keys, and only while it is there;
// with the rule off, the same window changes nothing. The user's mute and the
// rule do not undo each other.
TEST_F(QuietTest, AFullScreenWindowInFrontIsQuiet) {
  HANDLE process = StartReady("QuietFullScreen=1\r\n");
  ExpectSounding();
  {
    ProbeWindow fullScreen(true);
    fullScreen.ToFront();
    ExpectQuiet("full screen");
    SendMessageA(MainWindow(), 0x47B, 0, WM_LBUTTONDOWN);  // the tray click mutes...
    SendMessageA(MainWindow(), 0x47B, 0, WM_LBUTTONDOWN);  // ...and unmutes: still quiet
    ExpectQuiet("full screen");
  }
  {
    ProbeWindow ordinary(false);
    ordinary.ToFront();
    ExpectSounding();
  }
  Exit(process);

  // The rule off: the same window in front changes nothing. (It comes to
  // the front after a quiet-listed notepad, so the tip's return to plain
  // shows that the program has looked at it.)
  process = StartReady("QuietFullScreen=0\r\nQuietPrograms=notepad.exe\r\n");
  HWND editor = StartNotepad();
  SetForegroundWindow(editor);
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; }));
  ExpectQuiet("notepad.exe");
  ProbeWindow fullScreen(true);
  fullScreen.ToFront();
  ExpectSounding();
  Exit(process);
}

// notepad.exe in the quiet list is quiet while it is in front. The tray menu
// offers "Quiet in notepad.exe" for the program in front before it opened:
// taken out of the list there, notepad sounds; the list is saved.
TEST_F(QuietTest, AProgramOfTheQuietListInFrontIsQuietAndTheTrayMenuChangesTheList) {
  HANDLE process = StartReady("QuietPrograms=calc.exe|NOTEPAD.EXE\r\n");
  HWND editor = StartNotepad();
  SetForegroundWindow(editor);
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; }));
  ExpectQuiet("notepad.exe");
  {
    ProbeWindow ordinary(false);
    ordinary.ToFront();
    ExpectSounding();
  }
  SetForegroundWindow(editor);
  ExpectQuiet("notepad.exe");

  // From the bottom of the menu: Exit, then "Quiet in notepad.exe".
  PostMessageA(MainWindow(), 0x47B, 0, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(menu); }));
  Chord({VK_UP});
  Chord({VK_UP});
  Chord({VK_RETURN});
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("QuietPrograms") == "calc.exe"; }, 4000)) << ConfigValue("QuietPrograms");
  SetForegroundWindow(editor);
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; }));
  ExpectSounding();
  Exit(process);
}

// A program that records (Windows' record of the microphone's use) quiets
// the keys until it stops.
TEST_F(QuietTest, TheMicrophoneInUseIsQuiet) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kMicrophoneKey);
  SetMicrophoneUse(100, 200);
  HANDLE process = StartReady("QuietMicrophone=1\r\n");
  ExpectSounding();
  SetMicrophoneUse(300, 0);
  ExpectQuiet("microphone in use");
  SetMicrophoneUse(300, 400);
  ExpectSounding();
  Exit(process);
}

// The Quiet page: its switches and list take effect with Apply and are saved;
// "Add..." takes a name typed in the open-file dialog.
TEST_F(QuietTest, TheQuietPageAppliesAndSavesItsChoices) {
  HANDLE process = StartReady("");
  ShowOptions();
  HWND window = MainWindow();
  PostMessageA(FindControl(window, IDC_cbQuietMicrophone), BM_CLICK, 0, 0);
  PostMessageA(FindControl(window, IDC_btnAddQuiet), BM_CLICK, 0, 0);
  HWND dialog = WaitDialog("Add a quiet program");
  ASSERT_NE(dialog, nullptr);
  HWND name = GetDlgItem(dialog, 0x47C);  // the file name box
  ASSERT_NE(name, nullptr);
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("game"));
  Press(dialog, IDOK);
  HWND list = FindControl(window, IDC_lbQuietPrograms);
  ASSERT_TRUE(WaitFor([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 1; }));
  wchar_t item[64] = L"";
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(item));
  EXPECT_STREQ(item, L"game.exe");
  EXPECT_NE(ConfigValue("QuietMicrophone"), "1") << "nothing before Apply";
  PostMessageA(FindControl(window, IDC_btnApply), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("QuietPrograms") == "game.exe"; }, 4000)) << ConfigValue("QuietPrograms");
  EXPECT_EQ(ConfigValue("QuietMicrophone"), "1");
  EXPECT_EQ(ConfigValue("QuietFullScreen"), "0");
  Exit(process);
}

// "Remove" on the Quiet page takes the selected program off the list; with
// Ok it is saved, and that program sounds in front again.
TEST_F(QuietTest, RemoveTakesAProgramOffTheQuietList) {
  HANDLE process = StartReady("QuietPrograms=calc.exe|notepad.exe\r\n");
  ShowOptions();
  HWND window = MainWindow();
  SendMessageA(FindControl(window, IDC_pagMain), TCM_SETCURFOCUS, 5, 0);  // Quiet
  HWND list = FindControl(window, IDC_lbQuietPrograms);
  HWND remove = FindControl(window, IDC_btnRemoveQuiet);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_FALSE(IsWindowEnabled(remove)) << "nothing is selected yet";
  // A click on the second line selects it.
  RECT line{};
  SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&line));
  LPARAM at = MAKELPARAM(line.left + 10, (line.top + line.bottom) / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(remove) != FALSE; }, 3000)) << "a selection enables Remove";
  SendMessageA(remove, BM_CLICK, 0, 0);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  wchar_t text[64] = L"";
  SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"calc.exe");
  EXPECT_EQ(ConfigValue("QuietPrograms"), "calc.exe|notepad.exe") << "nothing before Ok";
  SendMessageA(FindControl(window, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("QuietPrograms") == "calc.exe"; }, 4000)) << ConfigValue("QuietPrograms");
  HWND editor = StartNotepad();
  SetForegroundWindow(editor);
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; }));
  ExpectSounding();
  Exit(process);
  EXPECT_EQ(ConfigValue("QuietPrograms"), "calc.exe");
}

// The user's mute and a rule do not undo each other: muted while a rule
// holds, the keys stay silent when the rule ends, until the user unmutes.
TEST_F(QuietTest, TheUsersMuteOutlastsAQuietRule) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kMicrophoneKey);
  SetMicrophoneUse(100, 200);
  HANDLE process = StartReady("QuietMicrophone=1\r\n");
  ExpectSounding();
  SetMicrophoneUse(300, 0);
  ExpectQuiet("microphone in use");
  HotkeyChord({VK_CONTROL, VK_MENU, 'S'});  // the user mutes
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("MuteSound") == "1"; }, 4000));
  SetMicrophoneUse(300, 400);  // the call ends
  EXPECT_TRUE(WaitFor([&] { return Tip() == "Brisolt - Test"; }, 3000)) << Tip();
  EXPECT_TRUE(ShowsSoundOff()) << "still muted";
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "still muted";
  HotkeyChord({VK_CONTROL, VK_MENU, 'S'});  // the user unmutes
  ExpectSounding();
  Exit(process);
  EXPECT_EQ(ConfigValue("MuteSound"), "0");
}

// The scheme editor's previews sound while a rule quiets the keys.
TEST_F(QuietTest, APreviewSoundsWhileARuleHolds) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kMicrophoneKey);
  SetMicrophoneUse(300, 0);
  HANDLE process = StartReady("QuietMicrophone=1\r\n");
  ExpectQuiet("microphone in use");
  ShowOptions();
  HWND window = MainWindow();
  SendMessageA(FindControl(window, IDC_pagMain), TCM_SETCURFOCUS, 1, 0);  // Schemes
  RemoteList{FindControl(window, IDC_lwShemes)}.Select(0);
  PostMessageA(FindControl(window, IDC_btnEditScheme), BM_CLICK, 0, 0);  // modal: not waited for
  HWND editor = WaitDialog("Edit Scheme - Test");
  ASSERT_NE(editor, nullptr);
  RemoteList{GetDlgItem(editor, IDC_lwKeyboard)}.Select(3);  // Other
  EXPECT_EQ(Dominant(Heard([&] { SendMessageA(GetDlgItem(editor, IDC_btnPlay), BM_CLICK, 0, 0); })), Tones::kOther)
      << "the preview sounds";
  Press(editor, IDCANCEL);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
  Exit(process);
}

}  // namespace e2e
