// Errors that escape an event handler end in the log, never in a crash.

#include "app/exception_boundary.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "base/program_paths.h"
#include "input/input_handlers.h"
#include "settings/scheme.h"
#include "tests/win_test_util.h"

namespace {

std::string LogPath() { return ProgramFolder() + "\\Log.txt"; }
std::string LogSince(size_t offset) { return testutil::LogSince(LogPath(), offset); }
size_t LogSize() { return testutil::LogSize(LogPath()); }

}  // namespace

TEST(ExceptionBoundary, LogsTheMessageAndGoesOn) {
  size_t before = LogSize();
  SchemeList empty;
  int result = GuardHandler(-1, [&] {
    // The kind of error the program can meet: a current scheme that names no scheme.
    return empty.Scheme(empty.FindScheme("TypeWriter")).KeyboardEnabled ? 1 : 0;
  });
  EXPECT_EQ(result, -1);
  EXPECT_NE(LogSince(before).find(" Scheme list index out of bounds (-1)\r\n"), std::string::npos);

  EXPECT_EQ(GuardHandler(0, [] { return 7; }), 7);

  before = LogSize();
  GuardHandler(0, []() -> int { throw 42; });
  EXPECT_NE(LogSince(before).find(" Unknown error\r\n"), std::string::npos);
}

// Every kind of procedure Windows calls: a handler that throws is logged, its
// message gets the "not handled" answer, and the window goes on working.
namespace {

constexpr UINT kFail = WM_APP + 7;
constexpr UINT kAnswer = WM_APP + 8;

LRESULT ThrowingWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kFail) throw std::runtime_error("window handler failed");
  if (message == kAnswer) return 42;
  return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR ThrowingDialog(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == kFail) throw std::bad_alloc();
  if (message == kAnswer) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 43);
    return TRUE;
  }
  return FALSE;
}

LRESULT ThrowingSubclass(HWND control, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR) {
  if (message == WM_SETTEXT) throw std::out_of_range("subclass handler failed");
  return DefSubclassProc(control, message, wParam, lParam);
}

// A dialog template in memory: no controls, just the box.
struct EmptyDialog {
  DLGTEMPLATE header{WS_POPUP, 0, 0, 0, 0, 100, 50};
  WORD menu = 0, windowClass = 0, title = 0;
};


}  // namespace

TEST(ExceptionBoundary, WindowDialogAndSubclassProceduresAllSurviveAThrow) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = GuardedWindowProc<ThrowingWindow>;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "GuardedTestWindow";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND window = CreateWindowA("GuardedTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  size_t before = LogSize();
  EXPECT_EQ(SendMessageA(window, kFail, 0, 0), 0);
  EXPECT_NE(LogSince(before).find(" window handler failed\r\n"), std::string::npos);
  EXPECT_EQ(SendMessageA(window, kAnswer, 0, 0), 42) << "the window still answers";

  EmptyDialog layout;
  HWND dialog = CreateDialogIndirectParamA(wc.hInstance, &layout.header, nullptr,
                                           GuardedDialogProc<ThrowingDialog>, 0);
  ASSERT_NE(dialog, nullptr);
  before = LogSize();
  EXPECT_EQ(SendMessageA(dialog, kFail, 0, 0), 0);
  EXPECT_NE(LogSince(before).find("bad_alloc"), std::string::npos) << LogSince(before);
  EXPECT_EQ(SendMessageA(dialog, kAnswer, 0, 0), 43) << "the dialog still answers";

  HWND label = CreateWindowA("STATIC", "before", WS_CHILD, 0, 0, 50, 10, window, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(SetWindowSubclass(label, GuardedSubclassProc<ThrowingSubclass>, 1, 0));
  before = LogSize();
  SetWindowTextA(label, "after");
  EXPECT_NE(LogSince(before).find(" subclass handler failed\r\n"), std::string::npos);
  char text[16] = "";
  GetWindowTextA(label, text, sizeof text);
  EXPECT_STREQ(text, "after") << "the control itself still got the message";

  DestroyWindow(dialog);
  DestroyWindow(window);
  UnregisterClassA("GuardedTestWindow", wc.hInstance);
}

TEST(ExceptionBoundary, AnErrorWhileTheEditorIsOpenDoesNotSilenceKeysForGood) {
  SchemeEditorOpen = false;
  GuardHandler(0, []() -> int {
    QuietWhileEditing quiet;
    EXPECT_TRUE(SchemeEditorOpen);
    throw std::runtime_error("editor failed");
  });
  EXPECT_FALSE(SchemeEditorOpen);
}
