#include "bass/output_win.h"

#include <audioclient.h>
#include <avrt.h>
#include <pmmintrin.h>
#include <xmmintrin.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/com_ptr_win.h"
#include "bass/bass_errors.h"
#include "bass/devices_win.h"
#include "bass/output_rules.h"

namespace {

constexpr REFERENCE_TIME kMaxPeriod = 100000;  // 10 ms, in 100 ns units
constexpr size_t kMaxVoices = 64;
// Without any endpoint, voices still advance in real time in steps of this
// length, so that they end and their samples can be freed.
constexpr DWORD kNoDeviceTickMs = 100;
// A running stream whose events stop (a vanished endpoint) is looked at this often.
constexpr DWORD kStalledEventMs = 200;
// After this long running without a failure, a later failure reopens at once again.
constexpr uint32_t kHealthyMs = 2000;

OutputTimings nextTimings;  // for outputs opened from now on (tests shorten them)

// The two wave subformats, defined here (the import libraries lack them).
constexpr GUID kSubtypePcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr GUID kSubtypeFloat = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

enum class SampleKind { kFloat32, kInt16, kInt24, kInt32 };

struct DeviceFormat {
  SampleKind kind = SampleKind::kFloat32;
  int channels = 2;
  int bytesPerFrame = 8;
};

bool DescribeFormat(const WAVEFORMATEX* format, DeviceFormat& out) {
  WORD tag = format->wFormatTag;
  if (tag == WAVE_FORMAT_EXTENSIBLE && format->cbSize >= 22) {
    const auto* ext = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format);
    if (IsEqualGUID(ext->SubFormat, kSubtypeFloat)) {
      tag = WAVE_FORMAT_IEEE_FLOAT;
    } else if (IsEqualGUID(ext->SubFormat, kSubtypePcm)) {
      tag = WAVE_FORMAT_PCM;
    } else {
      return false;
    }
  }
  out.channels = format->nChannels;
  out.bytesPerFrame = format->nBlockAlign;
  if (out.channels < 1) return false;
  if (tag == WAVE_FORMAT_IEEE_FLOAT && format->wBitsPerSample == 32) {
    out.kind = SampleKind::kFloat32;
  } else if (tag == WAVE_FORMAT_PCM && format->wBitsPerSample == 16) {
    out.kind = SampleKind::kInt16;
  } else if (tag == WAVE_FORMAT_PCM && format->wBitsPerSample == 24) {
    out.kind = SampleKind::kInt24;
  } else if (tag == WAVE_FORMAT_PCM && format->wBitsPerSample == 32) {
    out.kind = SampleKind::kInt32;
  } else {
    return false;
  }
  int bytesPerSample = format->wBitsPerSample / 8;
  return out.bytesPerFrame >= bytesPerSample * out.channels;
}

float Clamp(float x) {
  if (!(x == x)) return 0.0f;  // NaN
  return std::min(1.0f, std::max(-1.0f, x));
}

// Writes stereo float frames in the endpoint's format: left and right on the
// first two channels, silence on the others, both halves on a mono endpoint.
void Convert(const float* stereo, uint32_t frames, const DeviceFormat& format, BYTE* out) {
  for (uint32_t f = 0; f < frames; ++f) {
    BYTE* frame = out + static_cast<size_t>(f) * format.bytesPerFrame;
    std::memset(frame, 0, static_cast<size_t>(format.bytesPerFrame));
    float left = stereo[2 * f];
    float right = stereo[2 * f + 1];
    float values[2] = {Clamp(left), Clamp(right)};
    int used = 2;
    if (format.channels == 1) {
      values[0] = Clamp(0.5f * (left + right));
      used = 1;
    }
    for (int c = 0; c < used; ++c) {
      float v = values[c];
      switch (format.kind) {
        case SampleKind::kFloat32:
          std::memcpy(frame + c * 4, &v, 4);
          break;
        case SampleKind::kInt16: {
          auto s = static_cast<int16_t>(std::lrint(v * 32767.0f));
          std::memcpy(frame + c * 2, &s, 2);
          break;
        }
        case SampleKind::kInt24: {
          auto s = static_cast<int32_t>(std::lrint(v * 8388607.0f));
          frame[c * 3] = static_cast<BYTE>(s & 0xFF);
          frame[c * 3 + 1] = static_cast<BYTE>((s >> 8) & 0xFF);
          frame[c * 3 + 2] = static_cast<BYTE>((s >> 16) & 0xFF);
          break;
        }
        case SampleKind::kInt32: {
          auto s = static_cast<int32_t>(std::lrint(static_cast<double>(v) * 2147483647.0));
          std::memcpy(frame + c * 4, &s, 4);
          break;
        }
      }
    }
  }
}

