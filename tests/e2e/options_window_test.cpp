// The options window of the running program, driven from outside with the
// messages its controls would send or receive: filling, Apply/Ok/Cancel, the
// volume slider, the scheme commands and starting with Windows.

#include "tests/e2e/program_fixture.h"

#include <sddl.h>
#include "ui/resource.h"

using namespace e2e;

namespace {

constexpr WORD kCtrlAltO = 0x064F;  // hotkey-control value: Ctrl|Alt (6) and 'O'
constexpr WORD kCtrlAltK = 0x064B;

class OptionsTest : public InputTest {
 protected:
  static HWND Control(int id) { return FindControl(MainWindow(), id); }
  static RemoteList List() { return RemoteList{Control(IDC_lwShemes)}; }
  static bool Enabled(int id) { return IsWindowEnabled(Control(id)) != FALSE; }
  static void Click(int id) { SendMessageA(Control(id), BM_CLICK, 0, 0); }
  // Hidden, and no longer in front as the system sees it: input that comes
  // next goes on past it.
  static bool Hidden() {
    return WaitFor([] { return !IsWindowVisible(MainWindow()) && GetForegroundWindow() != MainWindow(); }, 5000);
  }
  // A key as the focused control would receive it (the slider and the lists
  // act on it and notify the window as they do for the user).
  static void KeyTo(int id, WORD vk) {
    SendMessageA(Control(id), WM_KEYDOWN, vk, 0);
    SendMessageA(Control(id), WM_KEYUP, vk, 0xC0000000);
  }
  // Three schemes whose keys sound different tones, "First" current.
  void ThreeSchemes(const std::string& options) {
    std::string schemes = ToneScheme("First", "") +
                          "[Second]\r\nkOther=digits.wav\r\nkOtherVol=100\r\n"
                          "[Third]\r\nkOther=space.wav\r\nkOtherVol=100\r\n";
    Configure(schemes, "CurrentSchem=First\r\n" + options);
  }
};

}  // namespace

