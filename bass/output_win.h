#pragma once
// The library's output: WASAPI shared mode, event-driven, on a render thread
// of its own that owns the mixer and every COM object of the stream.

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/scoped_win.h"
#include "bass/command_queue.h"
#include "bass/dsp.h"

struct OutputInfo {
  uint32_t rate = 0;          // the mixer's rate
  uint32_t periodFrames = 0;  // frames between two wake-ups of the render thread
  uint32_t bufferFrames = 0;  // the endpoint buffer
  bool lowLatencyClient = false;  // the period was negotiated with IAudioClient3
  bool running = false;           // the stream runs (false while idle)
};

class AudioOutput {
 public:
  // Opens an endpoint and starts the render thread. An empty id opens the
  // system's default endpoint and follows it when the user changes the default.
  // Returns the library's error code (0 on success).
  static int Open(const std::wstring& endpointId, std::unique_ptr<AudioOutput>& out);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Hands a command to the render thread and wakes it. False when the queue
  // is full (the render thread is not keeping up).
  bool Send(const RenderCommand& command);
  OutputInfo Info() const;
  // What the endpoint notification client does when the default output
  // changes; for tests, which cannot plug a headset in.
  void SignalDefaultChange();

 private:
  AudioOutput() = default;
  struct Stream;
  enum class RunEnd { kQuit, kMove };
  void ThreadMain(std::wstring endpointId);
  int OpenStream(const std::wstring& endpointId, uint32_t mixRate, Stream& stream);
  RunEnd Run(Stream& stream);
  bool ReopenDefault(std::unique_ptr<Stream>& stream);
  void DrainCommands();
  HRESULT Write(Stream& stream, UINT32 frames);

  SpscQueue<256> commands_;
  ScopedHandle wake_;      // a command arrived
  ScopedHandle quit_;      // the library is closing
  ScopedHandle opened_;    // the first opening has a result
  ScopedHandle defaultChanged_;
  std::atomic<int> openResult_{0};
  std::atomic<uint32_t> rate_{0};
  std::atomic<uint32_t> periodFrames_{0};
  std::atomic<uint32_t> bufferFrames_{0};
  std::atomic<bool> lowLatency_{false};
  std::atomic<bool> running_{false};
  bool followDefault_ = false;
  std::unique_ptr<Mixer> mixer_;
  std::vector<float> mixBuffer_;  // the render thread's scratch, sized when the stream opens
  std::thread thread_;
};

// What the open output looks like (for measurements); rate 0 when none is open.
OutputInfo CurrentOutputInfo();
// Tests only (not exported): the default output changes, as when a headset is
// plugged in; playback moves to it.
void SimulateDefaultDeviceChange();
