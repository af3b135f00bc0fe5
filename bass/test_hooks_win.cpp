#include "bass/test_hooks_win.h"

#include <string>

#include "bass/library_win.h"

OutputInfo CurrentOutputInfo() {
  OutputInfo info;
  WithOutput([&](AudioOutput* output, const std::wstring&) {
    if (output) info = output->Info();
  });
  return info;
}

void SimulateDefaultDeviceChange() {
  WithOutput([](AudioOutput* output, const std::wstring&) {
    if (output) output->SignalDefaultChange();
  });
}

void SimulateChosenEndpointGone() {
  WithOutput([](AudioOutput* output, const std::wstring& id) {
    if (!output) return;
    output->HideChosenEndpoint(true);
    output->SignalEndpointState(id, false);
  });
}

void SimulateChosenEndpointBack() {
  WithOutput([](AudioOutput* output, const std::wstring& id) {
    if (!output) return;
    output->HideChosenEndpoint(false);
    output->SignalEndpointState(id, true);
  });
}

void SimulateStreamFailures(HRESULT error, int count) {
  WithOutput([&](AudioOutput* output, const std::wstring&) {
    if (output) output->InjectFailures(error, count);
  });
}

std::vector<uint32_t> RecentVoiceLatencies() {
  std::vector<uint32_t> recent;
  WithOutput([&](AudioOutput* output, const std::wstring&) {
    if (output) recent = output->RecentToDevice();
  });
  return recent;
}

void SetOutputTimingsForTests(uint32_t warmMs, uint32_t releaseMs) {
  AudioOutput::SetTimings(OutputTimings{warmMs, releaseMs});
}
