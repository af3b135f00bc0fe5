#pragma once
// The whole program under Wine: a temporary program folder with a fresh copy
// of the program, the means to start and end it, and (InputTest) a scheme
// whose categories sound tones of their own, to tell in the capture which
// category sounded.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/win/audio_test_util.h"
#include "tests/win_test_util.h"

namespace e2e {

using testutil::Chord;
using testutil::FileExists;
using testutil::FileSize;
using testutil::ReadFileFrom;
using testutil::ReadFileText;
using testutil::PressExtendedKey;
using testutil::SendKey;
using testutil::TempFolder;
using testutil::WaitFor;
using testutil::WriteFileText;

inline constexpr UINT kActivateInstance = 0x432;
inline constexpr const char* kStartRecordKey = "Software\\Quendral\\Brisolt";

inline void SetStartRecord(bool present) {
  if (present) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kStartRecordKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(key, "Started", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
  } else {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kStartRecordKey, "Started");
  }
}

inline bool StartRecordExists() {
  return RegGetValueA(HKEY_CURRENT_USER, kStartRecordKey, "Started", RRF_RT_REG_DWORD, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS;
}

inline HWND MainWindow() { return FindWindowA("TfrmMain", "Brisolt - Options"); }

// The window's thread takes a message and answers within `timeoutMs`: it is
// back in its message loop, so what it was doing (the whole start, say) is done.
inline bool Responds(HWND window, UINT timeoutMs = 2000) {
  DWORD_PTR result = 0;
  return window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

// The notification area holds an icon of `window` with the program's id: a
// modification that changes nothing is accepted only then.
inline bool TrayIconShown(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = 1;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// A balloon of the notification area is on the screen.
inline bool BalloonShown() {
  bool found = false;
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpiA(name, "tooltips_class32") == 0 && IsWindowVisible(window) &&
            (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON)) {
          *reinterpret_cast<bool*>(found) = true;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// A program folder with a fresh copy of the program.
// A left click wherever the mouse is (the hook and the mouse sounds see it).
inline void LeftClick() {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof input[0]);
}

// A control of the program's windows by its id, however deep it lies (the
// options window's pages are dialogs of their own inside it).
inline HWND FindControl(HWND top, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      top,
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (GetDlgCtrlID(window) != s->id) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a window of another process (WM_GETTEXT reads what an edit
// field holds now, which GetWindowText does not across processes).
inline std::string TextOf(HWND window) {
  char text[1024] = "";
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// Memory inside the program's process, for the list-view messages that
// carry pointers.
class RemoteBuffer {
 public:
  explicit RemoteBuffer(HWND window, size_t size = 4096) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~RemoteBuffer() {
    VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* At(size_t offset) const { return base_ + offset; }
  LPARAM Param() const { return reinterpret_cast<LPARAM>(base_); }
  void Write(size_t offset, const void* data, size_t size) {
    WriteProcessMemory(process_, base_ + offset, data, size, nullptr);
  }
  void Read(size_t offset, void* data, size_t size) const {
    ReadProcessMemory(process_, base_ + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
};

// The scheme list of the options window, from outside.
struct RemoteList {
  HWND list;
  int Count() const { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
  int Selected() const { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }
  // The picture left of the row's caption (4 current, 5 other).
  int Marker(int row) const {
    auto state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return static_cast<int>((state >> 12) & 0xF) - 1;
  }
  std::string Text(int row, int column = 0) const {
    RemoteBuffer remote(list);
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote.At(512);
    item.cchTextMax = 256;
    remote.Write(0, &item, sizeof item);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), remote.Param());
    char text[256] = "";
    remote.Read(512, text, sizeof text - 1);
    return text;
  }
  void Select(int row) const {
    RemoteBuffer remote(list);
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.Write(0, &item, sizeof item);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.Param());
  }
  // Waits until the list's thread has handled everything posted to it before
  // this call: a harmless setting (the hover time) posted after it comes back.
  bool Flush() const {
    static DWORD marker = 7000;
    const DWORD mine = ++marker;
    PostMessageA(list, LVM_SETHOVERTIME, 0, static_cast<LPARAM>(mine));
    return WaitFor([&] { return static_cast<DWORD>(SendMessageA(list, LVM_GETHOVERTIME, 0, 0)) == mine; });
  }
  RECT Rect(int row, int part) const {
    RemoteBuffer remote(list);
    RECT rect{part, 0, 0, 0};
    remote.Write(0, &rect, sizeof rect);
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.Param());
    remote.Read(0, &rect, sizeof rect);
    return rect;
  }
};

inline constexpr const char* kSelectorCaption = "Select output device";

// A dialog or message box of the program (class "#32770") with this
// caption, once shown.
inline HWND WaitDialog(const char* caption) {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindWindowA("#32770", caption)) != nullptr && IsWindowVisible(box); });
  return box;
}
inline HWND WaitMessageBox(const char* caption) { return WaitDialog(caption); }
// The captions of the dialogs shown, for a failure's message.
inline std::string ShownDialogs() {
  std::string captions;
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (IsWindowVisible(window) && std::string(name) == "#32770") {
          std::string& captions = *reinterpret_cast<std::string*>(found);
          captions.append("\"").append(TextOf(window)).append("\" ");
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&captions));
  return captions.empty() ? "none" : captions;
}
inline std::string MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }
// Presses a button of a dialog of the program without waiting for it.
inline void Press(HWND dialog, int button) { PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0); }

