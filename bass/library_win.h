#pragma once
// What the library's own files share of its state besides the exported API:
// the lock every exported function takes, and the open output.

#include <mutex>
#include <string>

#include "bass/output_win.h"

// Defined with the exported API. The last two are read under the lock.
std::unique_lock<std::mutex> LockLibrary();
AudioOutput* OpenOutput();         // null on the "No sound" device or before BASS_Init
std::wstring OpenedEndpointId();   // "" for the default endpoint

// Runs `use(output, endpointId)` under the library's lock.
template <typename Use>
void WithOutput(Use use) {
  auto guard = LockLibrary();
  use(OpenOutput(), OpenedEndpointId());
}
