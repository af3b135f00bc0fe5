// The scheme editor and the key sound dialog of the running program, driven
// from outside: commits, refusals, Cancel, the category switch, the volume
// keys, previews, the window's height and the sound file choice.

#include "tests/e2e/program_fixture.h"
#include "ui/resource.h"

using namespace e2e;

namespace {

// A dialog of the program with this caption that has a control `id` (a
// message box's text is 0xFFFF; the input box's field IDC_edValue).
HWND WaitBox(const char* caption, int id) {
  HWND found = nullptr;
  WaitFor([&] {
    found = nullptr;
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", caption); w && !found;
         w = FindWindowExA(nullptr, w, "#32770", caption)) {
      if (IsWindowVisible(w) && GetDlgItem(w, id)) found = w;
    }
    return found != nullptr;
  });
  return found;
}

void SetText(HWND control, const std::string& text) {
  SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

class EditorTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    if (IsSkipped()) return;
    Reconfigure("");
  }
  void Reconfigure(const std::string& options) {
    Configure(ToneScheme("Test", "") + "[Second]\r\nkOther=digits.wav\r\nkOtherVol=100\r\nKeyboardEnabled=0\r\n",
              "CurrentSchem=Test\r\n" + options);
  }
  static HWND Options(int id) { return FindControl(MainWindow(), id); }
  // Opens the editor on row `row` of the options window's scheme list.
  HWND OpenEditor(int row, const std::string& name) {
    ShowOptions();
    SendMessageA(Options(IDC_pagMain), TCM_SETCURFOCUS, 1, 0);  // the Schemes page
    RemoteList{Options(IDC_lwShemes)}.Select(row);
    PostMessageA(Options(IDC_btnEditScheme), BM_CLICK, 0, 0);  // modal: not waited for
    HWND editor = WaitDialog(("Edit Scheme - " + name).c_str());
    EXPECT_NE(editor, nullptr) << name;
    return editor;
  }
  static RemoteList Rows(HWND editor) { return RemoteList{GetDlgItem(editor, IDC_lwKeyboard)}; }
  // The text of a cell of the editor's list.
  static std::string Cell(HWND editor, int row, int column) { return Rows(editor).Text(row, column); }
  static bool Closed(HWND window) { return WaitFor([&] { return !IsWindow(window); }, 5000); }
  // Presses "Save as...", answers the question with `answer` and returns the
  // message box that follows, if any (nullptr when the editor closed).
  static HWND SaveAs(HWND editor, const std::string& answer) {
    PostMessageA(GetDlgItem(editor, IDC_btnSaveAs), BM_CLICK, 0, 0);
    HWND question = WaitBox("Brisolt", IDC_edValue);
    EXPECT_EQ(TextOf(GetDlgItem(question, IDC_lblPrompt)), "Please enter name of the scheme");
    SetText(GetDlgItem(question, IDC_edValue), answer);
    Press(question, IDOK);
    HWND box = nullptr;
    WaitFor([&] {
      box = FindWindowExA(nullptr, nullptr, "#32770", "Brisolt");
      return !IsWindow(editor) || (box && GetDlgItem(box, 0xFFFF));
    });
    return IsWindow(editor) ? box : nullptr;
  }
};

// Real keys to the editor, which has the focus: Tab to the list and so on.
// Keys are handled in the order they are typed, so what a key does is
// waited for, not the key.
void Keys(std::initializer_list<WORD> keys) { Chord(keys); }

// A mono 16-bit WAV at 48 kHz of a sine tone whose peak is `peak` of full
// scale (1.0: it reaches full scale; 0: silence of that length).
std::string LevelToneWav(double hz, double seconds, double peak) {
  size_t n = static_cast<size_t>(48000 * seconds);
  std::vector<int16_t> samples(n);
  for (size_t i = 0; i < n; ++i) {
    samples[i] = static_cast<int16_t>(std::lround(32767 * peak * std::sin(2 * 3.14159265358979 * hz * i / 48000.0)));
  }
  std::vector<uint8_t> wav = audiotest::MakeWav(samples, 1, 48000);
  return std::string(wav.begin(), wav.end());
}