// Holds keys down as a hand does, until the system shows every one of them
// down after the window in front has taken what was pending for it. Under
// Wine, a window that takes the focus sets the modifier keys to the X
// server's state (up), which drops modifiers sent just before; a key found
// up again is pressed again (nothing has acted on it yet). Returns what was
// seen, for a failure's message.
inline std::string HoldKeys(const std::vector<WORD>& keys) {
  std::string seen;
  for (int round = 0; round < 3; ++round) {
    for (WORD key : keys) {
      if (GetAsyncKeyState(key) < 0) continue;
      const UINT sent = SendKey(key, false);
      const bool down = WaitFor([key] { return GetAsyncKeyState(key) < 0; }, 2000);
      seen += "key " + std::to_string(key) + (sent ? " sent" : " refused") + (down ? " down; " : " never down; ");
    }
    if (HWND front = GetForegroundWindow()) {
      SendMessageTimeoutA(front, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    }
    if (std::all_of(keys.begin(), keys.end(), [](WORD key) { return GetAsyncKeyState(key) < 0; })) return seen;
    seen += "let go by the system; ";
  }
  return seen;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing of an earlier test may still run.
    ASSERT_TRUE(WaitFor([] { return MainWindow() == nullptr; }, 10000));
    for (const char* file : {"Brisolt.exe", "Hakdor.dll", "bass.dll"}) {
      ASSERT_TRUE(CopyFileA((std::string(BRISOLT_DIST_DIR) + "\\" + file).c_str(), (dir_ / file).c_str(), FALSE))
          << file;
    }
    SetStartRecord(true);
  }
  void TearDown() override {
    for (PROCESS_INFORMATION& p : processes_) {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(p.hProcess, 1);
        WaitForSingleObject(p.hProcess, 5000);
      }
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
  }

  HANDLE Start() { return Start(dir_.Path()); }
  // The program of another folder: an unpacked or an installed release.
  HANDLE Start(const std::string& folder) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string exe = folder + "\\Brisolt.exe";
    std::string commandLine = "\"" + exe + "\"";
    EXPECT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                               &si, &pi));
    processes_.push_back(pi);
    program_ = pi.hProcess;
    return pi.hProcess;
  }

  // Starts the program and waits until its start is complete: the main
  // window exists, the hook runs, and the window's thread has finished
  // creating it (settings, tray icon, hotkeys, audio) and answers. Without
  // settings the start asks for the output first, as the first start does:
  // the preselected one is taken.
  HANDLE StartAndWait() { return StartAndWait(dir_.Path()); }
  HANDLE StartAndWait(const std::string& folder) {
    HANDLE process = Start(folder);
    const std::string log = logPath_.empty() ? folder + "\\Log.txt" : logPath_;
    EXPECT_TRUE(WaitFor(
        [&] {
          HWND selector = FindWindowA("#32770", kSelectorCaption);
          if (selector && IsWindowVisible(selector)) SendMessageA(selector, WM_COMMAND, IDOK, 0);
          return MainWindow() != nullptr && ReadFileText(log).find("Hook was started") != std::string::npos &&
                 Responds(MainWindow(), 500);
        },
        20000))
        << ReadFileText(log);
    return process;
  }

  // Another process (this test's or not) holds a global hotkey: the program
  // has registered it.
  static bool HotkeyHeld(UINT modifiers, UINT vk) {
    if (!RegisterHotKey(nullptr, 0x7A11, modifiers | MOD_NOREPEAT, vk)) return true;
    UnregisterHotKey(nullptr, 0x7A11);
    return false;
  }

  // The icon's tip and picture, as the program shows them (its test seam,
  // on while BRISOLT_TEST_SEAMS=1).
  static std::string Tip() {
    static const UINT message = RegisterWindowMessageA("Brisolt.TestTrayState");
    auto atom = static_cast<ATOM>(SendMessageA(MainWindow(), message, 0, 0));
    char text[256] = "";
    GetAtomNameAndDelete(atom, text);
    return text;
  }
  static bool ShowsSoundOff() {
    static const UINT message = RegisterWindowMessageA("Brisolt.TestTrayState");
    return SendMessageA(MainWindow(), message, 1, 0) == 1;  // kPictureSoundOff
  }
  static void GetAtomNameAndDelete(ATOM atom, char (&text)[256]) {
    if (!atom) return;
    GlobalGetAtomNameA(atom, text, sizeof text);
    GlobalDeleteAtom(atom);
  }
  // The program started last still runs and its main window answers.
  bool ProgramAlive() const {
    return program_ && WaitForSingleObject(program_, 0) == WAIT_TIMEOUT && Responds(MainWindow());
  }

  // Starts notepad (ended with the test) and returns its window.
  HWND StartNotepad() {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION notepad{};
    char commandLine[] = "notepad.exe";
    EXPECT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &notepad));
    processes_.push_back(notepad);
    HWND editor = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (editor = FindWindowA("Notepad", nullptr)) != nullptr; }));
    return editor;
  }

  static bool Exited(HANDLE process, DWORD* code, int timeoutMs = 10000) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(process, code);
    return true;
  }

  // The options window shown as a second start shows it.
  static void ShowOptions() {
    PostMessageA(MainWindow(), kActivateInstance, 0, 0);
    EXPECT_TRUE(WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; }));
  }

  // Ends the program through its ordinary exit (which saves) and waits for it.
  void Exit(HANDLE process) {
    HWND window = MainWindow();
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(Exited(process, &code)) << "enabled " << IsWindowEnabled(window) << ", log:\n"
                                        << ReadFileText(dir_ / "Log.txt");
  }

  // Ends whichever copy of the program runs (one this test did not start,
  // too) through its ordinary exit, and waits for it.
  static bool ExitRunning() {
    HWND window = MainWindow();
    if (!window) return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
    bool ended = process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    if (process) CloseHandle(process);
    return ended;
  }

  // The value of a key of section "Options" in config.cfg as saved.
  std::string ConfigValue(const std::string& key) const {
    for (const std::string& line : testutil::Lines(ReadFileText(dir_ / "config.cfg"))) {
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    }
    return "<missing>";
  }

  bool LogHas(const std::string& text) const {
    return ReadFileText(logPath_.empty() ? dir_ / "Log.txt" : logPath_).find(text) != std::string::npos;
  }

  std::vector<std::string> Listing() const {
    std::vector<std::string> entries;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir_ / "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        entries.push_back(std::string(found.cFileName) + ":" + std::to_string(found.nFileSizeLow) + ":" +
                          std::to_string(found.ftLastWriteTime.dwLowDateTime));
      } while (FindNextFileA(find, &found));
      FindClose(find);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
  }

  TempFolder dir_;
  std::string logPath_;  // where the program logs, when not in its folder
  std::vector<PROCESS_INFORMATION> processes_;
  HANDLE program_ = nullptr;  // the program started last (owned by processes_)
};




