// The keyboard picture as a control: what the mouse, the keyboard, its menu and
// a drop tell the parent, and the tips of its keys. (How it looks: by eye.)

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/keyboard_view.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr int kViewId = 7;
std::vector<std::string> said;  // what the view told its parent: "preview Q"
std::wstring droppedPath;
std::vector<WORD> commands;  // what a dialog received

int Key(const char* name) { return FindKeyByName(name); }

void Record(LPARAM lParam) {
  static const char* const kCodes[] = {"?", "preview", "release", "edit", "reset", "drop"};
  const auto* block = reinterpret_cast<const NMKEYBOARDVIEW*>(lParam);
  int key = block->key;
  std::string name = key == kKeyLeftButton    ? "LeftButton"
                     : key == kKeyRightButton ? "RightButton"
                                              : std::string(KeyTable()[static_cast<size_t>(key)].name);
  said.push_back(std::string(kCodes[block->header.code <= 5 ? block->header.code : 0]) + " " + name);
  if (block->path) droppedPath = block->path;
}

std::vector<std::string> Said() { return std::exchange(said, {}); }

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && wParam == kViewId) Record(lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && wParam == kViewId) Record(lParam);
  if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
  return message == WM_INITDIALOG;
}

// Everything queued, through the dialog manager when there is a dialog.
void Pump(HWND dialog = nullptr) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (dialog && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class KeyboardView : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ASSERT_TRUE(RegisterKeyboardView(instance));
    ASSERT_TRUE(RegisterKeyboardView(instance)) << "registered already is no failure";
    WNDCLASSW wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"KeyboardViewTestParent";
    RegisterClassW(&wc);
    parent_ = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1100, 500, nullptr,
                            nullptr, instance, nullptr);
    view_ = CreateWindowW(kKeyboardViewClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 780, 240, parent_,
                          reinterpret_cast<HMENU>(kViewId), instance, nullptr);
    ASSERT_NE(view_, nullptr);
    looks_.assign(kKeyCount + 2, KeyLook{});
    said.clear();
  }
  void TearDown() override { DestroyWindow(parent_); }

  void SetLooks() { SendMessageW(view_, KVM_SETLOOKS, 0, reinterpret_cast<LPARAM>(&looks_)); }
  RECT KeyRect(int key) {
    RECT rect{};
    SendMessageW(view_, KVM_GETKEYRECT, static_cast<WPARAM>(key), reinterpret_cast<LPARAM>(&rect));
    return rect;
  }
  POINT Centre(int key) {
    RECT r = KeyRect(key);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  int FocusKey() { return static_cast<int>(SendMessageW(view_, KVM_GETFOCUSKEY, 0, 0)); }
  void Mouse(UINT message, POINT at) { SendMessageW(view_, message, 0, MAKELPARAM(at.x, at.y)); }

  HWND parent_ = nullptr;
  HWND view_ = nullptr;
  std::vector<KeyLook> looks_;
};

}  // namespace

// ---- Mouse and menu ------------------------------------------------------------------------

TEST_F(KeyboardView, APressPreviewsItsEndReleasesAndADoubleClickEdits) {
  Mouse(WM_LBUTTONDOWN, Centre(Key("Q")));
  EXPECT_EQ(GetFocus(), view_);
  EXPECT_EQ(FocusKey(), Key("Q"));
  EXPECT_THAT(Said(), ElementsAre("preview Q"));
  Mouse(WM_LBUTTONUP, Centre(Key("Q")));
  EXPECT_THAT(Said(), ElementsAre("release Q"));
  Mouse(WM_LBUTTONDOWN, Centre(Key("W")));
  ReleaseCapture();  // taken away, as by a window that pops up
  EXPECT_THAT(Said(), ElementsAre("preview W", "release W"));

  Mouse(WM_LBUTTONDBLCLK, Centre(kKeyRightButton));
  EXPECT_THAT(Said(), ElementsAre("edit RightButton"));
}

TEST_F(KeyboardView, TheMenuPlaysEditsAndResetsOnlyAKeyWithItsOwnSound) {
  looks_[Key("Q")].source = KeySource::kOwn;
  looks_[Key("W")].source = KeySource::kCategory;
  SetLooks();
  // The menu's loop takes the letter queued before it opened; Escape closes
  // it when the letter chose nothing. lParam -1: Shift+F10 or the menu key.
  auto choose = [&](int key, wchar_t letter, LPARAM where = -1) {
    if (where == -1) SendMessageW(view_, KVM_SETFOCUSKEY, static_cast<WPARAM>(key), 0);
    PostMessageW(view_, WM_CHAR, letter, 0);
    PostMessageW(view_, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(view_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view_), where);
    Pump();
    return Said();
  };
  EXPECT_THAT(choose(Key("W"), L'u'), IsEmpty()) << "greyed for the category's sound";
  EXPECT_THAT(choose(Key("Q"), L'u'), ElementsAre("reset Q"));
  EXPECT_THAT(choose(Key("W"), L'p'), ElementsAre("preview W", "release W"));
  EXPECT_THAT(choose(Key("W"), L'c'), ElementsAre("edit W"));

  POINT at = Centre(Key("E"));  // a right click: the key under the mouse
  Mouse(WM_RBUTTONDOWN, at);
  ClientToScreen(view_, &at);
  EXPECT_THAT(choose(Key("E"), L'c', MAKELPARAM(at.x, at.y)), ElementsAre("edit E"));
  EXPECT_EQ(FocusKey(), Key("E"));
}

// ---- Keyboard -------------------------------------------------------------------------------