// The open-file dialog that Ctrl+O, Ctrl+Shift+O and "..." show: the path
// typed into its name box and taken with Open.
void ChooseInOpenDialog(const std::string& path) {
  HWND open = WaitDialog("Open");
  ASSERT_NE(open, nullptr);
  HWND name = FindControl(open, 1148);  // the file name box
  if (!name) name = FindControl(open, 1152);
  SetText(name, path);
  Press(open, IDOK);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(open); }, 5000));
}

// A real double click in the editor's list on `row` at x, optionally with
// Shift held: keys and clicks reach the editor in the order they were made.
void DoubleClickRow(HWND editor, int row, int x, bool shift) {
  HWND list = GetDlgItem(editor, IDC_lwKeyboard);
  SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  RECT bounds = RemoteList{list}.Rect(row, LVIR_BOUNDS);
  if (shift) HoldKeys({VK_SHIFT});
  ClickInWindow(list, POINT{x, (bounds.top + bounds.bottom) / 2}, 2);
  if (shift) SendKey(VK_SHIFT, true);
}

// The waveform picture of the key sound dialog as shown: for each column,
// how many pixels of `colour` it has.
std::vector<int> ColumnsOf(HWND keyDialog, COLORREF colour) {
  ScreenPixels shot = PixelsOfWindow(GetDlgItem(keyDialog, IDC_imgWave));
  std::vector<int> columns(static_cast<size_t>(shot.width), 0);
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) columns[static_cast<size_t>(x)] += shot.At(x, y) == colour ? 1 : 0;
  }
  return columns;
}
constexpr COLORREF kWaveBlue = RGB(30, 90, 170);
constexpr COLORREF kClippedRed = RGB(200, 30, 30);

}  // namespace

TEST_F(EditorTest, OkCommitsInPlaceAndTheRenamedCurrentSchemeKeepsSounding) {
  HANDLE process = StartAndWait();
  Heard([] { Chord({'A'}); });  // the output is open from here on
  double before = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  ASSERT_GT(before, 0);
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  RemoteList rows = Rows(editor);
  ASSERT_EQ(rows.Count(), 24);
  EXPECT_EQ(Cell(editor, 0, 0), "Escape");
  EXPECT_EQ(Cell(editor, 23, 0), "NumLock");
  EXPECT_EQ(Cell(editor, 3, 1), "other.wav");
  EXPECT_EQ(Cell(editor, 3, 2), "100");
  EXPECT_EQ(rows.Marker(3), 4);
  EXPECT_EQ(rows.Selected(), 0);
  // (Shift: a key that types nothing into the editor, which has the focus.)
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_LSHIFT}); })), 0) << "keys are silent while the editor is open";

  // The volume keys on "Other": at 100 Ctrl+= stays, Ctrl+- lowers.
  SetForegroundWindow(editor);
  Keys({VK_TAB});
  Keys({VK_TAB});
  Keys({VK_TAB});  // the list
  for (int i = 0; i < 3; ++i) Keys({VK_DOWN});
  ASSERT_TRUE(WaitFor([&] { return rows.Selected() == 3; }, 3000)) << rows.Selected();
  // Ctrl+= at 100 stays there: twenty Ctrl+- after it end at 80, not 81.
  // Each chord waits for the one before to show, as a hand's would.
  Keys({VK_CONTROL, VK_OEM_PLUS});
  for (int i = 0; i < 20; ++i) {
    Keys({VK_CONTROL, VK_OEM_MINUS});
    const std::string expected = std::to_string(99 - i);
    ASSERT_TRUE(WaitFor([&] { return Cell(editor, 3, 2) == expected; }, 3000))
        << "after " << i + 1 << " Ctrl+-: " << Cell(editor, 3, 2);
  }
  EXPECT_EQ(Cell(editor, 3, 2), "80");
  // The keypad's minus does nothing: a Ctrl+= after it goes from 80 to 81.
  Keys({VK_SUBTRACT});
  Keys({VK_CONTROL, VK_OEM_PLUS});
  EXPECT_TRUE(WaitFor([&] { return Cell(editor, 3, 2) != "80"; }, 3000));
  EXPECT_EQ(Cell(editor, 3, 2), "81");

  SetText(GetDlgItem(editor, IDC_edSchemeName), "Renamed");
  EXPECT_TRUE(WaitFor([&] { return TextOf(editor) == "Edit Scheme - Renamed"; }, 2000)) << TextOf(editor);
  Press(editor, IDOK);
  ASSERT_TRUE(Closed(editor));
  RemoteList schemes{Options(IDC_lwShemes)};
  EXPECT_EQ(schemes.Text(0), "Renamed");
  EXPECT_EQ(schemes.Marker(0), 4) << "still the current scheme";
  SendMessageA(Options(IDCANCEL), BM_CLICK, 0, 0);  // typing goes elsewhere again
  ASSERT_TRUE(WaitFor([] { return !IsWindowVisible(MainWindow()); }));
  double after = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  EXPECT_NEAR(after / before, 0.81, 0.05) << "the edited volume sounds at once";
  Exit(process);
  EXPECT_EQ(ConfigValue("CurrentSchem"), "Renamed");
  std::string store = ReadFileText(dir_ / "schemes.cfg");
  EXPECT_EQ(testutil::SectionNames(store), (std::vector<std::string>{"Renamed", "Second"})) << "in its place";
  EXPECT_NE(store.find("kOtherVol=81"), std::string::npos);
  EXPECT_NE(store.find("kLeftButton=click.wav"), std::string::npos) << "the mouse sounds are kept";
}

