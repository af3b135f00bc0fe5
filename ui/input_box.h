#pragma once
// A question with one line of text to answer (caption, prompt, OK, Cancel).

#include <windows.h>

#include <string>

// True when answered with OK; `value` comes in as the proposal and goes out
// as the answer.
bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value);
