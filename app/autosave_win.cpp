#include "app/autosave.h"

#include <string>

#include "app/program_folder.h"
#include "app/save_rules.h"
#include "settings/config_files.h"
#include "ui/tray.h"

namespace {

bool pending = false;
DWORD lastSave = 0;
SaveProblemMemory told;

}  // namespace

void ScheduleSave(HWND window) {
  if (pending) return;
  pending = true;
  // A timer of 0 ms fires with the next round of the message loop, after the
  // rest of this change has been made.
  SetTimer(window, kSaveTimer, SaveDelayMs(GetTickCount(), lastSave), nullptr);
}

void SaveNow(HWND window) {
  if (pending) KillTimer(window, kSaveTimer);
  pending = false;
  lastSave = GetTickCount();
  if (lastSave == 0) lastSave = 1;  // 0 stands for "never"
  std::vector<SaveError> problems = SaveFilesTo(DataFolder());
  if (problems.empty()) {
    told.Saved();
    return;
  }
  for (const SaveError& problem : problems) {
    if (told.FirstTime(problem.path(), problem.error())) {
      ShowBalloon("Settings could not be saved", FileNameOf(problem.path()) + ": " + problem.reason(), 10000);
    }
  }
}