// Tells the render thread when the user picks another default output, and
// when the chosen endpoint comes or goes. Called on a thread of the system's,
// so nothing may leave these methods as an exception.
class EndpointWatcher final : public IMMNotificationClient {
 public:
  explicit EndpointWatcher(AudioOutput* output) : output_(output) {}
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) noexcept override {
    if (flow == eRender && role == eConsole) output_->SignalDefaultChange();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) noexcept override {
    return Tell(id, state == DEVICE_STATE_ACTIVE);
  }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) noexcept override { return Tell(id, true); }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) noexcept override { return Tell(id, false); }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IMMNotificationClient))) {
      *object = static_cast<IMMNotificationClient*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the render thread's stack for as long as it is registered.
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }

 private:
  // An endpoint came or went; the id is copied, which may fail for memory.
  HRESULT Tell(LPCWSTR id, bool present) noexcept {
    if (!id) return S_OK;
    try {
      output_->SignalEndpointState(id, present);
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  AudioOutput* output_;
};

bool DeviceGone(HRESULT hr) {
  return hr == AUDCLNT_E_DEVICE_INVALIDATED || hr == AUDCLNT_E_SERVICE_NOT_RUNNING ||
         hr == AUDCLNT_E_RESOURCES_INVALIDATED;
}

}  // namespace

struct AudioOutput::Stream {
  ComPtr<IAudioClient> client;
  ComPtr<IAudioRenderClient> render;
  ScopedHandle event{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  DeviceFormat format;
  UINT32 bufferFrames = 0;
  UINT32 periodFrames = 0;
  bool running = false;
  bool chosen = false;  // the endpoint asked for, not the default standing in
  int64_t runningSince = 0;

  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (client && running) client->Stop();
    render.Reset();
    client.Reset();
  }
};

void AudioOutput::SetTimings(OutputTimings timings) { nextTimings = timings; }

int AudioOutput::Open(const std::wstring& endpointId, std::unique_ptr<AudioOutput>& out) {
  std::unique_ptr<AudioOutput> output(new AudioOutput());
  output->wake_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  output->quit_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  output->opened_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  output->defaultChanged_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  output->endpointChanged_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!output->wake_ || !output->quit_ || !output->opened_ || !output->defaultChanged_ || !output->endpointChanged_) {
    return kBassErrorMem;
  }
  output->chosenId_ = endpointId;
  output->timings_ = nextTimings;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  output->qpcPerSecond_ = std::max<int64_t>(frequency.QuadPart, 1);
  // Opening is no activity: the stream starts with the first input or sound,
  // and the client is let go a release time after opening if none comes.
  output->lastActivityMs_ = static_cast<int64_t>(GetTickCount64()) - static_cast<int64_t>(output->timings_.warmMs);
  try {
    output->thread_ = std::thread(&AudioOutput::ThreadMain, output.get());
  } catch (...) {
    return kBassErrorMem;
  }
  WaitForSingleObject(output->opened_.get(), INFINITE);
  int result = output->openResult_.load();
  if (result != kBassOk) return result;  // the destructor joins the ended thread
  out = std::move(output);
  return kBassOk;
}

AudioOutput::~AudioOutput() {
  if (quit_) SetEvent(quit_.get());
  if (thread_.joinable()) thread_.join();
}

void AudioOutput::SignalDefaultChange() { SetEvent(defaultChanged_.get()); }

void AudioOutput::SignalEndpointState(const std::wstring& id, bool present) {
  if (chosenId_.empty() || _wcsicmp(id.c_str(), chosenId_.c_str()) != 0) return;
  chosenPresent_ = present;
  SetEvent(endpointChanged_.get());
}

void AudioOutput::HideChosenEndpoint(bool hidden) { chosenHidden_ = hidden; }

void AudioOutput::InjectFailures(HRESULT error, int count) {
  injectedError_ = error;
  injectedCount_ = count;
  SetEvent(wake_.get());
}