// A mono 16-bit WAV of a sine tone at 48 kHz, with short fades.
inline std::string ToneWav(double hz, double seconds) {
  return audiotest::WavText(audiotest::Sine(48000, seconds, hz, 12000 / 32767.0, 240), 1, 48000);
}

// Strength of one frequency in 16-bit stereo capture bytes (Goertzel, left
// channel), per frame of the capture.
inline double ToneLevel(const std::string& bytes, double hz);

// The same summed over the whole capture: for one complete tone in it, this
// is proportional to the tone's amplitude however long the capture is.
inline double ToneAmount(const std::string& bytes, double hz) { return ToneLevel(bytes, hz) * static_cast<double>(bytes.size() / 4); }

inline double ToneLevel(const std::string& bytes, double hz) {
  double coeff = 2 * std::cos(2 * 3.14159265358979 * hz / 48000.0);
  double s1 = 0, s2 = 0;
  size_t frames = bytes.size() / 4;
  for (size_t i = 0; i < frames; ++i) {
    int16_t left;
    std::memcpy(&left, bytes.data() + 4 * i, 2);
    double s0 = left + coeff * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  return frames ? std::sqrt(std::max(power, 0.0)) / static_cast<double>(frames) : 0;
}




// A program folder whose "Test" scheme gives each category used here a tone
// of its own, and a second scheme "Quiet" with the same files.
struct Tones {
  static constexpr double kOther = 1000, kDigits = 1500, kSpace = 2000, kShift = 2500, kLeft = 3000, kEnter = 3500,
                          kPrint = 800;
};

inline std::string ToneScheme(const std::string& name, const std::string& extra) {
  return "[" + name + "]\r\n" +
         "kOther=other.wav\r\nkOtherVol=100\r\nkDigits=digits.wav\r\nkDigitsVol=100\r\n"
         "kSpace=space.wav\r\nkSpaceVol=100\r\nkShift=shift.wav\r\nkShiftVol=100\r\n"
         "kEnter=enter.wav\r\nkEnterVol=100\r\nkPrintScreen=print.wav\r\nkPrintScreenVol=100\r\n"
         "kLeftButton=click.wav\r\nkLeftButtonVol=100\r\n" +
         extra;
}

class InputTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    capture_ = audiotest::CapturePath();
    if (capture_.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set";
    const std::pair<const char*, double> files[] = {{"other.wav", Tones::kOther},   {"digits.wav", Tones::kDigits},
                                                    {"space.wav", Tones::kSpace},   {"shift.wav", Tones::kShift},
                                                    {"enter.wav", Tones::kEnter},   {"print.wav", Tones::kPrint},
                                                    {"click.wav", Tones::kLeft}};
    for (const auto& [file, hz] : files) WriteFileText(dir_ / file, ToneWav(hz, 0.15));
  }
  void Configure(const std::string& schemes, const std::string& options) {
    WriteFileText(dir_ / "schemes.cfg", schemes);
    // The first of two equal keys counts: the caller's options come first.
    WriteFileText(dir_ / "config.cfg", "[Options]\r\n" + options + "DeviceID=-1\r\nGlobalVolume=100\r\n");
  }
  // What sounded from the action on. Waits, by the capture, until a sound
  // has come and has then been quiet for kQuietAfterMs of output (a reverb
  // tail is part of the sound), so that nothing of it spills into the next
  // check. When nothing comes, waits until the output has run kSilenceMs past
  // the action (a running program's stream is warm, so the capture grows as
  // time passes) or, with the stream closed, kSilenceWallMs; a silence then
  // counts only while the program still runs and answers. Everything is
  // bounded: the first sound of a run can come late while the output opens.
  template <typename Action>
  std::string Heard(Action action) {
    audiotest::CaptureWatch watch(capture_);
    const auto start = std::chrono::steady_clock::now();
    action();
    const int boundMs = heardBefore_ ? 5000 : 10000;
    WaitFor(
        [&] {
          watch.Update();
          if (watch.Loud()) return watch.QuietFramesAfterLoud() >= kQuietAfterMs * 48;
          auto elapsed = std::chrono::steady_clock::now() - start;
          return watch.Frames() >= kSilenceMs * 48 || elapsed >= std::chrono::milliseconds(kSilenceWallMs);
        },
        boundMs);
    heardBefore_ = true;
    if (!watch.Loud()) {
      EXPECT_TRUE(ProgramAlive()) << "the program is not running or does not answer: its silence tells nothing";
    }
    return watch.Bytes();
  }
  // A hotkey. Its own keys sound too: waits until they have ended (or, when
  // the chord silences them, until the silence is sure), and then for the
  // effect the caller names, if any.
  void HotkeyChord(std::initializer_list<WORD> keys, const std::function<bool()>& effect = nullptr) {
    std::string seen;  // what the system made of the keys, told when the effect does not come
    const std::string heard = Heard([&] {
      // The modifiers held as a hand holds them, then the key.
      std::vector<WORD> held(keys);
      const WORD last = held.back();
      held.pop_back();
      seen = HoldKeys(held);
      seen += SendKey(last, false) ? "the key sent; " : "the key refused; ";
      for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) SendKey(*it, true);
    });
    if (effect) {
      HWND front = GetForegroundWindow();
      char name[64] = "";
      GetClassNameA(front, name, sizeof name);
      EXPECT_TRUE(WaitFor(effect, 5000)) << "the hotkey's effect; " << seen << heard.size() / 4
                                         << " frames heard; in front: " << name << " \"" << TextOf(front) << "\"";
    }
  }
  // How much sound follows the end of a tone, relative to the tone: the tail
  // that a reverb leaves (about 0 without one).
  static double TailLevel(const std::string& heard) {
    std::vector<double> mono = audiotest::CapturedMono(heard);
    double peak = 0;
    size_t end = 0;
    for (size_t i = 0; i < mono.size(); ++i) peak = std::max(peak, std::fabs(mono[i]));
    for (size_t i = 0; i < mono.size(); ++i) {
      if (std::fabs(mono[i]) > 0.5 * peak) end = i;
    }
    double tail = 0;
    size_t from = end + 48 * 20, to = std::min(mono.size(), end + 48 * 250);
    for (size_t i = from; i < to; ++i) tail = std::max(tail, std::fabs(mono[i]));
    return peak > 0 ? tail / peak : 0;
  }
  // The tone that dominates what was heard, or 0 for silence.
  static double Dominant(const std::string& heard) {
    double best = 0, bestLevel = 0;
    for (double hz : {Tones::kOther, Tones::kDigits, Tones::kSpace, Tones::kShift, Tones::kLeft, Tones::kEnter,
                      Tones::kPrint}) {
      double level = ToneLevel(heard, hz);
      if (level > bestLevel) {
        bestLevel = level;
        best = hz;
      }
    }
    return bestLevel > 50 ? best : 0;
  }
  static constexpr int kQuietAfterMs = 300;
  static constexpr int kSilenceMs = 800;
  static constexpr int kSilenceWallMs = 1500;
  std::string capture_;
  bool heardBefore_ = false;
};

