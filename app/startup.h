#pragma once
// Program start: the single-instance rule and the first-start record.

// True if this process is the only instance; it then owns the instance mutex
// until it ends. Otherwise the running instance is asked to show its options
// window (WM_ACTIVATE_INSTANCE) and false comes back.
bool CheckSingleInstance();

// True on the very first start of the program for this user. The record of a
// start is written at once, before anything else can fail.
bool TakeFirstStartRecord();

// True from the moment no record of an earlier start was found until the main
// window has been created.
extern bool firstStart;

// Asks Windows to trim the process's working set.
void TrimWorkingSet();