bool AudioOutput::Send(const RenderCommand& command) {
  RenderCommand stamped = command;
  if (command.kind == RenderCommand::kPlay) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    stamped.posted = now.QuadPart;
    lastActivityMs_ = static_cast<int64_t>(GetTickCount64());
    resting_ = false;
  }
  if (!commands_.Push(stamped)) return false;
  SetEvent(wake_.get());
  return true;
}

void AudioOutput::NoteActivity() {
  lastActivityMs_ = static_cast<int64_t>(GetTickCount64());
  resting_ = false;
  // A running stream needs no wake-up: it sees the time at its next period.
  if (!running_.load()) SetEvent(wake_.get());
}

void AudioOutput::Rest() {
  resting_ = true;
  SetEvent(wake_.get());
}

OutputInfo AudioOutput::Info() const {
  OutputInfo info;
  info.rate = rate_.load();
  info.periodFrames = periodFrames_.load();
  info.bufferFrames = bufferFrames_.load();
  info.streamLatencyUs = streamLatencyUs_.load();
  info.lowLatencyClient = lowLatency_.load();
  info.running = running_.load();
  info.clientOpen = clientOpen_.load();
  info.onChosenEndpoint = onChosen_.load();
  info.bluetooth = bluetooth_.load();
  info.wakeups = wakeups_.load();
  info.retryMs = retryMs_.load();
  std::lock_guard<std::mutex> guard(nameLock_);
  info.deviceName = deviceName_;
  return info;
}

LatencyFigures AudioOutput::Latency() const { return LatencyFigures{toDevice_.Summary(), toMixer_.Summary()}; }

int64_t AudioOutput::Now() const { return static_cast<int64_t>(GetTickCount64()); }

bool AudioOutput::UserActive() const {
  return !resting_.load() && Now() - lastActivityMs_.load() < static_cast<int64_t>(timings_.warmMs);
}

bool AudioOutput::ReleaseDue() const {
  return resting_.load() || Now() - lastActivityMs_.load() >= static_cast<int64_t>(timings_.releaseMs);
}

DWORD AudioOutput::MsUntilRelease() const {
  if (resting_.load()) return 0;
  int64_t left = lastActivityMs_.load() + static_cast<int64_t>(timings_.releaseMs) - Now();
  return left <= 0 ? 0 : static_cast<DWORD>(std::min<int64_t>(left, 0x7FFFFFFF));
}

bool AudioOutput::ChosenAvailable() const {
  return !chosenId_.empty() && chosenPresent_.load() && !chosenHidden_.load();
}