// Tests that drop files on the program's windows. Explorer's drop block is
// memory of the receiving process, so a drop goes through the program's test
// seam (on for the programs these tests start): the point in the target's
// client area and the path, as a global atom, to the main window.
class DropTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");  // inherited by the program
  }
  void TearDown() override {
    SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);
    InputTest::TearDown();
  }
  // Returns when the target has handled the drop.
  static void Drop(HWND target, POINT at, const std::string& path) {
    const std::string text = std::to_string(at.x) + " " + std::to_string(at.y) + " " + path;
    const ATOM atom = GlobalAddAtomA(text.c_str());
    SendMessageA(MainWindow(), RegisterWindowMessageA("Brisolt.TestDrop"), atom, reinterpret_cast<LPARAM>(target));
    GlobalDeleteAtom(atom);
  }
};


// ---- Helpers for hearing and seeing more than one key at a time ------------

// Peak of each channel of captured 16-bit stereo frames.
struct ChannelPeaks {
  double left = 0, right = 0;
};
inline ChannelPeaks PeaksOf(const std::string& bytes) {
  ChannelPeaks peaks;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    int16_t left, right;
    std::memcpy(&left, bytes.data() + i, 2);
    std::memcpy(&right, bytes.data() + i + 2, 2);
    peaks.left = std::max(peaks.left, std::fabs(static_cast<double>(left)));
    peaks.right = std::max(peaks.right, std::fabs(static_cast<double>(right)));
  }
  return peaks;
}

