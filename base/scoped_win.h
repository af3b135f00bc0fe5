#pragma once
// Owners of Windows handles: one small family of non-copyable, movable types,
// each releasing its handle with the one call that fits it. Every handle the
// program, the hook library and the audio library create is held by one of
// these (or, for what COM hands out, by base/com_ptr_win.h); nothing else
// calls a release function.

#include <windows.h>
#include <shellapi.h>
#include <avrt.h>
#include <commctrl.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  // For functions that hand a new handle back through a pointer: the old one
  // is released first.
  Handle* put() {
    reset();
    return &handle_;
  }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

namespace scoped_traits {

// Handles that are null when absent, released by the functor Closer.
template <typename H, typename Closer>
struct NullIsInvalid {
  using Handle = H;
  static constexpr Handle Invalid() { return nullptr; }
  static void Close(Handle h) { Closer{}(h); }
};

// Files, from CreateFile, use INVALID_HANDLE_VALUE where others use null.
struct File {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

// A search of a folder, from FindFirstFile.
struct Find {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};

struct Atom {
  using Handle = ATOM;
  static constexpr Handle Invalid() { return 0; }
  static void Close(Handle h) { GlobalDeleteAtom(h); }
};

// Each release call behind a functor of its own (an imported function's
// address is not a constant every compiler takes as a template argument).
struct CloseKernelObject { void operator()(HANDLE h) const { CloseHandle(h); } };
struct CloseKey { void operator()(HKEY h) const { RegCloseKey(h); } };
struct DestroyMenuHandle { void operator()(HMENU h) const { DestroyMenu(h); } };
struct DestroyIconHandle { void operator()(HICON h) const { DestroyIcon(h); } };
struct DestroyImageList { void operator()(HIMAGELIST h) const { ImageList_Destroy(h); } };
struct DestroyAccelerators { void operator()(HACCEL h) const { DestroyAcceleratorTable(h); } };
struct Unhook { void operator()(HHOOK h) const { UnhookWindowsHookEx(h); } };
struct UnhookEvent { void operator()(HWINEVENTHOOK h) const { UnhookWinEvent(h); } };
struct DeleteMemoryDC { void operator()(HDC h) const { DeleteDC(h); } };
struct DeleteGdiObject { void operator()(HGDIOBJ h) const { DeleteObject(h); } };
struct RevertMmcssTask { void operator()(HANDLE h) const { AvRevertMmThreadCharacteristics(h); } };
// Waits until a callback that is running has returned.
struct UnregisterWaitHandle { void operator()(HANDLE h) const { UnregisterWaitEx(h, INVALID_HANDLE_VALUE); } };
struct FreeModule { void operator()(HMODULE h) const { FreeLibrary(h); } };
struct FinishDrop { void operator()(HDROP h) const { DragFinish(h); } };

}  // namespace scoped_traits

// Events, threads, mutexes: everything CloseHandle takes that is null when absent.
using ScopedHandle = UniqueHandle<scoped_traits::NullIsInvalid<HANDLE, scoped_traits::CloseKernelObject>>;
using ScopedFile = UniqueHandle<scoped_traits::File>;
using ScopedFind = UniqueHandle<scoped_traits::Find>;
using ScopedKey = UniqueHandle<scoped_traits::NullIsInvalid<HKEY, scoped_traits::CloseKey>>;
using ScopedMenu = UniqueHandle<scoped_traits::NullIsInvalid<HMENU, scoped_traits::DestroyMenuHandle>>;
using ScopedIcon = UniqueHandle<scoped_traits::NullIsInvalid<HICON, scoped_traits::DestroyIconHandle>>;
using ScopedImageList = UniqueHandle<scoped_traits::NullIsInvalid<HIMAGELIST, scoped_traits::DestroyImageList>>;
using ScopedAccelerators = UniqueHandle<scoped_traits::NullIsInvalid<HACCEL, scoped_traits::DestroyAccelerators>>;
using ScopedHook = UniqueHandle<scoped_traits::NullIsInvalid<HHOOK, scoped_traits::Unhook>>;
using ScopedWinEventHook = UniqueHandle<scoped_traits::NullIsInvalid<HWINEVENTHOOK, scoped_traits::UnhookEvent>>;
using ScopedAtom = UniqueHandle<scoped_traits::Atom>;
// A thread's registration with the multimedia class scheduler (MMCSS).
using ScopedMmcssTask = UniqueHandle<scoped_traits::NullIsInvalid<HANDLE, scoped_traits::RevertMmcssTask>>;
using ScopedWait = UniqueHandle<scoped_traits::NullIsInvalid<HANDLE, scoped_traits::UnregisterWaitHandle>>;
// A DLL loaded at run time because some Windows editions lack it.
using ScopedLibrary = UniqueHandle<scoped_traits::NullIsInvalid<HMODULE, scoped_traits::FreeModule>>;
// What was dropped on a window (WM_DROPFILES).
using ScopedDrop = UniqueHandle<scoped_traits::NullIsInvalid<HDROP, scoped_traits::FinishDrop>>;
using ScopedMemoryDC = UniqueHandle<scoped_traits::NullIsInvalid<HDC, scoped_traits::DeleteMemoryDC>>;
template <typename T>
using ScopedGdi = UniqueHandle<scoped_traits::NullIsInvalid<T, scoped_traits::DeleteGdiObject>>;
using ScopedBitmap = ScopedGdi<HBITMAP>;
using ScopedBrush = ScopedGdi<HBRUSH>;

// A window's device context from GetDC, given back to its window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A window's painting, from BeginPaint to EndPaint, which validates the
// window even when the painting in between throws.
class PaintDC {
 public:
  explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDC() { EndPaint(window_, &paint_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context for as long as this lives; the
// one it replaced is put back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, old_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};