int AudioOutput::OpenStream(const std::wstring& endpointId, uint32_t mixRate, Stream& stream) {
  ComPtr<IMMDeviceEnumerator> enumerator;
  if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                              IID_PPV_ARGS(enumerator.Receive())))) {
    return kBassErrorDriver;
  }
  ComPtr<IMMDevice> device;
  HRESULT hr = endpointId.empty() ? enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.Receive())
                                  : enumerator->GetDevice(endpointId.c_str(), device.Receive());
  if (FAILED(hr)) return kBassErrorDevice;
  if (FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                              reinterpret_cast<void**>(stream.client.Receive())))) {
    return kBassErrorDriver;
  }
  CoTaskMemPtr<WAVEFORMATEX> mixFormat;
  if (FAILED(stream.client->GetMixFormat(mixFormat.Receive())) || !mixFormat) return kBassErrorDriver;
  const WAVEFORMATEX* mix = mixFormat.Get();

  uint32_t rate = mixRate ? mixRate : mix->nSamplesPerSec;
  // The mixer keeps its rate for its whole life (its samples are converted to
  // it when they load). On an endpoint that runs at another rate, Windows
  // converts our stereo float stream.
  WAVEFORMATEXTENSIBLE own{};
  const WAVEFORMATEX* format = mix;
  DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK;
  if (rate != mix->nSamplesPerSec || !DescribeFormat(mix, stream.format)) {
    own.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    own.Format.nChannels = 2;
    own.Format.nSamplesPerSec = rate;
    own.Format.wBitsPerSample = 32;
    own.Format.nBlockAlign = 8;
    own.Format.nAvgBytesPerSec = rate * 8;
    own.Format.cbSize = 22;
    own.Samples.wValidBitsPerSample = 32;
    own.dwChannelMask = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
    own.SubFormat = kSubtypeFloat;
    format = &own.Format;
    flags |= AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
    DescribeFormat(format, stream.format);
  }

  bool lowLatency = false;
  // About 5 ms, where the system can negotiate the period (bass/output_rules.h).
  ComPtr<IAudioClient3> client3;
  if (format == mix &&
      SUCCEEDED(stream.client->QueryInterface(__uuidof(IAudioClient3),
                                              reinterpret_cast<void**>(client3.Receive())))) {
    UINT32 defaultPeriod = 0, fundamental = 0, minPeriod = 0, maxPeriod = 0;
    if (SUCCEEDED(client3->GetSharedModeEnginePeriod(mix, &defaultPeriod, &fundamental, &minPeriod, &maxPeriod)) &&
        minPeriod > 0) {
      UINT32 period = NegotiatedPeriod(rate, fundamental, minPeriod, maxPeriod);
      if (SUCCEEDED(client3->InitializeSharedAudioStream(flags, period, mix, nullptr))) {
        lowLatency = true;
        stream.periodFrames = period;
      }
    }
  }
  if (!lowLatency) {
    REFERENCE_TIME defaultPeriod = 0, minimumPeriod = 0;
    stream.client->GetDevicePeriod(&defaultPeriod, &minimumPeriod);
    REFERENCE_TIME period = defaultPeriod > 0 ? std::min(defaultPeriod, kMaxPeriod) : kMaxPeriod;
    if (minimumPeriod > 0) period = std::max(period, minimumPeriod);
    hr = stream.client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, period, 0, format, nullptr);
    if (FAILED(hr)) return DeviceGone(hr) ? kBassErrorDevice : kBassErrorFormat;
    stream.periodFrames = static_cast<UINT32>((period * rate + 5000000) / 10000000);
  }
  if (FAILED(stream.client->SetEventHandle(stream.event.get())) || FAILED(stream.client->GetBufferSize(&stream.bufferFrames)) ||
      FAILED(stream.client->GetService(__uuidof(IAudioRenderClient),
                                       reinterpret_cast<void**>(stream.render.Receive())))) {
    return kBassErrorDriver;
  }
  stream.periodFrames = std::min(std::max<UINT32>(stream.periodFrames, 1), stream.bufferFrames);
  REFERENCE_TIME latency = 0;
  if (FAILED(stream.client->GetStreamLatency(&latency)) || latency < 0) latency = 0;
  if (mixBuffer_.size() < static_cast<size_t>(stream.bufferFrames) * 2) {
    mixBuffer_.assign(static_cast<size_t>(stream.bufferFrames) * 2, 0.0f);
  }
  EndpointTraits traits = DescribeEndpoint(device.Get());
  {
    std::lock_guard<std::mutex> guard(nameLock_);
    deviceName_ = traits.name;
  }
  bluetooth_ = traits.bluetooth;
  rate_ = rate;
  periodFrames_ = stream.periodFrames;
  bufferFrames_ = stream.bufferFrames;
  streamLatencyUs_ = static_cast<uint32_t>(latency / 10 + static_cast<int64_t>(stream.periodFrames) * 1000000 / rate);
  lowLatency_ = lowLatency;
  clientOpen_ = true;
  return kBassOk;
}

int AudioOutput::OpenPreferred(std::unique_ptr<Stream>& stream) {
  int result = kBassErrorDevice;
  if (ChosenAvailable()) {
    stream = std::make_unique<Stream>();
    result = OpenStream(chosenId_, rate_.load(), *stream);
    stream->chosen = true;
  }
  if (result != kBassOk) {
    // The chosen endpoint is absent (or none was chosen): the default plays.
    stream = std::make_unique<Stream>();
    result = OpenStream(L"", rate_.load(), *stream);
  }
  if (result != kBassOk) stream.reset();
  return result;
}

