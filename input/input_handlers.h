#pragma once
// The main window's handlers of the hook messages, and the registrations of
// the six global hotkeys.

#include <windows.h>

#include <array>
#include <cstdint>

#include "base/scoped_win.h"

// True while the scheme editor is open: key sounds stay quiet meanwhile.
extern bool SchemeEditorOpen;

// Holds SchemeEditorOpen for its lifetime, so that no error while the editor
// is open can leave key sounds silenced for good.
class QuietWhileEditing {
 public:
  QuietWhileEditing() : before_(SchemeEditorOpen) { SchemeEditorOpen = true; }
  ~QuietWhileEditing() { SchemeEditorOpen = before_; }
  QuietWhileEditing(const QuietWhileEditing&) = delete;
  QuietWhileEditing& operator=(const QuietWhileEditing&) = delete;

 private:
  bool before_;
};

// Each plays what the event sounds (the sound starts first) and returns the
// tray picture the event asks for, kNoPictureChange when none.
int KeyboardMessages(WPARAM virtualKey, LPARAM flags);
int MouseMessages(WPARAM message);
// The hook's report that the user is there (at most once a second): the
// output is kept running for the next sound, unless nothing can sound.
void ActivityMessages();

// Adds the six atoms and registers the bindings of the settings.
void RegisterHotkeys(HWND window);
// Releases the registrations and the atoms.
void UnregisterHotkeys(HWND window);
// Follows the settings after they changed: every binding whose combination
// differs from the registered one is released before any is registered again,
// so two bindings can swap their combinations.
void SyncHotkeys(HWND window);
// The HotkeyAction of a WM_HOTKEY id, or -1 when it is none of ours.
int HotkeyActionOf(WPARAM id);
