#pragma once
// The library's output: WASAPI shared mode, event-driven, on a render thread
// of its own that owns the mixer and every COM object of the stream.
//
// The stream's life follows the user, not the last sound: it runs while there
// was input (or a sound) in the last minute, so the first key after a pause
// finds it running; it stops after a minute without either, and after ten
// minutes the audio client itself is let go (a stopped client still wakes the
// audio engine), to be opened again by the next input.

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/scoped_win.h"
#include "bass/command_queue.h"
#include "bass/dsp.h"
#include "bass/latency_ring.h"

struct OutputInfo {
  uint32_t rate = 0;          // the mixer's rate
  uint32_t periodFrames = 0;  // frames between two wake-ups of the render thread
  uint32_t bufferFrames = 0;  // the endpoint buffer
  uint32_t streamLatencyUs = 0;   // the stream's own latency plus one period
  bool lowLatencyClient = false;  // the period was negotiated with IAudioClient3
  bool running = false;           // the stream runs (false while stopped or let go)
  bool clientOpen = false;        // an audio client is held (false once let go, or with no endpoint)
  bool onChosenEndpoint = false;  // playing on the endpoint asked for (not the default standing in)
  bool bluetooth = false;         // the endpoint in use is a Bluetooth one
  uint64_t wakeups = 0;           // the render thread's wake-ups so far
  uint32_t retryMs = 0;           // the back-off before the next reopening (0: at once)
  std::string deviceName;         // the endpoint last opened (ANSI)
};

struct LatencyFigures {
  LatencySummary toDevice;  // play call to the release of the first device buffer holding the voice
  LatencySummary toMixer;   // play call to the voice's start in the mixer
};

// How long the stream stays running, and the client held, after the last
// input or sound. Tests shorten them.
struct OutputTimings {
  uint32_t warmMs = 60000;
  uint32_t releaseMs = 600000;
};

class AudioOutput {
 public:
  // Opens an endpoint and starts the render thread. An empty id opens the
  // system's default endpoint and follows it when the user changes the
  // default; a given one is kept, and while it is absent the default stands
  // in for it until it returns. Returns the library's error code (0 on success).
  static int Open(const std::wstring& endpointId, std::unique_ptr<AudioOutput>& out);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Hands a command to the render thread and wakes it. False when the queue
  // is full (the render thread is not keeping up). A play counts as activity.
  bool Send(const RenderCommand& command);
  // The user is there (a key, a click, a mouse move): the stream runs, or
  // starts at once, and stays running for warmMs.
  void NoteActivity();
  // Nothing will sound for a while (the program was muted): once silent, the
  // stream stops and the client is let go until the next activity.
  void Rest();
  OutputInfo Info() const;
  LatencyFigures Latency() const;
  std::vector<uint32_t> RecentToDevice() const { return toDevice_.Recent(); }

  // What the endpoint notification client reports; tests call them too, as
  // they cannot plug a headset in.
  void SignalDefaultChange();
  void SignalEndpointState(const std::wstring& id, bool present);
  // Tests only: the chosen endpoint cannot be opened (as if unplugged) while
  // hidden; the next `count` writes or starts fail with `error`.
  void HideChosenEndpoint(bool hidden);
  void InjectFailures(HRESULT error, int count);

  static void SetTimings(OutputTimings timings);

 private:
  AudioOutput() = default;
  struct Stream;
  // kMove: to another endpoint; kFail: the stream failed (reopened with a
  // back-off); kRelease: idle, the client is let go.
  enum class RunEnd { kQuit, kMove, kFail, kRelease };
  struct Pending {
    int64_t posted = 0;
    int64_t mixed = 0;
  };
  void ThreadMain();
  int OpenStream(const std::wstring& endpointId, uint32_t mixRate, Stream& stream);
  // The chosen endpoint when it can be had, else the default.
  int OpenPreferred(std::unique_ptr<Stream>& stream);
  RunEnd Run(Stream& stream);
  // Reopens after a move or a failure, retrying with a back-off; false when
  // the library is closing.
  bool Reopen(std::unique_ptr<Stream>& stream);
  // With the client let go: waits until something needs a stream; false
  // when the library is closing.
  bool WaitForNeed();
  // Voices advance in silence for `ms`, so that they end and their samples
  // can be freed while there is no stream; false when the library is closing.
  bool WaitRenderingSilence(uint32_t ms);
  void DrainCommands();
  HRESULT Write(Stream& stream, UINT32 frames);
  HRESULT Injected();
  void RecordPending();
  bool UserActive() const;
  bool ReleaseDue() const;
  DWORD MsUntilRelease() const;
  bool ChosenAvailable() const;
  int64_t Now() const;

  SpscQueue<256> commands_;
  ScopedHandle wake_;      // a command or activity arrived
  ScopedHandle quit_;      // the library is closing
  ScopedHandle opened_;    // the first opening has a result
  ScopedHandle defaultChanged_;
  ScopedHandle endpointChanged_;  // the chosen endpoint came or went
  std::wstring chosenId_;         // empty: follow the default
  std::atomic<bool> chosenPresent_{true};
  std::atomic<bool> chosenHidden_{false};
  std::atomic<int> openResult_{0};
  std::atomic<uint32_t> rate_{0};
  std::atomic<uint32_t> periodFrames_{0};
  std::atomic<uint32_t> bufferFrames_{0};
  std::atomic<uint32_t> streamLatencyUs_{0};
  std::atomic<bool> lowLatency_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> clientOpen_{false};
  std::atomic<bool> onChosen_{false};
  std::atomic<bool> bluetooth_{false};
  std::atomic<uint64_t> wakeups_{0};
  std::atomic<int64_t> lastActivityMs_{0};
  std::atomic<bool> resting_{false};
  std::atomic<HRESULT> injectedError_{S_OK};
  std::atomic<int> injectedCount_{0};
  mutable std::mutex nameLock_;  // the render thread takes it only when a stream opens
  std::string deviceName_;
  OutputTimings timings_;
  std::atomic<uint32_t> retryMs_{0};  // the back-off in force (written by the render thread only)
  int64_t qpcPerSecond_ = 1;
  std::unique_ptr<Mixer> mixer_;
  std::vector<float> mixBuffer_;  // the render thread's scratch, sized when the stream opens
  std::array<Pending, 64> pending_{};  // voices started since the last buffer went out
  size_t pendingCount_ = 0;
  int64_t unwrittenSince_ = 0;  // when the first sound not yet written was asked for (0: none)
  LatencyRing toDevice_;
  LatencyRing toMixer_;
  std::thread thread_;
};