void AudioOutput::ThreadMain() {
  ComApartment apartment;
  if (!apartment.ok()) {
    openResult_ = kBassErrorDriver;
    SetEvent(opened_.get());
    return;
  }
  // Denormal floats in a dying reverb tail cost a hundred times more than normal ones.
  _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
  _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
  DWORD taskIndex = 0;
  ScopedMmcssTask task(AvSetMmThreadCharacteristicsW(L"Pro Audio", &taskIndex));
  if (!task) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

  ComPtr<IMMDeviceEnumerator> enumerator;
  EndpointWatcher watcher(this);
  bool watching = SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                             IID_PPV_ARGS(enumerator.Receive()))) &&
                  SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(&watcher));

  // The first opening takes the endpoint asked for or fails: a device that
  // cannot be opened is the caller's error to report.
  auto stream = std::make_unique<Stream>();
  int result = OpenStream(chosenId_, 0, *stream);
  stream->chosen = !chosenId_.empty();
  onChosen_ = stream->chosen;
  if (result == kBassOk) {
    try {
      mixer_ = std::make_unique<Mixer>(rate_.load(), kMaxVoices);
    } catch (...) {
      result = kBassErrorMem;
    }
  }
  openResult_ = result;
  SetEvent(opened_.get());
  while (result == kBassOk && stream) {
    RunEnd end = Run(*stream);
    stream.reset();
    running_ = false;
    clientOpen_ = false;
    if (end == RunEnd::kQuit) break;
    if (end == RunEnd::kRelease && !WaitForNeed()) break;
    // Only failures back off: a move or the return from idle opens at once,
    // so the sound that asked for it is heard.
    if (end != RunEnd::kFail) retryMs_ = 0;
    if (!Reopen(stream)) break;
  }
  stream.reset();
  running_ = false;
  clientOpen_ = false;
  if (watching) enumerator->UnregisterEndpointNotificationCallback(&watcher);
  enumerator.Reset();
  mixer_.reset();
}

bool AudioOutput::WaitRenderingSilence(uint32_t ms) {
  pendingCount_ = 0;  // nothing of these voices reaches a device
  unwrittenSince_ = 0;
  for (uint32_t done = 0; done < ms;) {
    DWORD step = std::min<DWORD>(kNoDeviceTickMs, ms - done);
    HANDLE waits[3] = {quit_.get(), defaultChanged_.get(), endpointChanged_.get()};
    DWORD w = WaitForMultipleObjects(3, waits, FALSE, step);
    ++wakeups_;
    if (w == WAIT_OBJECT_0) return false;
    DrainCommands();
    pendingCount_ = 0;
    size_t frames = static_cast<size_t>(rate_.load()) * step / 1000;
    size_t chunk = mixBuffer_.size() / 2;
    for (size_t rendered = 0; rendered < frames && chunk > 0; rendered += chunk) {
      mixer_->Render(mixBuffer_.data(), std::min(chunk, frames - rendered));
    }
    if (w != WAIT_TIMEOUT) return true;  // an endpoint came or changed: try again now
    done += step;
  }
  return true;
}

bool AudioOutput::Reopen(std::unique_ptr<Stream>& stream) {
  for (;;) {
    if (retryMs_ > 0 && !WaitRenderingSilence(retryMs_)) return false;
    retryMs_ = NextRetryDelay(retryMs_);
    if (WaitForSingleObject(quit_.get(), 0) == WAIT_OBJECT_0) return false;
    if (OpenPreferred(stream) == kBassOk) return true;
  }
}

bool AudioOutput::WaitForNeed() {
  for (;;) {
    HANDLE waits[2] = {quit_.get(), wake_.get()};
    DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    ++wakeups_;
    if (w == WAIT_OBJECT_0) return false;
    DrainCommands();
    if (!mixer_->Silent() || UserActive()) return true;
  }
}

void AudioOutput::DrainCommands() {
  RenderCommand command;
  // Sounds that arrive before the same write start in the same buffer; each
  // after the first is delayed by the time it came after it, so that fast
  // presses keep their own rhythm (and the first costs no latency). Wine
  // frees the endpoint buffer in whole-buffer steps, so a write can gather
  // several presses.
  const int64_t maxDelay = static_cast<int64_t>(bufferFrames_.load());
  while (commands_.Pop(command)) {
    switch (command.kind) {
      case RenderCommand::kPlay: {
        if (unwrittenSince_ == 0) unwrittenSince_ = command.posted;
        int64_t delay = (command.posted - unwrittenSince_) * static_cast<int64_t>(rate_.load()) / qpcPerSecond_;
        delay = std::clamp<int64_t>(delay, 0, maxDelay);
        if (mixer_->Start(command.data, command.sampleId, command.gain, command.startFrame, command.active,
                          static_cast<size_t>(delay), command.step) &&
            pendingCount_ < pending_.size()) {
          LARGE_INTEGER now;
          QueryPerformanceCounter(&now);
          pending_[pendingCount_++] = Pending{command.posted, now.QuadPart};
        }
        break;
      }
      case RenderCommand::kStop:
        mixer_->Stop(command.sampleId);
        break;
      case RenderCommand::kStopAll:
        mixer_->StopAll();
        break;
      case RenderCommand::kReverb:
        mixer_->reverb().SetParameters(command.wet, command.decay, command.damp);
        break;
    }
  }
}