TEST_F(OptionsTest, ShowingFillsEveryControlFromTheSettings) {
  ThreeSchemes("GlobalVolume=60\r\nAnimIcon=0\r\nSupportEAX=1\r\nEaxEnv=3\r\nMouseActionIndex=1\r\n"
               "VolUpValue=7\r\nVolDownValue=12\r\nDeviceID=1\r\n");
  HANDLE process = StartAndWait();
  ShowOptions();
  EXPECT_EQ(SendMessageA(Control(IDC_pagMain), TCM_GETCURSEL, 0, 0), 0) << "the General page";
  EXPECT_FALSE(Enabled(IDC_btnApply));
  EXPECT_EQ(SendMessageA(Control(IDC_tbGlobalVolume), TBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(TextOf(Control(IDC_lblPerc)), "60%");
  EXPECT_FALSE(TextOf(Control(IDC_lblSoundCard)).empty()) << "the description of device 1";
  EXPECT_EQ(SendMessageA(Control(IDC_cbAnimIcon), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(Enabled(IDC_cbEAX));
  EXPECT_EQ(SendMessageA(Control(IDC_cbEAX), CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SendMessageA(Control(IDC_cbEAX), CB_GETCOUNT, 0, 0), 27);
  EXPECT_EQ(SendMessageA(Control(IDC_cbMouse), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(Control(IDC_hkOptions), HKM_GETHOTKEY, 0, 0), kCtrlAltO);
  EXPECT_EQ(TextOf(Control(IDC_edIncVolume)), "7");
  EXPECT_EQ(TextOf(Control(IDC_edRedVolume)), "12");

  RemoteList list = List();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Text(1), "Second");
  EXPECT_EQ(list.Marker(0), 4);
  EXPECT_EQ(list.Marker(1), 5);
  EXPECT_EQ(list.Marker(2), 5);
  EXPECT_EQ(list.Selected(), -1);
  for (int id : {IDC_btnEditScheme, IDC_btnSetScheme, IDC_btnDeleteScheme}) EXPECT_FALSE(Enabled(id)) << id;

  // The rows' backgrounds as they are on the screen: peach for the current
  // scheme, light grey for the others.
  SendMessageA(Control(IDC_pagMain), TCM_SETCURFOCUS, 1, 0);
  auto pixel = [&](int row) {
    RECT rect = list.Rect(row, LVIR_BOUNDS);
    POINT point{rect.left + 150, (rect.top + rect.bottom) / 2};
    ClientToScreen(list.list, &point);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
  };
  EXPECT_TRUE(WaitFor([&] { return pixel(0) == RGB(254, 231, 222); }, 3000)) << std::hex << pixel(0);
  EXPECT_EQ(pixel(1), RGB(245, 245, 245));

  // The layout at 96 dpi, in client pixels (left, top, width, height),
  // within the rounding of dialog units.
  RECT client{};
  GetClientRect(MainWindow(), &client);
  EXPECT_NEAR(client.right, 521, 2);
  EXPECT_NEAR(client.bottom, 252, 2);
  struct Place {
    int id, left, top, width, height;
  };
  for (Place p : {Place{IDC_pagMain, 8, 8, 345, 225}, Place{IDOK, 364, 28, 80, 25}, Place{IDCANCEL, 364, 58, 80, 25},
                  Place{IDC_btnApply, 364, 88, 80, 25}, Place{IDC_tbGlobalVolume, 480, 24, 30, 209}}) {
    RECT r{};
    GetWindowRect(Control(p.id), &r);
    MapWindowPoints(nullptr, MainWindow(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_NEAR(r.left, p.left, 2) << p.id;
    EXPECT_NEAR(r.top, p.top, 2) << p.id;
    EXPECT_NEAR(r.right - r.left, p.width, 2) << p.id;
    EXPECT_NEAR(r.bottom - r.top, p.height, 2) << p.id;
  }
  Exit(process);

  // Without environmental effects the preset list is disabled.
  WriteFileText(dir_ / "config.cfg", "[Options]\r\nSupportEAX=0\r\nDeviceID=0\r\n");
  process = StartAndWait();
  ShowOptions();
  EXPECT_FALSE(Enabled(IDC_cbEAX));
  EXPECT_FALSE(Enabled(IDC_tbGlobalVolume)) << "no sound device, no slider";
  Exit(process);
}

TEST_F(OptionsTest, CancelDropsChangesAndUndoesThePresetPreview) {
  ThreeSchemes("SupportEAX=1\r\nEaxEnv=0\r\n");
  HANDLE process = StartAndWait();
  EXPECT_LT(TailLevel(Heard([] { Chord({'A'}); })), 0.003) << "no reverb to begin with";

  ShowOptions();
  SendMessageA(Control(IDC_hkOptions), HKM_SETHOTKEY, kCtrlAltK, 0);
  SendMessageA(Control(IDC_cbEAX), CB_SETCURSEL, 10, 0);
  KeyTo(IDC_cbEAX, VK_DOWN);  // "Hangar", heard at once
  EXPECT_EQ(SendMessageA(Control(IDC_cbEAX), CB_GETCURSEL, 0, 0), 11);
  EXPECT_TRUE(Enabled(IDC_btnApply));
  EXPECT_GT(TailLevel(Heard([] { Chord({'A'}); })), 0.03) << "the preset is previewed";

  Click(IDCANCEL);
  ASSERT_TRUE(Hidden());
  EXPECT_LT(TailLevel(Heard([] { Chord({'A'}); })), 0.003) << "and undone by Cancel";

  // The old hotkey still works, and showing again refills the controls.
  HotkeyChord({VK_CONTROL, VK_MENU, 'K'});
  EXPECT_FALSE(IsWindowVisible(MainWindow()));
  HotkeyChord({VK_CONTROL, VK_MENU, 'O'});
  ASSERT_TRUE(WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; }));
  EXPECT_EQ(SendMessageA(Control(IDC_hkOptions), HKM_GETHOTKEY, 0, 0), kCtrlAltO);
  EXPECT_EQ(SendMessageA(Control(IDC_cbEAX), CB_GETCURSEL, 0, 0), 0);
  EXPECT_FALSE(Enabled(IDC_btnApply));
  Exit(process);
  EXPECT_EQ(ConfigValue("EaxEnv"), "0");
  EXPECT_EQ(ConfigValue("OptionsHotKey"), "49231");
}

TEST_F(OptionsTest, OkAppliesEveryPageAndTheNewHotkeysWork) {
  ThreeSchemes("SupportEAX=1\r\nEaxEnv=0\r\nAnimIcon=1\r\nMouseActionIndex=0\r\nVolUpValue=10\r\nVolDownValue=10\r\n");
  HANDLE process = StartAndWait();
  ShowOptions();
  SendMessageA(Control(IDC_hkOptions), HKM_SETHOTKEY, kCtrlAltK, 0);
  Click(IDC_cbAnimIcon);
  EXPECT_TRUE(Enabled(IDC_btnApply)) << "a change enables Apply";
  SendMessageA(Control(IDC_cbEAX), CB_SETCURSEL, 2, 0);
  KeyTo(IDC_cbEAX, VK_DOWN);                              // "Room"
  KeyTo(IDC_cbMouse, VK_DOWN);                            // "Show options"
  SendMessageA(Control(IDC_edIncVolume), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0"));   // below the range
  SendMessageA(Control(IDC_edRedVolume), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));   // not a number
  Click(IDOK);
  ASSERT_TRUE(Hidden());

  HotkeyChord({VK_CONTROL, VK_MENU, 'O'});
  EXPECT_FALSE(IsWindowVisible(MainWindow())) << "the old combination is released";
  HotkeyChord({VK_CONTROL, VK_MENU, 'K'});
  EXPECT_TRUE(WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; })) << "the new one shows the options";
  EXPECT_EQ(TextOf(Control(IDC_edIncVolume)), "1");
  EXPECT_EQ(TextOf(Control(IDC_edRedVolume)), "10");
  Click(IDCANCEL);
  ASSERT_TRUE(Hidden());
  // The tray click now shows the options instead of muting.
  SendMessageA(MainWindow(), 0x47B, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; }));
  Exit(process);
  EXPECT_EQ(ConfigValue("OptionsHotKey"), std::to_string(0xC000 | 'K'));
  EXPECT_EQ(ConfigValue("OptionsModifiers"), "3");
  EXPECT_EQ(ConfigValue("AnimIcon"), "0");
  EXPECT_EQ(ConfigValue("EaxEnv"), "3");
  EXPECT_EQ(ConfigValue("MouseActionIndex"), "1");
  EXPECT_EQ(ConfigValue("VolUpValue"), "1");
  EXPECT_EQ(ConfigValue("VolDownValue"), "10");
  EXPECT_EQ(ConfigValue("MuteSound"), "0");
}

TEST_F(OptionsTest, VolumeSliderActsAtOnceAndHotkeysMoveIt) {
  ThreeSchemes("GlobalVolume=50\r\n");
  HANDLE process = StartAndWait();
  ShowOptions();
  Heard([] { Chord({'A'}); });  // the output is open from here on
  double before = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  KeyTo(IDC_tbGlobalVolume, VK_NEXT);  // a page down the bar: 10 less
  EXPECT_EQ(TextOf(Control(IDC_lblPerc)), "40%");
  double after = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  EXPECT_NEAR(after / before, 40.0 / 50.0, 0.05) << "without Apply";
  Click(IDCANCEL);
  ASSERT_TRUE(Hidden());

  HotkeyChord({VK_CONTROL, VK_MENU, 'I'},  // 40 -> 50
              [&] { return SendMessageA(Control(IDC_tbGlobalVolume), TBM_GETPOS, 0, 0) == 50; });
  EXPECT_EQ(SendMessageA(Control(IDC_tbGlobalVolume), TBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(TextOf(Control(IDC_lblPerc)), "50%");
  for (int i = 0; i < 6; ++i) HotkeyChord({VK_CONTROL, VK_MENU, 'I'});
  EXPECT_TRUE(WaitFor([&] { return SendMessageA(Control(IDC_tbGlobalVolume), TBM_GETPOS, 0, 0) == 0; }));
  EXPECT_EQ(TextOf(Control(IDC_lblPerc)), "100%");
  Exit(process);
  EXPECT_EQ(ConfigValue("GlobalVolume"), "100") << "Cancel did not undo the slider";
}

TEST_F(OptionsTest, SetSchemeAndTheMarkerClickMakeASchemeCurrent) {
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  RemoteList list = List();
  list.Select(0);  // the current scheme
  EXPECT_TRUE(Enabled(IDC_btnEditScheme));
  EXPECT_TRUE(Enabled(IDC_btnDeleteScheme));
  EXPECT_FALSE(Enabled(IDC_btnSetScheme));
  list.Select(1);
  EXPECT_TRUE(Enabled(IDC_btnSetScheme));
  Click(IDC_btnSetScheme);
  EXPECT_EQ(list.Marker(0), 5);
  EXPECT_EQ(list.Marker(1), 4);
  EXPECT_FALSE(Enabled(IDC_btnSetScheme));
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kDigits) << "Second's key sounds";

  // A press on a caption only selects; a press on the marker makes current.
  // (Posted: the list view waits inside a press for the release.)
  RECT label = list.Rect(2, LVIR_LABEL);
  int y = (label.top + label.bottom) / 2;
  auto press = [&](int x) {
    PostMessageA(list.list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    PostMessageA(list.list, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    ASSERT_TRUE(list.Flush());
  };
  press(label.left + 20);
  EXPECT_EQ(list.Selected(), 2);
  EXPECT_EQ(list.Marker(2), 5);
  EXPECT_EQ(list.Marker(1), 4);
  press(label.left - 10);
  EXPECT_EQ(list.Marker(2), 4);
  EXPECT_EQ(list.Marker(1), 5);
  EXPECT_EQ(list.Selected(), 2);
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kSpace) << "Third's key sounds";

  // The scheme hotkey moves the marker too, and the buttons follow.
  HotkeyChord({VK_CONTROL, VK_MENU, VK_SHIFT, 'N'}, [&] { return list.Marker(0) == 4; });  // Third -> First
  EXPECT_EQ(list.Marker(0), 4);
  EXPECT_EQ(list.Marker(2), 5);
  EXPECT_TRUE(Enabled(IDC_btnSetScheme)) << "the selected row is no longer current";
  Exit(process);
  EXPECT_EQ(ConfigValue("CurrentSchem"), "First");
}

TEST_F(OptionsTest, DeleteAsksRefusesTheLastAndSelectsTheRowAbove) {
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  RemoteList list = List();
  auto deleteRow = [&](int row, int answer) {
    list.Select(row);
    PostMessageA(Control(IDC_btnDeleteScheme), BM_CLICK, 0, 0);
    HWND box = WaitMessageBox("Brisolt");
    std::string text = MessageBoxText(box);
    Press(box, answer);
    WaitFor([&] { return !IsWindow(box); });
    return text;
  };
  // The box is gone before the program acts on its answer, so the checks wait for the row to go.
  EXPECT_EQ(deleteRow(2, IDCANCEL), "Delete sound scheme \"Third\" ?");
  EXPECT_EQ(list.Count(), 3) << "Cancel deletes nothing";
  deleteRow(2, IDOK);
  ASSERT_TRUE(WaitFor([&] { return list.Count() == 2; }));
  EXPECT_TRUE(WaitFor([&] { return list.Selected() == 1; })) << "the row above is selected";

  deleteRow(0, IDOK);  // the current scheme, and the first row
  ASSERT_TRUE(WaitFor([&] { return list.Count() == 1; }));
  EXPECT_EQ(list.Text(0), "Second");
  EXPECT_TRUE(WaitFor([&] { return list.Marker(0) == 5; })) << "no scheme is current";
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), 0) << "and keys are silent";

  EXPECT_EQ(deleteRow(0, IDOK), "Sorry, Can not delete this scheme. It is last!");
  EXPECT_EQ(list.Count(), 1);
  Exit(process);
  EXPECT_EQ(ConfigValue("CurrentSchem"), "");
  EXPECT_EQ(testutil::SectionNames(ReadFileText(dir_ / "schemes.cfg")), std::vector<std::string>{"Second"});
}

TEST_F(OptionsTest, SchemesWhoseNamesDifferOnlyInCaseAreToldApart) {
  Configure(ToneScheme("Tone", "") + "[TONE]\r\nkOther=digits.wav\r\nkOtherVol=100\r\n", "CurrentSchem=Tone\r\n");
  HANDLE process = StartAndWait();
  ShowOptions();
  RemoteList list = List();
  list.Select(1);
  EXPECT_TRUE(Enabled(IDC_btnSetScheme)) << "\"TONE\" is not the current \"Tone\"";
  PostMessageA(Control(IDC_btnDeleteScheme), BM_CLICK, 0, 0);
  Press(WaitMessageBox("Brisolt"), IDOK);
  ASSERT_TRUE(WaitFor([&] { return list.Count() == 1; }));
  EXPECT_EQ(list.Text(0), "Tone");
  EXPECT_EQ(Dominant(Heard([] { Chord({'A'}); })), Tones::kOther) << "the scheme of the other row is still there";
  Exit(process);
  EXPECT_NE(ReadFileText(dir_ / "schemes.cfg").find("kOther=other.wav"), std::string::npos);
}

TEST_F(OptionsTest, StartWithWindowsIsWrittenByApply) {
  RegDeleteKeyValueA(HKEY_CURRENT_USER, testutil::kRunKey, "Brisolt");
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  Click(IDC_cbStartUp);
  EXPECT_EQ(testutil::RunValue(), "<none>") << "not before Apply";
  Click(IDC_btnApply);
  EXPECT_NE(testutil::RunValue().find("Brisolt.exe"), std::string::npos) << testutil::RunValue();
  EXPECT_FALSE(Enabled(IDC_btnApply));
  Click(IDC_cbStartUp);
  Click(IDC_btnApply);
  EXPECT_EQ(testutil::RunValue(), "<none>");
  Exit(process);
  EXPECT_EQ(ConfigValue("AutoRun"), "0");
}

TEST_F(OptionsTest, TabVisitsThePageControlThePageAndTheButtonsInOrder) {
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  SetForegroundWindow(MainWindow());
  DWORD thread = GetWindowThreadProcessId(MainWindow(), nullptr);
  auto focus = [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return GetDlgCtrlID(info.hwndFocus);
  };
  ASSERT_TRUE(WaitFor([&] { return focus() == IDC_pagMain; }, 3000)) << focus();
  std::vector<int> visited;
  for (int i = 0; i < 6; ++i) {
    const int before = focus();
    Chord({VK_TAB});
    EXPECT_TRUE(WaitFor([&] { return focus() != before; }, 3000)) << "Tab " << i << " moves the focus";
    visited.push_back(focus());
  }
  // Apply is disabled and skipped; after the slider the order starts again.
  EXPECT_EQ(visited, (std::vector<int>{IDC_cbStartUp, IDC_cbAnimIcon, IDOK, IDCANCEL, IDC_tbGlobalVolume, IDC_pagMain}));
  auto page = [&] { return static_cast<int>(SendMessageA(Control(IDC_pagMain), TCM_GETCURSEL, 0, 0)); };
  Chord({VK_CONTROL, VK_TAB});
  EXPECT_TRUE(WaitFor([&] { return page() == 1; }, 3000)) << "Ctrl+Tab turns the page";
  // Alt+T leaves the page as it is: the next Ctrl+Tab, handled after it,
  // turns from page 1 to page 2.
  Chord({VK_MENU, 'T'});
  Chord({VK_CONTROL, VK_TAB});
  EXPECT_TRUE(WaitFor([&] { return page() != 1; }, 3000));
  EXPECT_EQ(page(), 2);
  Exit(process);
}

namespace {

// Denies everyone the right to write values under the Run key until the end
// of the scope.
class RunKeyLocked {
 public:
  RunKeyLocked() {
    RegCreateKeyExA(HKEY_CURRENT_USER, testutil::kRunKey, 0, nullptr, 0,
                    READ_CONTROL | WRITE_DAC, nullptr, &key_, nullptr);
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    original_.resize(size);
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size);
    // Setting values (0x2) is denied to everyone; the rest stays allowed.
    PSECURITY_DESCRIPTOR locked = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &locked,
                                                         nullptr);
    RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, locked);
    LocalFree(locked);
  }
  ~RunKeyLocked() {
    RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data());
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  std::vector<char> original_;
};

}  // namespace