// The frequency of the tone in a capture near `nominal` (±10 %), to about
// half a hertz: the strongest of a fine scan.
inline double ToneFrequency(const std::string& bytes, double nominal) {
  double best = 0, bestLevel = -1;
  for (double hz = nominal * 0.9; hz <= nominal * 1.1; hz += 0.5) {
    double level = ToneLevel(bytes, hz);
    if (level > bestLevel) {
      bestLevel = level;
      best = hz;
    }
  }
  return best;
}

// What sounded during `action` and the `milliseconds` of capture after its
// start: for sounds longer than Heard() listens. The capture grows as the
// output plays, so this waits for it to hold that much.
template <typename Action>
std::string HeardFor(const std::string& capture, int milliseconds, Action action) {
  size_t before = FileSize(capture);
  before -= before % 4;
  action();
  const size_t wanted = static_cast<size_t>(milliseconds) * 48 * 4;
  WaitFor([&] { return FileSize(capture) >= before + wanted; }, milliseconds + 10000);
  std::string heard = ReadFileFrom(capture, before);
  heard.resize(std::min(heard.size(), wanted));
  return heard;
}

// The pixels of a part of the screen as they are shown (one copy, not a
// read per pixel), row by row from the top.
struct ScreenPixels {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
  int Count(COLORREF colour) const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour)); }
};
inline ScreenPixels PixelsOfScreen(const RECT& area) {
  ScreenPixels shot;
  shot.width = area.right - area.left;
  shot.height = area.bottom - area.top;
  if (shot.width <= 0 || shot.height <= 0) return shot;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* bgrx = static_cast<const uint32_t*>(bits);
  shot.pixels.resize(static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height));
  for (size_t i = 0; i < shot.pixels.size(); ++i) {
    uint32_t p = bgrx[i];
    shot.pixels[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}
// The client area of a window of the program, as shown.
inline ScreenPixels PixelsOfWindow(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return PixelsOfScreen(client);
}

// A mouse event at a point of the screen. Every event carries the place
// (absolute, 0..65535 over the screen): a button sent right after
// SetCursorPos may still land where the mouse was.
inline INPUT MouseAt(POINT screen, DWORD buttons) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (screen.x * 65536 + 65535) / width;
  input.mi.dy = (screen.y * 65536 + 65535) / height;
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
  return input;
}
// Moves the mouse and waits until the system shows it there.
inline void MoveMouseTo(POINT screen) {
  INPUT move = MouseAt(screen, 0);
  SendInput(1, &move, sizeof move);
  WaitFor([&] {
    POINT now{};
    GetCursorPos(&now);
    return now.x == screen.x && now.y == screen.y;
  }, 2000);
}

