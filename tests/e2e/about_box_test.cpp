// The about box and the mail and web actions of the Help menus.

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/program_fixture.h"
#include "ui/contact.h"
#include "ui/resource.h"

using namespace e2e;

namespace {

constexpr UINT kAbout = 102, kSendMessage = 103, kWebSite = 104;  // the menu commands
constexpr const char* kAboutCaption = "About Brisolt 1.4 XP";
const std::string kMailAddress = std::string("mailto:") + kSupportMail + "?subject=Brisolt 1.4 XP";

void Command(UINT id) { PostMessageA(MainWindow(), WM_COMMAND, id, 0); }

// The about boxes of a process: top-level windows with the box's caption.
std::vector<HWND> AboutBoxes(HANDLE process) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{GetProcessId(process), {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->pid && TextOf(window) == kAboutCaption) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A control's place in its window's client area.
RECT ClientPlace(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

bool Near(long actual, long expected) { return std::labs(actual - expected) <= 2; }

// Which of two windows lies higher in the z-order.
bool IsAbove(HWND upper, HWND lower) {
  for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == upper) return true;
    if (window == lower) return false;
  }
  return false;
}

// The hint of a tool of a tooltip window of another process.
std::string ToolHint(HWND tooltip, UINT_PTR* toolId) {
  RemoteBuffer remote(tooltip);
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.lpszText = remote.At(1024);
  remote.Write(0, &tool, sizeof tool);
  if (!SendMessageA(tooltip, TTM_ENUMTOOLSA, 0, remote.Param())) return "<no tool>";
  remote.Read(0, &tool, sizeof tool);
  *toolId = tool.uId;
  char text[256] = "";
  remote.Read(1024, text, sizeof text - 1);
  return text;
}

HWND OwnedTooltip(HWND owner) {
  struct Search {
    HWND owner, found;
  } search{owner, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (GetWindow(window, GW_OWNER) != s->owner || lstrcmpiA(name, TOOLTIPS_CLASSA) != 0) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Stands in for the system's handler of one kind of address for as long as
// it lives: the address handed over is appended to a record file, one line
// each. Wine looks URL handlers up in HKEY_CLASSES_ROOT alone (a user's
// Software\Classes is not merged in), so the command is replaced there and
// the old one put back afterwards.
class AddressRecorder {
 public:
  AddressRecorder(const std::string& scheme, const std::string& record)
      : key_(scheme + "\\shell\\open\\command"), record_(record) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string recorder = self;
    recorder = recorder.substr(0, recorder.find_last_of('\\') + 1) + "url_recorder.exe";
    saved_ = Command();
    // A run that died before putting Wine's handler back left ours in place.
    if (saved_.find("url_recorder") != std::string::npos) saved_ = "\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"";
    SetCommand("\"" + recorder + "\" \"" + record_ + "\" \"%1\"");
  }
  ~AddressRecorder() {
    if (saved_.empty()) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, key_.c_str());
    } else {
      SetCommand(saved_);
    }
  }
  AddressRecorder(const AddressRecorder&) = delete;
  AddressRecorder& operator=(const AddressRecorder&) = delete;

  // The addresses handed over so far, once there are `count` of them.
  std::vector<std::string> Addresses(size_t count) const {
    WaitFor([&] { return testutil::Lines(ReadFileText(record_)).size() >= count; });
    return testutil::Lines(ReadFileText(record_));
  }

 private:
  std::string Command() const {
    char value[1024] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
      return "";
    }
    return value;
  }
  void SetCommand(const std::string& command) {
    EXPECT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, command.c_str(),
                              static_cast<DWORD>(command.size() + 1)),
              ERROR_SUCCESS);
  }

  std::string key_, record_, saved_;
};

class AboutBoxTest : public ProgramTest {
 protected:
  // Chooses "About" and waits for the box.
  HWND OpenAbout() {
    Command(kAbout);
    return WaitDialog(kAboutCaption);
  }
  TempFolder records_;
};

}  // namespace

