// The scheme editor's Keyboard page: a picture of the keyboard whose keys
// are previewed, moved through, given sounds of their own and returned to
// their category's, each checked by what sounds (a tone per category).

#include "settings/key_table.h"
#include "tests/e2e/program_fixture.h"
#include "ui/keyboard_view.h"
#include "ui/resource.h"

namespace e2e {
namespace {

constexpr int kKeyboardPage = 1;

class KeyboardViewTest : public DropTest {
 protected:
  HANDLE StartWith(const std::string& extra) {
    Configure(ToneScheme("Test", extra), "CurrentSchem=Test\r\nEaxEnv=0\r\nGlobalVolume=100\r\n");
    return StartAndWait();
  }
  // The editor of the current scheme, on its Keyboard page; the view.
  HWND OpenKeyboard() {
    ShowOptions();
    SendMessageA(FindControl(MainWindow(), IDC_pagMain), TCM_SETCURFOCUS, 1, 0);
    RemoteList{FindControl(MainWindow(), IDC_lwShemes)}.Select(0);
    PostMessageA(FindControl(MainWindow(), IDC_btnEditScheme), BM_CLICK, 0, 0);
    editor_ = WaitDialog("Edit Scheme - Test");
    if (!editor_) return nullptr;
    SendMessageA(GetDlgItem(editor_, IDC_tabEditor), TCM_SETCURFOCUS, kKeyboardPage, 0);
    HWND view = GetDlgItem(editor_, IDC_kbView);
    WaitFor([&] { return IsWindowVisible(view) != FALSE; });
    return view;
  }
  static int Key(const char* name) { return FindKeyByName(name); }
  static POINT CentreOf(HWND view, int key) {
    RemoteBuffer buffer(view, sizeof(RECT));
    RECT rect{};
    if (SendMessageA(view, KVM_GETKEYRECT, static_cast<WPARAM>(key), buffer.Param())) buffer.Read(0, &rect, sizeof rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  }
  static int Focused(HWND view) { return static_cast<int>(SendMessageA(view, KVM_GETFOCUSKEY, 0, 0)); }
  // What a click on a key previews: its press and, as the button comes up,
  // its release. Two clicks in a row land a few pixels apart, so that a
  // second click on the same key is not taken for a double click.
  double ClickHeard(HWND view, int key) {
    POINT at = CentreOf(view, key);
    at.x += (clicks_++ % 2) ? 4 : -4;
    return Dominant(Heard([&] { ClickInWindow(view, at); }));
  }
  void CloseEditor(int button) {
    Press(editor_, button);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(editor_); }, 5000));
  }
  std::string Schemes() const { return ReadFileText(dir_ / "schemes.cfg"); }

  HWND editor_ = nullptr;
  int clicks_ = 0;
};

}  // namespace

// A click and Space preview the key clicked or focused; the arrows move the
// focus; Enter opens the key's own dialog, whose sound then plays for that
// key alone, once OK keeps the editor's work.
TEST_F(KeyboardViewTest, KeysArePreviewedMovedThroughAndGivenTheirOwnSound) {
  HANDLE process = StartWith("");
  HWND view = OpenKeyboard();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(ClickHeard(view, Key("A")), Tones::kOther);
  EXPECT_EQ(Focused(view), Key("A")) << "the clicked key has the focus";
  EXPECT_EQ(ClickHeard(view, Key("Space")), Tones::kSpace);
  EXPECT_EQ(ClickHeard(view, Key("D1")), Tones::kDigits);

  Chord({VK_RIGHT});
  ASSERT_TRUE(WaitFor([&] { return Focused(view) == Key("D2"); })) << Focused(view);
  Chord({VK_DOWN});
  ASSERT_TRUE(WaitFor([&] { return Focused(view) == Key("Q") || Focused(view) == Key("W"); })) << Focused(view);
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_SPACE}); })), Tones::kOther) << "Space previews the focused key";
  Chord({VK_UP});
  // Back on "2" for sure: from the row's left end.
  for (int i = 0; i < 12; ++i) Chord({VK_LEFT});
  ASSERT_TRUE(WaitFor([&] { return Focused(view) == Key("Grave"); })) << Focused(view);
  Chord({VK_RIGHT});
  Chord({VK_RIGHT});
  ASSERT_TRUE(WaitFor([&] { return Focused(view) == Key("D2"); })) << Focused(view);
  EXPECT_EQ(Dominant(Heard([] { Chord({VK_SPACE}); })), Tones::kDigits) << "Space previews the focused key";

  Chord({VK_RETURN});
  HWND dialog = WaitDialog("2");
  ASSERT_NE(dialog, nullptr) << "the key's dialog, captioned with its name";
  SendMessageA(GetDlgItem(dialog, IDC_edSoundName), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("shift.wav"));
  Press(dialog, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(ClickHeard(view, Key("D2")), Tones::kShift) << "the working copy";
  EXPECT_EQ(ClickHeard(view, Key("D3")), Tones::kDigits) << "its neighbour keeps the category's";
  CloseEditor(IDOK);

  EXPECT_EQ(Dominant(Heard([] { Chord({'2'}); })), Tones::kShift);
  EXPECT_EQ(Dominant(Heard([] { Chord({'3'}); })), Tones::kDigits);
  EXPECT_TRUE(WaitFor([&] { return Schemes().find("KeyD2=shift.wav\r\n") != std::string::npos; }, 5000)) << Schemes();
  Exit(process);
}

