// The about box and the mail and web actions of the Help menus.

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/program_fixture.h"
#include "ui/contact.h"
#include "ui/resource.h"

using namespace e2e;

namespace {

constexpr UINT kAbout = 102, kSendMessage = 103, kGoToWebSite = 104;  // the menu commands
constexpr const char* kAboutCaption = "About Brisolt 1.4 XP";

void Command(UINT id) { PostMessageA(MainWindow(), WM_COMMAND, id, 0); }
HWND OpenAbout() {
  Command(kAbout);
  return WaitDialog(kAboutCaption);
}

// The top-level windows of the process with the about box's caption.
std::vector<HWND> AboutBoxes(HANDLE process) {
  std::vector<HWND> boxes;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", kAboutCaption)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetProcessId(process)) boxes.push_back(w);
  }
  return boxes;
}

bool IsAbove(HWND upper, HWND lower) {
  for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == upper || window == lower) return window == upper;
  }
  return false;
}

RECT ClientPlace(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}
bool Near(long actual, long expected) { return std::labs(actual - expected) <= 2; }

// What a label's text needs in the dialog font at 96 dpi: wrapped to the
// label's width, or on one line.
SIZE TextExtent(HWND label, bool wrapped) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg");
  HGDIOBJ old = SelectObject(dc, font);
  RECT place = ClientPlace(label);
  RECT bounds{0, 0, wrapped ? place.right - place.left : 10000, 0};
  DrawTextA(dc, TextOf(label).c_str(), -1, &bounds, DT_CALCRECT | DT_NOPREFIX | (wrapped ? DT_WORDBREAK : DT_SINGLELINE));
  DeleteObject(SelectObject(dc, old));
  ReleaseDC(nullptr, dc);
  return {bounds.right, bounds.bottom};
}

// Stands in for the system's handler of one kind of address while it lives,
// writing down each address handed over. Wine looks these handlers up in
// HKEY_CLASSES_ROOT only (the user's Software\Classes is not merged in), so
// the command is replaced there and put back afterwards.
class AddressRecorder {
 public:
  AddressRecorder(const std::string& scheme, std::string record)
      : key_(scheme + "\\shell\\open\\command"), record_(std::move(record)) {
    char value[1024] = "";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    saved_ = value;
    // A run that died before putting Wine's handler back left ours in place.
    if (saved_.find("url_recorder") != std::string::npos) saved_ = R"("C:\windows\system32\winebrowser.exe" "%1")";
    char self[MAX_PATH] = "";
    std::string folder(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    folder.resize(folder.find_last_of('\\') + 1);
    Set("\"" + folder + "url_recorder.exe\" \"" + record_ + "\" \"%1\"");
  }
  ~AddressRecorder() { Set(saved_); }
  AddressRecorder(const AddressRecorder&) = delete;
  AddressRecorder& operator=(const AddressRecorder&) = delete;

  // The addresses handed over, once there are at least `count`.
  std::vector<std::string> Addresses(size_t count) const {
    WaitFor([&] { return testutil::Lines(ReadFileText(record_)).size() >= count; });
    return testutil::Lines(ReadFileText(record_));
  }

 private:
  void Set(const std::string& command) const {
    EXPECT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, command.c_str(),
                              static_cast<DWORD>(command.size() + 1)),
              ERROR_SUCCESS);
  }
  std::string key_, record_, saved_;
};

class AboutBoxTest : public ProgramTest {};

}  // namespace