TEST_F(EditorTest, SaveAsAddsASchemeAndNamesInUseAreRefused) {
  HANDLE process = StartAndWait();
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(SaveAs(editor, "Test2"), nullptr) << "accepted: the editor closes";
  RemoteList schemes{Options(IDC_lwShemes)};
  ASSERT_EQ(schemes.Count(), 3);
  EXPECT_EQ(schemes.Text(2), "Test2");
  EXPECT_EQ(schemes.Selected(), 2);
  EXPECT_EQ(schemes.Marker(2), 5);
  EXPECT_EQ(schemes.Marker(0), 4) << "the current scheme stays";

  editor = OpenEditor(0, "Test");
  // The proposal is the name followed by "2".
  PostMessageA(GetDlgItem(editor, IDC_btnSaveAs), BM_CLICK, 0, 0);
  HWND question = WaitBox("Brisolt", IDC_edValue);
  EXPECT_EQ(TextOf(GetDlgItem(question, IDC_edValue)), "Test2");
  Press(question, IDCANCEL);
  ASSERT_TRUE(Closed(question));
  EXPECT_TRUE(IsWindow(editor));

  for (const char* taken : {"Test2", "TEST2", "second", "Test"}) {
    HWND box = SaveAs(editor, taken);
    ASSERT_NE(box, nullptr) << taken;
    EXPECT_EQ(MessageBoxText(box), std::string("Scheme \"") + taken + "\" already exists!. Please Enter another name");
    Press(box, IDOK);
    ASSERT_TRUE(Closed(box));
  }
  HWND box = SaveAs(editor, "");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "Please enter name of the scheme");
  Press(box, IDOK);
  ASSERT_TRUE(Closed(box));

  // OK: an empty name and another scheme's name are refused; the scheme's
  // own name in other letters is not.
  auto ok = [&](const std::string& name) {
    SetText(GetDlgItem(editor, IDC_edSchemeName), name);
    PostMessageA(GetDlgItem(editor, IDOK), BM_CLICK, 0, 0);
    HWND message = nullptr;
    WaitFor([&] {
      message = FindWindowExA(nullptr, nullptr, "#32770", "Brisolt");
      return !IsWindow(editor) || (message && GetDlgItem(message, 0xFFFF));
    });
    if (!IsWindow(editor)) return std::string("closed");
    std::string text = MessageBoxText(message);
    Press(message, IDOK);
    Closed(message);
    return text;
  };
  EXPECT_EQ(ok(""), "Please enter name of the scheme");
  EXPECT_EQ(ok("Second"), "Scheme \"Second\" already exists!. Please Enter another name");
  EXPECT_EQ(ok("test2"), "Scheme \"test2\" already exists!. Please Enter another name");
  EXPECT_EQ(ok("TEST"), "closed");
  EXPECT_EQ(schemes.Text(0), "TEST");
  Exit(process);
  EXPECT_EQ(ConfigValue("CurrentSchem"), "TEST");
  EXPECT_EQ(testutil::SectionNames(ReadFileText(dir_ / "schemes.cfg")),
            (std::vector<std::string>{"TEST", "Second", "Test2"}));
}