TEST_F(OptionsTest, ARefusedRunValueIsLoggedAndTheOtherChangesStillApply) {
  RegDeleteKeyValueA(HKEY_CURRENT_USER, testutil::kRunKey, "Brisolt");
  RunKeyLocked locked;
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  Click(IDC_cbStartUp);
  SendMessageA(Control(IDC_hkOptions), HKM_SETHOTKEY, kCtrlAltK, 0);
  Click(IDOK);
  ASSERT_TRUE(Hidden());
  EXPECT_TRUE(LogHas("Failed to set data for 'Brisolt'"));
  HotkeyChord({VK_CONTROL, VK_MENU, 'K'});
  ASSERT_TRUE(WaitFor([] { return IsWindowVisible(MainWindow()) != FALSE; })) << "the hotkey was still applied";
  EXPECT_EQ(SendMessageA(Control(IDC_cbStartUp), BM_GETCHECK, 0, 0), BST_UNCHECKED) << "shows what is true";
  Exit(process);
  EXPECT_EQ(ConfigValue("AutoRun"), "0");
}

TEST_F(OptionsTest, ALetterTypedWithTheFocusOnAHiddenPageDoesNotHangTheProgram) {
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  SetForegroundWindow(MainWindow());
  SendMessageA(Control(IDC_pagMain), TCM_SETCURFOCUS, 1, 0);
  Click(IDC_cbStartUp);  // a program's click puts the focus on the hidden General page
  Chord({'A'});  // the dialog manager looks for an accelerator letter
  // Input is handled in order: once a Ctrl+Tab after the letter turns the
  // page, the letter was handled and the program went on.
  const auto page = [&] { return SendMessageA(Control(IDC_pagMain), TCM_GETCURSEL, 0, 0); };
  const LRESULT before = page();
  Chord({VK_CONTROL, VK_TAB});
  EXPECT_TRUE(WaitFor([&] { return page() != before; }, 5000)) << "the program still answers its keys";
  Exit(process);  // and its exit
  EXPECT_TRUE(LogHas("Hook was stopped"));
}