TEST_F(AboutBoxTest, AboutOpensOneTopMostBoxThatASecondAboutLeavesAlone) {
  HANDLE process = StartAndWait();
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), MainWindow());
  auto style = static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT frame{};
  GetWindowRect(box, &frame);
  EXPECT_TRUE(Near((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2));
  EXPECT_TRUE(Near((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2));

  // Moved aside and covered by another top-most window, it stays where it is.
  SetWindowPos(box, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                               nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(WaitFor([&] { return IsAbove(cover, box); }));
  Command(kAbout);
  Command(kAbout);
  WaitFor([] { return false; }, 700);  // time for a wrong second box to appear
  EXPECT_EQ(AboutBoxes(process), std::vector<HWND>{box});
  EXPECT_TRUE(IsAbove(cover, box)) << "brought to the front";
  GetWindowRect(box, &frame);
  EXPECT_EQ(frame.left, 10);
  EXPECT_EQ(frame.top, 10);
  DestroyWindow(cover);
  Exit(process);
}

TEST_F(AboutBoxTest, LayoutAt96DpiWithNothingCutOff) {
  StartAndWait();
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  if (GetDpiForWindow(box) != 96) GTEST_SKIP() << "the layout is given in pixels at 96 dpi";
  RECT client{};
  GetClientRect(box, &client);
  EXPECT_TRUE(Near(client.right, 311) && Near(client.bottom, 203)) << client.right << " x " << client.bottom;

  struct Place {
    int id;
    long x, y, width, height;  // 0: not checked
  };
  for (const Place& e : {Place{IDC_imgLogo, 5, 8, 301, 58}, Place{IDC_lblComments, 5, 71, 0, 26},
                         Place{IDC_lblMail, 171, 72, 0, 0}, Place{IDCANCEL, 97, 144, 116, 25},
                         Place{IDC_lblNotice, 47, 183, 0, 0}, Place{IDC_sepAbout1, 0, 98, 311, 0},
                         Place{IDC_sepAbout2, 0, 122, 311, 0}}) {
    RECT p = ClientPlace(GetDlgItem(box, e.id));
    EXPECT_TRUE(Near(p.left, e.x) && Near(p.top, e.y)) << e.id << " at " << p.left << "," << p.top;
    EXPECT_TRUE(!e.width || Near(p.right - p.left, e.width)) << e.id << " width " << p.right - p.left;
    EXPECT_TRUE(!e.height || Near(p.bottom - p.top, e.height)) << e.id << " height " << p.bottom - p.top;
    EXPECT_LE(p.right, client.right + (e.width == 311 ? 2 : 0)) << e.id;
  }
  EXPECT_EQ(TextOf(GetDlgItem(box, IDC_lblComments)), "For comments, bug reports and suggestions please write to:");
  EXPECT_EQ(TextOf(GetDlgItem(box, IDCANCEL)), "Close");
  for (int id : {IDC_lblComments, IDC_lblNotice}) {
    HWND label = GetDlgItem(box, id);
    EXPECT_LE(TextExtent(label, true).cy, ClientPlace(label).bottom - ClientPlace(label).top) << TextOf(label);
  }
  // The address is shown whole, and it alone takes the click.
  HWND mail = GetDlgItem(box, IDC_lblMail);
  EXPECT_EQ(TextOf(mail), kSupportMail);
  EXPECT_TRUE(GetWindowLongPtrA(mail, GWL_STYLE) & SS_NOTIFY);
  EXPECT_TRUE(Near(ClientPlace(mail).right - ClientPlace(mail).left, TextExtent(mail, false).cx));
  EXPECT_LE(ClientPlace(mail).right, client.right);
  EXPECT_LT(ClientPlace(GetDlgItem(box, IDC_lblComments)).right, ClientPlace(mail).left);

  // The logo is drawn: across its middle run its sound bars, the box's only orange.
  RECT logo{};
  GetWindowRect(GetDlgItem(box, IDC_imgLogo), &logo);
  EXPECT_TRUE(WaitFor([&] {
    HDC screen = GetDC(nullptr);
    int orange = 0;
    for (long x = logo.left; x < logo.right; ++x) {
      COLORREF c = GetPixel(screen, x, (logo.top + logo.bottom) / 2);
      orange += GetRValue(c) > 200 && GetGValue(c) > 70 && GetGValue(c) < 170 && GetBValue(c) < 80;
    }
    ReleaseDC(nullptr, screen);
    return orange >= 20;
  }));
}

TEST_F(AboutBoxTest, ClosesByEscCloseAndAltF4AndAboutThenOpensANewOne) {
  HANDLE process = StartAndWait();
  const std::pair<const char*, void (*)(HWND)> closings[] = {
      {"Esc", [](HWND box) {  // where the focus is, the Close button, as the keyboard sends it
         PostMessageA(GetDlgItem(box, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         PostMessageA(GetDlgItem(box, IDCANCEL), WM_KEYUP, VK_ESCAPE, 0xC0010001);
       }},
      {"Close", [](HWND box) { Press(box, IDCANCEL); }},
      {"Alt+F4", [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [name, close] : closings) {
    HWND box = OpenAbout();
    ASSERT_NE(box, nullptr) << "after " << name;
    close(box);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); })) << name;
  }
  EXPECT_NE(OpenAbout(), nullptr);
  EXPECT_EQ(AboutBoxes(process).size(), 1u);
  Exit(process);
}

TEST_F(AboutBoxTest, MailFromTheMenuAndFromTheAddressAndTheWebSite) {
  TempFolder records;
  AddressRecorder mail("mailto", records / "mail.txt"), web("https", records / "web.txt");
  const std::string message = std::string("mailto:") + kSupportMail + "?subject=Brisolt 1.4 XP";
  HANDLE process = StartAndWait();

  Command(kSendMessage);
  EXPECT_EQ(mail.Addresses(1), std::vector<std::string>{message});
  HWND box = OpenAbout();
  ASSERT_NE(box, nullptr);
  PostMessageA(GetDlgItem(box, IDC_lblMail), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  PostMessageA(GetDlgItem(box, IDC_lblMail), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(mail.Addresses(2), (std::vector<std::string>{message, message}));
  Command(kGoToWebSite);
  EXPECT_EQ(web.Addresses(1), std::vector<std::string>{std::string(kWebSite)});

  WaitFor([] { return false; }, 300);  // each went to its own handler, once
  EXPECT_EQ(mail.Addresses(2).size(), 2u);
  EXPECT_EQ(web.Addresses(1).size(), 1u);
  Exit(process);
}