TEST_F(EditorTest, CancelLeavesEverythingAndOnlyTheBallSwitchesACategory) {
  HANDLE process = StartAndWait();
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  RemoteList rows = Rows(editor);
  RECT label = rows.Rect(3, LVIR_BOUNDS);
  int y = (label.top + label.bottom) / 2;
  auto press = [&](UINT down, UINT up, int x) {
    PostMessageA(rows.list, down, down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(rows.list, up, 0, MAKELPARAM(x, y));
    ASSERT_TRUE(rows.Flush());
  };
  press(WM_LBUTTONDOWN, WM_LBUTTONUP, 0);
  EXPECT_EQ(rows.Marker(3), 4) << "x = 0 is not on the ball";
  press(WM_LBUTTONDOWN, WM_LBUTTONUP, 16);
  EXPECT_EQ(rows.Marker(3), 4) << "x = 16 is not on the ball";
  press(WM_RBUTTONDOWN, WM_RBUTTONUP, 8);
  EXPECT_EQ(rows.Marker(3), 5) << "a right press on the ball switches it off";
  press(WM_LBUTTONDOWN, WM_LBUTTONUP, 8);
  EXPECT_EQ(rows.Marker(3), 4);
  press(WM_LBUTTONDOWN, WM_LBUTTONUP, 8);
  EXPECT_EQ(rows.Marker(3), 5);
  // The keyboard switch greys the list out.
  SendMessageA(GetDlgItem(editor, IDC_cbKeyboard), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(rows.list));
  SetText(GetDlgItem(editor, IDC_edSchemeName), "Other name");
  Press(editor, IDCANCEL);
  ASSERT_TRUE(Closed(editor));
  EXPECT_EQ(RemoteList{Options(IDC_lwShemes)}.Text(0), "Test");
  SendMessageA(Options(IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitFor([] { return !IsWindowVisible(MainWindow()); }));
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther) << "the category still sounds";

  // A scheme with its keyboard off opens with the list greyed out; ticking
  // the box and OK store it on.
  editor = OpenEditor(1, "Second");
  ASSERT_NE(editor, nullptr);
  rows = Rows(editor);
  EXPECT_EQ(SendMessageA(GetDlgItem(editor, IDC_cbKeyboard), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(rows.list));
  SendMessageA(GetDlgItem(editor, IDC_cbKeyboard), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(rows.list));
  Press(editor, IDOK);
  ASSERT_TRUE(Closed(editor));
  Exit(process);
  std::string store = ReadFileText(dir_ / "schemes.cfg");
  size_t test = store.find("[Test]"), second = store.find("[Second]");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(store.find("ekOther=1", test), std::string::npos) << "Cancel kept the category on";
  EXPECT_LT(store.find("ekOther=1", test), second);
  EXPECT_NE(store.find("KeyboardEnabled=1", second), std::string::npos);
}

TEST_F(EditorTest, APreviewSoundsEvenWhenMutedAndTheHeightIsKept) {
  Reconfigure("MuteSound=1\r\nFormSchemeHeight=400\r\n");
  HANDLE process = StartAndWait();
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  RECT rect{};
  GetWindowRect(editor, &rect);
  EXPECT_EQ(rect.bottom - rect.top, 400);
  RemoteList rows = Rows(editor);
  rows.Select(3);
  EXPECT_EQ(Dominant(Heard([&] { SendMessageA(GetDlgItem(editor, IDC_btnPlay), BM_CLICK, 0, 0); })), Tones::kOther);
  rows.Select(0);  // Escape: no file
  SendMessageA(GetDlgItem(editor, IDC_btnPlay), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return LogHas("Bass Error"); }, 3000));

  // Taller: the list grows by as much; the height is kept for the next opening.
  RECT list0{};
  GetWindowRect(rows.list, &list0);
  SetWindowPos(editor, nullptr, 0, 0, rect.right - rect.left, 600, SWP_NOMOVE | SWP_NOZORDER);
  RECT list1{};
  GetWindowRect(rows.list, &list1);
  EXPECT_EQ((list1.bottom - list1.top) - (list0.bottom - list0.top), 200);
  Press(editor, IDCANCEL);
  ASSERT_TRUE(Closed(editor));
  editor = OpenEditor(0, "Test");
  GetWindowRect(editor, &rect);
  EXPECT_EQ(rect.bottom - rect.top, 600);
  Press(editor, IDCANCEL);
  ASSERT_TRUE(Closed(editor));
  Exit(process);
  EXPECT_EQ(ConfigValue("FormSchemeHeight"), "600");
}