TEST_F(KeyboardView, InADialogTheKeysActOnTheFocusedKeyAndTabAndEscapeStayTheDialogs) {
  // The keyboard and a default button, from a template in memory.
  std::vector<WORD> t;
  auto text = [&](const wchar_t* s) { t.insert(t.end(), s, s + wcslen(s) + 1); };
  auto item = [&](DWORD style, std::initializer_list<WORD> place) {
    if (t.size() % 2) t.push_back(0);
    t.insert(t.end(), {LOWORD(style), HIWORD(style), 0, 0});
    t.insert(t.end(), place);
  };
  item(DS_SETFONT | WS_POPUP | WS_CAPTION | WS_VISIBLE, {2, 0, 0, 500, 200, 0, 0});  // 2 items; no menu, no class
  text(L"Keys");
  t.push_back(8);
  text(L"MS Shell Dlg");
  item(WS_CHILD | WS_VISIBLE | WS_TABSTOP, {5, 5, 490, 150, kViewId});
  text(kKeyboardViewClass);
  t.insert(t.end(), {0, 0});  // no text, no data
  item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {440, 170, 50, 14, IDOK});
  t.insert(t.end(), {0xFFFF, 0x0080, 0, 0});  // a button
  HWND dialog = CreateDialogIndirectW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                      DialogProc);
  ASSERT_NE(dialog, nullptr);
  HWND keyboard = GetDlgItem(dialog, kViewId);
  EXPECT_NE(SendMessageW(keyboard, WM_GETFONT, 0, 0), 0) << "the dialog's font";
  SetFocus(keyboard);
  SendMessageW(keyboard, KVM_SETFOCUSKEY, Key("Escape"), 0);
  commands.clear();
  auto post = [&](UINT message, WPARAM vk, LPARAM flags = 0) {
    PostMessageW(keyboard, message, vk, flags | 1);
    Pump(dialog);
  };
  auto press = [&](WPARAM vk) {
    post(WM_KEYDOWN, vk);
    post(WM_KEYUP, vk, 0xC0000000);
  };
  auto focusKey = [&] { return static_cast<int>(SendMessageW(keyboard, KVM_GETFOCUSKEY, 0, 0)); };

  press(VK_DOWN);
  EXPECT_EQ(focusKey(), Key("Grave"));
  press(VK_RIGHT);
  EXPECT_EQ(focusKey(), Key("D1"));
  post(WM_KEYDOWN, VK_SPACE);
  post(WM_KEYDOWN, VK_SPACE, 0x40000000);  // held: the keyboard repeats
  EXPECT_THAT(Said(), ElementsAre("preview D1"));
  post(WM_KEYUP, VK_SPACE, 0xC0000000);
  EXPECT_THAT(Said(), ElementsAre("release D1"));
  press(VK_RETURN);
  press(VK_DELETE);
  EXPECT_THAT(Said(), ElementsAre("edit D1", "reset D1"));
  EXPECT_THAT(commands, IsEmpty()) << "Enter is not the default button's";

  post(WM_KEYDOWN, VK_SPACE);
  press(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
  EXPECT_THAT(Said(), ElementsAre("preview D1", "release D1")) << "leaving ends the press";
  SetFocus(keyboard);
  press(VK_ESCAPE);
  EXPECT_THAT(commands, ElementsAre(IDCANCEL));
  DestroyWindow(dialog);
}

// ---- Tooltips and drops ----------------------------------------------------------------------

TEST_F(KeyboardView, TheTipOfTheKeyUnderThePointOnSeveralLinesOrElseItsName) {
  HWND tip = nullptr;  // owned by the top-level window, with the view's tools
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr))) {
    if (SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) && tool.hwnd == view_) break;
  }
  ASSERT_NE(tip, nullptr);
  EXPECT_GT(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 0) << "lines break";
  looks_[Key("Q")].tip = "Own sound: tick.wav\nRelease: tock.wav";
  SetLooks();
  auto tipAt = [&](POINT at) -> std::wstring {
    TTHITTESTINFOW hit{view_, at, {}};
    hit.ti.cbSize = TTTOOLINFOW_V2_SIZE;
    if (!SendMessageW(tip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit))) return L"<no tool>";
    wchar_t text[256] = L"";
    hit.ti.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&hit.ti));
    return text;
  };
  EXPECT_EQ(tipAt(Centre(Key("Q"))), L"Own sound: tick.wav\r\nRelease: tock.wav");
  EXPECT_EQ(tipAt(Centre(Key("W"))), L"W");
  EXPECT_EQ(tipAt(Centre(kKeyLeftButton)), L"Left Button");
  SetWindowPos(view_, nullptr, 0, 0, 400, 150, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(tipAt(Centre(Key("Space"))), L"Space") << "the tips follow the keys";
}

TEST_F(KeyboardView, AFileDroppedOnAKeyGoesToThatKey) {
  EXPECT_TRUE(GetWindowLongW(view_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  auto drop = [&](POINT at) {
    const wchar_t files[] = L"C:\\sounds\\a.wav\0C:\\sounds\\b.wav\0";
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof files);
    auto* block = static_cast<DROPFILES*>(GlobalLock(memory));
    *block = DROPFILES{sizeof(DROPFILES), at, FALSE, TRUE};
    std::memcpy(block + 1, files, sizeof files);
    GlobalUnlock(memory);
    SendMessageW(view_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  };
  drop(Centre(Key("A")));
  EXPECT_THAT(Said(), ElementsAre("drop A"));
  EXPECT_EQ(droppedPath, L"C:\\sounds\\a.wav");
  EXPECT_EQ(FocusKey(), Key("A"));
  RECT escape = KeyRect(Key("Escape"));
  drop({escape.right + 3, escape.bottom + 3});
  EXPECT_THAT(Said(), IsEmpty()) << "between keys";
}