// Delete returns a key to its category's sound, Cancel forgets it, and a
// file dropped on a key becomes its own sound.
TEST_F(KeyboardViewTest, DeleteCancelAndADroppedFile) {
  HANDLE process = StartWith("KeyD2=shift.wav\r\n");
  HWND view = OpenKeyboard();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(ClickHeard(view, Key("D2")), Tones::kShift);
  PressExtendedKey(VK_DELETE);
  EXPECT_EQ(ClickHeard(view, Key("D2")), Tones::kDigits) << "back to its category's";
  CloseEditor(IDCANCEL);
  EXPECT_EQ(Dominant(Heard([] { Chord({'2'}); })), Tones::kShift) << "Cancel forgot the Delete";

  view = OpenKeyboard();
  ASSERT_NE(view, nullptr);
  // Dropped as Explorer drops it, on the key, through the program's seam.
  Drop(view, CentreOf(view, Key("D3")), dir_ / "enter.wav");
  EXPECT_EQ(Focused(view), Key("D3")) << "the key dropped on";
  EXPECT_EQ(ClickHeard(view, Key("D3")), Tones::kEnter);
  CloseEditor(IDOK);
  EXPECT_EQ(Dominant(Heard([] { Chord({'3'}); })), Tones::kEnter);
  EXPECT_TRUE(WaitFor([&] { return Schemes().find("KeyD3=enter.wav\r\n") != std::string::npos; }, 5000)) << Schemes();
  Exit(process);
}

// A key whose sound is a slice of a longer file: its dialog shows the slice,
// and the slice moved there (its start typed, its end dragged on the
// waveform) is what the key then plays.
TEST_F(KeyboardViewTest, ASliceChangedInTheKeysDialogIsWhatTheKeyPlays) {
  std::vector<int16_t> sprite;
  for (double hz : {Tones::kShift, Tones::kEnter}) {
    std::vector<int16_t> tone = audiotest::Sine(48000, 0.2, hz, 12000 / 32767.0, 240);
    sprite.insert(sprite.end(), tone.begin(), tone.end());
    sprite.insert(sprite.end(), 4800, 0);
  }
  WriteFileText(dir_ / "sprite.wav", audiotest::WavText(sprite, 1, 48000));  // 600 ms
  HANDLE process = StartWith("KeyD1=sprite.wav<0,200>\r\n");
  HWND view = OpenKeyboard();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(ClickHeard(view, Key("D1")), Tones::kShift);
  Chord({VK_RETURN});
  HWND dialog = WaitDialog("1");
  ASSERT_NE(dialog, nullptr);
  HWND start = GetDlgItem(dialog, IDC_edSliceStart), length = GetDlgItem(dialog, IDC_edSliceLength);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(start) && TextOf(start) == "0" && TextOf(length) == "200"; }));
  SendMessageA(start, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("300"));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_edSoundName)), "sprite.wav<300,200>");

  // The slice's end, dragged on the waveform from 500 ms to the file's end.
  HWND wave = GetDlgItem(dialog, IDC_imgWave);
  RECT area{};
  GetClientRect(wave, &area);
  DragInWindow(wave, {MulDiv(area.right, 500, 600), area.bottom / 2}, {area.right - 1, area.bottom / 2});
  ASSERT_TRUE(WaitFor([&] { return std::atoi(TextOf(length).c_str()) >= 295; })) << TextOf(length);
  EXPECT_EQ(TextOf(start), "300") << "the other edge stays";

  Press(dialog, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
  CloseEditor(IDOK);
  EXPECT_EQ(Dominant(Heard([] { Chord({'1'}); })), Tones::kEnter);
  Exit(process);
}

}  // namespace e2e