TEST_F(EditorTest, KeySoundDialogChoosesAFileAndAVolume) {
  ASSERT_TRUE(CreateDirectoryA((dir_ / "Sub").c_str(), nullptr));
  WriteFileText(dir_ / "Sub\\inside.wav", ToneWav(1000, 0.1));
  TempFolder sibling;  // another folder: its files keep their full path
  WriteFileText(sibling / "outside.wav", ToneWav(1000, 0.1));
  HANDLE process = StartAndWait();
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  RemoteList rows = Rows(editor);
  rows.Select(3);
  auto openKeyDialog = [&] {
    PostMessageA(rows.list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, (rows.Rect(3, LVIR_BOUNDS).top + 3)));
    return WaitDialog("Other");
  };
  HWND key = openKeyDialog();
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(key, IDC_edSoundName)), "other.wav");
  EXPECT_EQ(SendMessageA(GetDlgItem(key, IDC_tbVolume), TBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(TextOf(GetDlgItem(key, IDC_lblProc)), "100%");

  auto choose = [&](const std::string& path) {
    PostMessageA(GetDlgItem(key, IDC_btnOpen), BM_CLICK, 0, 0);
    HWND open = WaitDialog("Open");
    EXPECT_NE(open, nullptr);
    HWND name = FindControl(open, 1148);  // the file name box
    if (!name) name = FindControl(open, 1152);
    std::string before = TextOf(GetDlgItem(key, IDC_edSoundName));
    SetText(name, path);
    Press(open, IDOK);
    EXPECT_TRUE(Closed(open));
    // The field is filled once the open-file dialog has returned.
    WaitFor([&] { return TextOf(GetDlgItem(key, IDC_edSoundName)) != before; });
    return TextOf(GetDlgItem(key, IDC_edSoundName));
  };
  EXPECT_EQ(choose(dir_ / "Sub\\inside.wav"), "Sub\\inside.wav");
  EXPECT_EQ(choose(sibling / "outside.wav"), sibling / "outside.wav");
  SendMessageA(GetDlgItem(key, IDC_tbVolume), WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(TextOf(GetDlgItem(key, IDC_lblProc)), "0%");
  // Escape from the file field leaves the row as it was.
  PostMessageA(GetDlgItem(key, IDC_edSoundName), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(Closed(key));
  EXPECT_EQ(Cell(editor, 3, 1), "other.wav");

  // Enter in the file field is OK: the row and the working copy take it.
  key = openKeyDialog();
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(choose(dir_ / "Sub\\inside.wav"), "Sub\\inside.wav");
  SendMessageA(GetDlgItem(key, IDC_tbVolume), WM_KEYDOWN, VK_PRIOR, 0);  // 100 - 10
  PostMessageA(GetDlgItem(key, IDC_edSoundName), WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(Closed(key));
  EXPECT_EQ(Cell(editor, 3, 1), "Sub\\inside.wav");
  EXPECT_EQ(Cell(editor, 3, 2), "90");
  Press(editor, IDOK);
  ASSERT_TRUE(Closed(editor));
  Exit(process);
  std::string store = ReadFileText(dir_ / "schemes.cfg");
  EXPECT_NE(store.find("kOther=Sub\\inside.wav"), std::string::npos);
  EXPECT_NE(store.find("kOtherVol=90"), std::string::npos);
}

// The release column: Shift with a double click, or a double click in the
// column itself, opens the key sound dialog on the release sound; an empty
// field there removes it. Ctrl+Shift+O chooses it and Ctrl+Shift+P previews
// it, while Ctrl+O and Ctrl+P do the same for the press sound.
TEST_F(EditorTest, TheReleaseColumnAndThePressColumnTakeTheirOwnKeysAndClicks) {
  constexpr double kUpHz = 1800, kUp2Hz = 2800;
  WriteFileText(dir_ / "up.wav", ToneWav(kUpHz, 0.15));
  WriteFileText(dir_ / "up2.wav", ToneWav(kUp2Hz, 0.15));
  Configure(ToneScheme("Test", "kEnterRelease=up.wav\r\n"), "CurrentSchem=Test\r\n");
  HANDLE process = StartAndWait();
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  RemoteList rows = Rows(editor);
  EXPECT_EQ(Cell(editor, 12, 3), "up.wav") << "Enter's release sound";
  EXPECT_EQ(Cell(editor, 3, 3), "");
  SetForegroundWindow(editor);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == editor; }, 3000));

  // Shift and a double click on Other's press column: its release sound.
  DoubleClickRow(editor, 3, 150, true);
  HWND key = WaitDialog("Other - release");
  ASSERT_NE(key, nullptr) << "the release sound's dialog; shown: " << ShownDialogs();
  EXPECT_EQ(TextOf(GetDlgItem(key, IDC_edSoundName)), "");
  EXPECT_EQ(TextOf(GetDlgItem(key, IDC_lblWave)), "No release sound");
  SetText(GetDlgItem(key, IDC_edSoundName), "up.wav");
  Press(key, IDOK);
  ASSERT_TRUE(Closed(key));
  EXPECT_EQ(Cell(editor, 3, 3), "up.wav");
  EXPECT_EQ(Cell(editor, 3, 1), "other.wav") << "the press sound stays";

  // A double click without Shift in Enter's release column: emptied, removed.
  RECT release = rows.Rect(12, LVIR_BOUNDS);
  int releaseX = release.left + 95 + 210 + 55 + 40;  // inside the fourth column
  DoubleClickRow(editor, 12, releaseX, false);
  key = WaitDialog("Enter - release");
  ASSERT_NE(key, nullptr) << "a double click in the release column; shown: " << ShownDialogs();
  EXPECT_EQ(TextOf(GetDlgItem(key, IDC_edSoundName)), "up.wav");
  SetText(GetDlgItem(key, IDC_edSoundName), "");
  EXPECT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(key, IDC_lblWave)) == "No release sound"; }, 2000));
  Press(key, IDOK);
  ASSERT_TRUE(Closed(key));
  EXPECT_EQ(Cell(editor, 12, 3), "");
  EXPECT_EQ(Cell(editor, 12, 1), "enter.wav");

  // The keys, on the selected row (Other), with the list focused.
  rows.Select(3);
  ASSERT_EQ(rows.Selected(), 3);
  std::string heard = Heard([] { Chord({VK_CONTROL, VK_SHIFT, 'P'}); });
  EXPECT_GT(ToneLevel(heard, kUpHz), 10 * ToneLevel(heard, Tones::kOther) + 50) << "Ctrl+Shift+P: the release sound";
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_CONTROL, 'P'}); })), Tones::kOther) << "Ctrl+P: the press sound";
  Chord({VK_CONTROL, VK_SHIFT, 'O'});
  ChooseInOpenDialog(dir_ / "up2.wav");
  EXPECT_TRUE(WaitFor([&] { return Cell(editor, 3, 3) == "up2.wav"; }, 3000)) << Cell(editor, 3, 3);
  EXPECT_EQ(Cell(editor, 3, 1), "other.wav");
  Chord({VK_CONTROL, 'O'});
  ChooseInOpenDialog(dir_ / "digits.wav");
  EXPECT_TRUE(WaitFor([&] { return Cell(editor, 3, 1) == "digits.wav"; }, 3000)) << Cell(editor, 3, 1);
  EXPECT_EQ(Cell(editor, 3, 3), "up2.wav");
  heard = Heard([] { Chord({VK_CONTROL, VK_SHIFT, 'P'}); });
  EXPECT_GT(ToneLevel(heard, kUp2Hz), 10 * ToneLevel(heard, kUpHz) + 50) << "the chosen release sound";
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_CONTROL, 'P'}); })), Tones::kDigits) << "the chosen press sound";

  Press(editor, IDOK);
  ASSERT_TRUE(Closed(editor));
  Exit(process);
  std::string store = ReadFileText(dir_ / "schemes.cfg");
  EXPECT_NE(store.find("kOther=digits.wav"), std::string::npos) << store;
  EXPECT_NE(store.find("kOtherRelease=up2.wav"), std::string::npos) << store;
  EXPECT_EQ(store.find("kEnterRelease"), std::string::npos) << "removed: " << store;
}

