#pragma once
// Faults and measurements of the audio output, for the library's own tests
// and benchmarks, which link its objects; not exported from bass.dll.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "bass/output_win.h"

// What the open output looks like (for measurements); rate 0 when none is open.
OutputInfo CurrentOutputInfo();
// The default output changes, as when a headset is plugged in; playback
// moves to it.
void SimulateDefaultDeviceChange();
// The chosen endpoint is unplugged (playback moves to the default) or comes
// back (playback returns to it), through the path the notification client takes.
void SimulateChosenEndpointGone();
void SimulateChosenEndpointBack();
// The next `count` writes or starts fail with `error`, as
// AUDCLNT_E_DEVICE_INVALIDATED after sleep or AUDCLNT_E_SERVICE_NOT_RUNNING.
void SimulateStreamFailures(HRESULT error, int count);
// Measurements: the recent play-to-device times, oldest first, in microseconds.
std::vector<uint32_t> RecentVoiceLatencies();
// Shorter warm and release times for outputs opened from now on.
void SetOutputTimingsForTests(uint32_t warmMs, uint32_t releaseMs);
