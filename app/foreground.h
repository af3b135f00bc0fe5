#pragma once
// Follows the window in front, on the GUI thread, without polling. While it
// belongs to a program of a higher integrity level (run as administrator),
// whose input Windows keeps from our hook, the tray tip says so; the first
// time in a run, a balloon says it too.

void WatchForeground();
// Once a second: a change of the foreground whose event did not come (Wine
// sends none across processes, and Windows drops them under load).
void CheckForeground();
void StopWatchingForeground();