TEST_F(AboutBoxTest, OpensOnceOnTopAndCentredWithoutTitleBarButtons) {
  HANDLE process = StartAndWait();
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), MainWindow());
  EXPECT_FALSE(IsWindowVisible(MainWindow())) << "the options window stays hidden";

  auto style = static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(box, GWL_EXSTYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

  RECT frame{};
  GetWindowRect(box, &frame);
  EXPECT_TRUE(Near((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2));
  EXPECT_TRUE(Near((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2));

  // Moved aside and covered by another top-most window, the box stays where
  // it is and under the cover when "About" is chosen again.
  SetWindowPos(box, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "cover", WS_POPUP | WS_VISIBLE, 0, 0, 400,
                               300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(WaitFor([&] { return IsAbove(cover, box); }));
  Command(kAbout);
  Command(kAbout);
  Sleep(500);
  WaitFor([] { return false; }, 200);  // let the cover take whatever comes its way
  EXPECT_EQ(AboutBoxes(process), std::vector<HWND>{box});
  EXPECT_TRUE(IsAbove(cover, box)) << "the open box is not brought to the front";
  GetWindowRect(box, &frame);
  EXPECT_EQ(frame.left, 10);
  EXPECT_EQ(frame.top, 10);
  DestroyWindow(cover);
  Exit(process);
}

TEST_F(AboutBoxTest, LayoutAndMailHint) {
  StartAndWait();
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi != 96) GTEST_SKIP() << "the layout is given in pixels at 96 dpi";

  RECT client{};
  GetClientRect(box, &client);
  EXPECT_TRUE(Near(client.right, 311)) << client.right;
  EXPECT_TRUE(Near(client.bottom, 203)) << client.bottom;

  struct Expected {
    int id;
    long x, y, width, height;  // 0: not checked
  };
  for (const Expected& e : {Expected{IDC_imgLogo, 5, 8, 301, 58}, Expected{IDC_lblComments, 5, 71, 146, 26},
                            Expected{IDC_lblMail, 171, 72, 0, 0}, Expected{IDCANCEL, 97, 144, 116, 25},
                            Expected{IDC_lblNotice, 47, 183, 0, 0}, Expected{IDC_sepAbout1, 0, 98, 311, 0},
                            Expected{IDC_sepAbout2, 0, 122, 311, 0}}) {
    HWND control = GetDlgItem(box, e.id);
    ASSERT_NE(control, nullptr) << e.id;
    RECT place = ClientPlace(control);
    EXPECT_TRUE(Near(place.left, e.x) && Near(place.top, e.y)) << e.id << " at " << place.left << "," << place.top;
    if (e.width) EXPECT_TRUE(Near(place.right - place.left, e.width)) << e.id << " width " << place.right - place.left;
    if (e.height) EXPECT_TRUE(Near(place.bottom - place.top, e.height)) << e.id << " height " << place.bottom - place.top;
    EXPECT_LE(place.right, client.right) << e.id;
    EXPECT_LE(place.bottom, client.bottom) << e.id;
  }
  EXPECT_EQ(TextOf(GetDlgItem(box, IDC_lblComments)), "For comments, bug reports and suggestions please write to:");
  EXPECT_EQ(TextOf(GetDlgItem(box, IDC_lblMail)), kSupportMail);
  EXPECT_EQ(TextOf(GetDlgItem(box, IDCANCEL)), "Close");
  EXPECT_FALSE(TextOf(GetDlgItem(box, IDC_lblNotice)).empty());
  // The address is clickable, and only the address.
  HWND mail = GetDlgItem(box, IDC_lblMail);
  EXPECT_TRUE(GetWindowLongPtrA(mail, GWL_STYLE) & SS_NOTIFY);
  EXPECT_LT(ClientPlace(mail).right - ClientPlace(mail).left, 311 - 171);

  HWND tooltip = OwnedTooltip(box);
  ASSERT_NE(tooltip, nullptr);
  UINT_PTR tool = 0;
  EXPECT_EQ(ToolHint(tooltip, &tool), "Send E-mail to Quendral");
  EXPECT_EQ(tool, reinterpret_cast<UINT_PTR>(mail));
}

TEST_F(AboutBoxTest, LogoIsShown) {
  StartAndWait();
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  RECT logo{};
  GetWindowRect(GetDlgItem(box, IDC_imgLogo), &logo);
  // The logo's sound bars are its only orange; the dialog has none.
  auto orange = [&] {
    HDC screen = GetDC(nullptr);
    int count = 0;
    for (long y = logo.top; y < logo.bottom; y += 2) {
      for (long x = logo.left; x < logo.right; x += 2) {
        COLORREF c = GetPixel(screen, x, y);
        if (GetRValue(c) > 200 && GetGValue(c) > 70 && GetGValue(c) < 170 && GetBValue(c) < 80) ++count;
      }
    }
    ReleaseDC(nullptr, screen);
    return count;
  };
  EXPECT_TRUE(WaitFor([&] { return orange() > 40; })) << orange();
}

TEST_F(AboutBoxTest, EscCloseAndAltF4EndTheBoxAndAboutOpensANewOne) {
  HANDLE process = StartAndWait();
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  // Esc where the focus is (the Close button), as the keyboard sends it.
  HWND close = GetDlgItem(box, IDCANCEL);
  PostMessageA(close, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageA(close, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "Esc";

  box = OpenAbout();
  ASSERT_NE(box, nullptr);
  Press(box, IDCANCEL);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "Close";

  box = OpenAbout();
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << "Alt+F4";

  EXPECT_NE(OpenAbout(), nullptr);
  EXPECT_EQ(AboutBoxes(process).size(), 1u);
  Exit(process);
}

TEST_F(AboutBoxTest, MailFromTheMenuAndFromTheAddressAndTheWebSite) {
  AddressRecorder mail("mailto", records_ / "mail.txt");
  AddressRecorder web("https", records_ / "web.txt");
  HANDLE process = StartAndWait();

  Command(kSendMessage);
  EXPECT_EQ(mail.Addresses(1), std::vector<std::string>{kMailAddress});

  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  HWND address = GetDlgItem(box, IDC_lblMail);
  PostMessageA(address, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageA(address, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(mail.Addresses(2), (std::vector<std::string>{kMailAddress, kMailAddress}));

  Command(kWebSite);
  EXPECT_EQ(web.Addresses(1), std::vector<std::string>{kWebSite});
  // Each went to its own handler, once.
  Sleep(300);
  EXPECT_EQ(mail.Addresses(2).size(), 2u);
  Exit(process);
}
