#pragma once
// The one place where an error that escapes an event handler ends up: its
// message goes to the log, nothing is shown, and the program goes on.

#include <exception>
#include <utility>

#include "app/log.h"

template <typename Result, typename Handler>
Result GuardHandler(Result fallback, Handler&& handler) noexcept {
  try {
    return std::forward<Handler>(handler)();
  } catch (const std::exception& e) {
    WriteLog(e.what());
  } catch (...) {
    WriteLog("Unknown error");
  }
  return fallback;
}

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>

// The procedures that Windows calls. A C++ exception must never unwind
// through user32 or comctl32, so every window, dialog and subclass procedure
// of the program is one of these, made from a plain handler:
//   wc.lpfnWndProc = GuardedWindowProc<HandleMessage>;
// An exception is logged and the message gets the procedure's "not handled"
// answer.
template <LRESULT (*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK GuardedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GuardHandler<LRESULT>(0, [&] { return Handler(window, message, wParam, lParam); });
}

template <INT_PTR (*Handler)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK GuardedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return GuardHandler<INT_PTR>(FALSE, [&] { return Handler(dialog, message, wParam, lParam); });
}

// An event of SetWinEventHook (out of context, on the thread that set it).
template <void (*Handler)(DWORD event, HWND window, LONG object, LONG child)>
void CALLBACK GuardedWinEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  GuardHandler<int>(0, [&] {
    Handler(event, window, object, child);
    return 0;
  });
}

// A wait of the thread pool (RegisterWaitForSingleObject) that has ended.
template <void (*Handler)(void* context)>
void CALLBACK GuardedWaitCallback(void* context, BOOLEAN) {
  GuardHandler<int>(0, [&] {
    Handler(context);
    return 0;
  });
}

// A subclass whose handler failed still hands the message on to the control,
// so the control keeps working (and is cleaned up at its destruction).
template <LRESULT (*Handler)(HWND, UINT, WPARAM, LPARAM, DWORD_PTR)>
LRESULT CALLBACK GuardedSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
  bool handled = false;
  LRESULT result = GuardHandler<LRESULT>(0, [&] {
    LRESULT r = Handler(window, message, wParam, lParam, data);
    handled = true;
    return r;
  });
  return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}
#endif