// Real clicks of the left button at a point of a window's client area (a
// double click for clicks = 2), with the mouse moved there first: in the
// input's own order, after any key sent before.
inline void ClickInWindow(HWND window, POINT point, int clicks = 1) {
  ClientToScreen(window, &point);
  MoveMouseTo(point);
  std::vector<INPUT> input;
  for (int i = 0; i < 2 * clicks; ++i) {
    input.push_back(MouseAt(point, i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP));
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof input[0]);
}

// A drag with the left button from one point of a window's client area to
// another, the button let go only once the mouse has arrived.
inline void DragInWindow(HWND window, POINT from, POINT to) {
  ClientToScreen(window, &from);
  ClientToScreen(window, &to);
  MoveMouseTo(from);
  INPUT down = MouseAt(from, MOUSEEVENTF_LEFTDOWN);
  SendInput(1, &down, sizeof down);
  MoveMouseTo(to);
  INPUT up = MouseAt(to, MOUSEEVENTF_LEFTUP);
  SendInput(1, &up, sizeof up);
}

// The tray menu, opened as a right click on the icon opens it; the keys
// typed next go to it. Null when it did not open.
inline HWND OpenTrayMenu() {
  PostMessageA(MainWindow(), 0x47B, 0, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  WaitFor([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(menu); });
  return menu;
}

}  // namespace e2e