// The key sound dialog draws the file's waveform and tells its length and
// peak level: nothing drawn without a file, an outline as tall as the tone's
// peak, red where a file reaches full scale, and the line for silence and
// for a file that is not there.
TEST_F(EditorTest, KeySoundDialogDrawsTheWaveformAndTellsItsLengthAndPeak) {
  WriteFileText(dir_ / "half.wav", LevelToneWav(1000, 0.25, 0.5));
  WriteFileText(dir_ / "full.wav", LevelToneWav(1000, 0.3, 1.0));
  WriteFileText(dir_ / "silent.wav", LevelToneWav(1000, 0.2, 0.0));
  HANDLE process = StartAndWait();
  HWND editor = OpenEditor(0, "Test");
  ASSERT_NE(editor, nullptr);
  RemoteList rows = Rows(editor);
  rows.Select(0);  // Escape: no sound
  PostMessageA(rows.list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, rows.Rect(0, LVIR_BOUNDS).top + 3));
  HWND key = WaitDialog("Escape");
  ASSERT_NE(key, nullptr);
  HWND line = GetDlgItem(key, IDC_lblWave);
  HWND field = GetDlgItem(key, IDC_edSoundName);
  EXPECT_EQ(TextOf(line), "No sound");
  auto tallest = [&](COLORREF colour) {
    std::vector<int> columns = ColumnsOf(key, colour);
    return columns.empty() ? 0 : *std::max_element(columns.begin(), columns.end());
  };
  auto drawnColumns = [&](COLORREF colour) {
    std::vector<int> columns = ColumnsOf(key, colour);
    return static_cast<int>(std::count_if(columns.begin(), columns.end(), [](int n) { return n > 0; }));
  };
  EXPECT_EQ(tallest(kWaveBlue), 0) << "no file, no waveform";

  RECT picture{};
  GetClientRect(GetDlgItem(key, IDC_imgWave), &picture);
  const int width = picture.right, height = picture.bottom;
  ASSERT_GT(height, 20);
  SetText(field, "half.wav");
  EXPECT_TRUE(WaitFor([&] { return TextOf(line) == "250 ms, peak -6.0 dBFS"; }, 3000)) << TextOf(line);
  // Each column spans the lowest to the highest value of its part: for a
  // tone at half of full scale, half the picture's height.
  const int halfHeight = static_cast<int>(std::lround(0.5 * (height - 2))) + 1;
  EXPECT_TRUE(WaitFor([&] { return std::abs(tallest(kWaveBlue) - halfHeight) <= 2; }, 3000))
      << tallest(kWaveBlue) << " of " << height << " pixels";
  EXPECT_GE(drawnColumns(kWaveBlue), width * 9 / 10) << "the whole width is the file";
  EXPECT_EQ(tallest(kClippedRed), 0);

  SetText(field, "full.wav");
  EXPECT_TRUE(WaitFor([&] { return TextOf(line) == "300 ms, peak 0.0 dBFS (may be clipped)"; }, 3000))
      << TextOf(line);
  EXPECT_TRUE(WaitFor([&] { return drawnColumns(kClippedRed) >= width * 9 / 10; }, 3000))
      << drawnColumns(kClippedRed) << " red columns of " << width;
  EXPECT_GE(tallest(kClippedRed), height - 4) << "full scale fills the height";

  SetText(field, "silent.wav");
  EXPECT_TRUE(WaitFor([&] { return TextOf(line) == "200 ms, silent"; }, 3000)) << TextOf(line);
  SetText(field, "missing.wav");
  EXPECT_TRUE(WaitFor([&] { return TextOf(line) == "File not found"; }, 3000)) << TextOf(line);
  EXPECT_TRUE(WaitFor([&] { return tallest(kWaveBlue) == 0 && tallest(kClippedRed) == 0; }, 3000))
      << "the picture is cleared";
  PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(Closed(key));
  Press(editor, IDCANCEL);
  ASSERT_TRUE(Closed(editor));
  Exit(process);
}