void AudioOutput::RecordPending() {
  if (pendingCount_ == 0) return;
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  auto micros = [this](int64_t ticks) {
    return static_cast<uint32_t>(std::clamp<int64_t>(ticks * 1000000 / qpcPerSecond_, 0, 0xFFFFFFFF));
  };
  for (size_t i = 0; i < pendingCount_; ++i) {
    toMixer_.Add(micros(pending_[i].mixed - pending_[i].posted));
    toDevice_.Add(micros(now.QuadPart - pending_[i].posted));
  }
  pendingCount_ = 0;
}

HRESULT AudioOutput::Injected() {
  if (injectedCount_.load() <= 0) return S_OK;
  injectedCount_.fetch_sub(1);
  return injectedError_.load();
}

HRESULT AudioOutput::Write(Stream& stream, UINT32 frames) {
  if (HRESULT injected = Injected(); FAILED(injected)) return injected;
  if (frames == 0) return S_OK;
  BYTE* data = nullptr;
  HRESULT hr = stream.render->GetBuffer(frames, &data);
  if (FAILED(hr)) return hr;
  mixer_->Render(mixBuffer_.data(), frames);
  unwrittenSince_ = 0;  // what was asked for so far is in this buffer
  Convert(mixBuffer_.data(), frames, stream.format, data);
  return stream.render->ReleaseBuffer(frames, 0);
}

AudioOutput::RunEnd AudioOutput::Run(Stream& stream) {
  clientOpen_ = true;
  onChosen_ = stream.chosen;
  for (;;) {
    HANDLE waits[4] = {quit_.get(), defaultChanged_.get(), endpointChanged_.get(),
                       stream.running ? stream.event.get() : wake_.get()};
    // Running, the thread wakes once a period (and notices a stream whose
    // events stopped by the time-out). Stopped, only a command or activity
    // wakes it, or the time to let the client go; a stream just (re)opened
    // while a voice plays or the user is active starts at once.
    bool want = !mixer_->Silent() || UserActive();
    DWORD timeout = stream.running ? kStalledEventMs : (want ? 0 : MsUntilRelease());
    DWORD w = WaitForMultipleObjects(4, waits, FALSE, timeout);
    ++wakeups_;
    if (w == WAIT_OBJECT_0) return RunEnd::kQuit;
    if (w == WAIT_OBJECT_0 + 1) {
      if (!stream.chosen) return RunEnd::kMove;  // the default moved; a chosen endpoint stays
      continue;
    }
    if (w == WAIT_OBJECT_0 + 2) {
      // The chosen endpoint went (the default takes over) or came back.
      if (stream.chosen != ChosenAvailable()) return RunEnd::kMove;
      continue;
    }
    DrainCommands();
    if (!stream.running) {
      if (mixer_->Silent() && !UserActive()) {
        if (ReleaseDue()) return RunEnd::kRelease;
        continue;
      }
      // One period written, then start: the first sound after a pause is
      // heard within one period, not after a refill of the whole buffer.
      HRESULT hr = Write(stream, stream.periodFrames);
      if (SUCCEEDED(hr)) hr = Injected();
      if (SUCCEEDED(hr)) hr = stream.client->Start();
      if (FAILED(hr)) return RunEnd::kFail;
      stream.running = true;
      stream.runningSince = Now();
      running_ = true;
      RecordPending();
      continue;
    }
    UINT32 padding = 0;
    HRESULT hr = stream.client->GetCurrentPadding(&padding);
    UINT32 frames = SUCCEEDED(hr) ? stream.bufferFrames - padding : 0;
    if (SUCCEEDED(hr)) hr = Write(stream, frames);
    if (FAILED(hr)) return RunEnd::kFail;
    if (frames > 0) RecordPending();
    if (retryMs_ > 0 && Now() - stream.runningSince >= static_cast<int64_t>(kHealthyMs)) retryMs_ = 0;
    if (mixer_->Silent() && !UserActive()) {
      stream.client->Stop();
      stream.client->Reset();
      stream.running = false;
      running_ = false;
      if (resting_.load()) return RunEnd::kRelease;
    }
  }
}