// The Effects page's own controls: the variation slider and the two boxes
// are taken over by Ok and Apply, saved, shown again at the next opening, and
// heard: varied presses, Escape on the left and Enter on the right, and a
// press that rings on under the next one.
TEST_F(OptionsTest, TheEffectsPageSetsVariationPlacementAndOverlap) {
  WriteFileText(dir_ / "other.wav", ToneWav(Tones::kOther, 0.4));
  WriteFileText(dir_ / "digits.wav", ToneWav(Tones::kDigits, 0.4));
  Configure(ToneScheme("First", "kEscape=other.wav\r\nkEscapeVol=100\r\n"),
            "CurrentSchem=First\r\nEaxEnv=0\r\nGlobalVolume=50\r\n");
  HANDLE process = StartAndWait();
  Heard([] { Chord({'A'}); });  // the output is open from here on
  ShowOptions();
  SendMessageA(Control(IDC_pagMain), TCM_SETCURFOCUS, 2, 0);  // Effects
  EXPECT_EQ(TextOf(Control(IDC_lblVariation)), "Off");
  KeyTo(IDC_tbVariation, VK_END);
  EXPECT_EQ(TextOf(Control(IDC_lblVariation)), "10");
  EXPECT_TRUE(Enabled(IDC_btnApply)) << "moving the slider is a change";
  Click(IDC_cbKeyPanning);
  Click(IDOK);
  ASSERT_TRUE(Hidden());
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("Variation") == "10" && ConfigValue("KeyPanning") == "1"; }, 4000))
      << ConfigValue("Variation") << " " << ConfigValue("KeyPanning");
  EXPECT_EQ(ConfigValue("OverlapSounds"), "0");

  std::vector<double> pitches;
  for (int i = 0; i < 3; ++i) pitches.push_back(ToneFrequency(Heard([] { Chord({'A'}); }), Tones::kOther));
  for (int i = 1; i < 3; ++i) {
    EXPECT_NEAR(pitches[i], Tones::kOther, Tones::kOther * 0.05 + 1.0) << "press " << i;
    EXPECT_GT(std::fabs(pitches[i] - pitches[i - 1]), 5.0) << "press " << i << " sounds like the one before";
  }
  ChannelPeaks escape = PeaksOf(Heard([] { Chord({VK_ESCAPE}); }));
  ChannelPeaks enter = PeaksOf(Heard([] { Chord({VK_RETURN}); }));
  EXPECT_GT(escape.left, 2 * escape.right) << escape.left << " " << escape.right;
  EXPECT_GT(enter.right, 2 * enter.left) << enter.left << " " << enter.right;

  // The next opening shows what was applied; now variation and placement
  // go off and overlap comes on, with Apply.
  ShowOptions();
  SendMessageA(Control(IDC_pagMain), TCM_SETCURFOCUS, 2, 0);
  EXPECT_EQ(SendMessageA(Control(IDC_tbVariation), TBM_GETPOS, 0, 0), 10);
  EXPECT_EQ(TextOf(Control(IDC_lblVariation)), "10");
  EXPECT_EQ(SendMessageA(Control(IDC_cbKeyPanning), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(Control(IDC_cbOverlapSounds), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  KeyTo(IDC_tbVariation, VK_HOME);
  EXPECT_EQ(TextOf(Control(IDC_lblVariation)), "Off");
  Click(IDC_cbKeyPanning);
  Click(IDC_cbOverlapSounds);
  Click(IDC_btnApply);
  EXPECT_FALSE(Enabled(IDC_btnApply));
  Click(IDCANCEL);  // what was applied stays
  ASSERT_TRUE(Hidden());
  EXPECT_TRUE(WaitFor([&] { return ConfigValue("OverlapSounds") == "1"; }, 4000));

  ChannelPeaks centred = PeaksOf(Heard([] { Chord({VK_ESCAPE}); }));
  EXPECT_NEAR(centred.left / centred.right, 1.0, 0.02) << "placement is off again";
  double alone = ToneAmount(Heard([] { Chord({'A'}); }), Tones::kOther);
  auto twoPresses = [] {
    Chord({'A'});
    Chord({'1'});
  };
  double first = ToneAmount(Heard(twoPresses), Tones::kOther);
  ASSERT_GT(alone, 0);
  EXPECT_NEAR(first / alone, 1.0, 0.1) << "the first press rings on to its end under the second";
  Exit(process);
  EXPECT_EQ(ConfigValue("Variation"), "0");
  EXPECT_EQ(ConfigValue("KeyPanning"), "0");
  EXPECT_EQ(ConfigValue("OverlapSounds"), "1");
}

// Ctrl+Page Down and Ctrl+Page Up turn the pages, round from the last to
// the first and back, and the page turned to is the one shown.
TEST_F(OptionsTest, CtrlPageDownAndCtrlPageUpTurnThePages) {
  ThreeSchemes("");
  HANDLE process = StartAndWait();
  ShowOptions();
  SetForegroundWindow(MainWindow());
  ASSERT_TRUE(WaitFor([] { return GetForegroundWindow() == MainWindow(); }, 3000));
  auto page = [] { return static_cast<int>(SendMessageA(Control(IDC_pagMain), TCM_GETCURSEL, 0, 0)); };
  ASSERT_EQ(page(), 0);
  auto turn = [&](WORD key, int expected) {
    Chord({VK_CONTROL, key});
    return WaitFor([&] { return page() == expected; }, 3000);
  };
  EXPECT_TRUE(turn(VK_NEXT, 1)) << page();
  EXPECT_TRUE(turn(VK_NEXT, 2)) << page();
  EXPECT_TRUE(IsWindowVisible(Control(IDC_cbEAX))) << "the Effects page is shown";
  EXPECT_FALSE(IsWindowVisible(Control(IDC_lwShemes)));
  EXPECT_TRUE(turn(VK_PRIOR, 1)) << page();
  EXPECT_TRUE(IsWindowVisible(Control(IDC_lwShemes))) << "the Schemes page is shown";
  EXPECT_TRUE(turn(VK_PRIOR, 0)) << page();
  EXPECT_TRUE(turn(VK_PRIOR, 5)) << "from the first page to the last: " << page();
  EXPECT_TRUE(IsWindowVisible(Control(IDC_lbQuietPrograms))) << "the Quiet page is shown";
  EXPECT_TRUE(turn(VK_NEXT, 0)) << "and round to the first: " << page();
  Exit(process);
}
