#pragma once
// When the program stays quiet by itself: a full-screen program in front, a
// program of the user's quiet list in front, or a call (the microphone in
// use). The facts are gathered by the quiet watcher on the GUI thread; these
// are the decisions over them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- The quiet list ----------------------------------------------------------
// Executable file names separated by "|", as the setting holds them; spaces
// around a name and empty entries are dropped, and a name that is already
// there (in any letter case) is not taken twice.
std::vector<std::string> ParseProgramList(std::string_view text);
std::string JoinProgramList(const std::vector<std::string>& programs);
// File names compare without regard to letter case (ASCII letters; what
// other letters a program's file name has is compared as it is).
bool SameProgram(std::string_view a, std::string_view b);
bool ListHasProgram(const std::vector<std::string>& programs, std::string_view program);
// The name the list keeps for a file chosen or typed in the open-file
// dialog: its file name, with ".exe" when it has no extension ("game").
std::string ProgramNameOf(std::string_view path);
// The list with `program` added at its end, or taken out when it is there.
std::vector<std::string> ToggleProgram(std::vector<std::string> programs, const std::string& program);

// ---- Full screen -----------------------------------------------------------------
struct ScreenRect {
  long left = 0, top = 0, right = 0, bottom = 0;
};
// A window of a full-screen program covers the whole monitor it is on (not
// only the work area). A maximised window with a title bar is never one,
// even where it reaches over a hidden taskbar.
bool IsFullScreenWindow(const ScreenRect& window, const ScreenRect& monitor, bool maximisedWithTitleBar);
// What SHQueryUserNotificationState says: "busy" (2), a full-screen Direct3D
// program (3) and presentation mode (4) are all times to be quiet.
bool NotificationStateIsQuiet(int state);

// ---- Calls ---------------------------------------------------------------------------
// What Windows records for each program that used the microphone (the QWORD
// values LastUsedTimeStart and LastUsedTimeStop, 0 when absent). A program
// uses it now when its last start is later than its last stop (which is 0
// while it records).
struct MicrophoneUse {
  uint64_t lastStart = 0;
  uint64_t lastStop = 0;
};
bool MicrophoneInUse(const std::vector<MicrophoneUse>& uses);

// ---- The decision -------------------------------------------------------------------
struct QuietRules {
  bool fullScreen = false;             // QuietFullScreen
  std::vector<std::string> programs;   // QuietPrograms
  bool microphone = false;             // QuietMicrophone
};
struct QuietFacts {
  bool fullScreen = false;     // the window in front is a full-screen one
  std::string program;         // the executable of the window in front ("" when unknown or ours)
  bool microphone = false;     // some program uses the microphone
};
// Why keys are quiet now: "full screen", the program's name, "microphone in
// use", or "" when no rule that is switched on holds (the first that holds,
// in that order).
std::string QuietReason(const QuietRules& rules, const QuietFacts& facts);
// The tray tip's ending for a reason: "quiet: <reason>".
inline std::string QuietTipEnding(const std::string& reason) { return "quiet: " + reason; }
