#include "bass/output_win.h"

#include <audioclient.h>
#include <avrt.h>
#include <pmmintrin.h>
#include <xmmintrin.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bass/bass_errors.h"
#include "bass/com_ptr_win.h"
#include "bass/output_rules.h"

namespace {

constexpr REFERENCE_TIME kMaxPeriod = 100000;  // 10 ms, in 100 ns units
constexpr size_t kMaxVoices = 64;
// After this long without a sound the stream stops, so an idle machine is not
// woken a hundred times a second; the next sound restarts it at once.
constexpr uint32_t kIdleSeconds = 3;
// Without any endpoint, voices still advance in real time so they end and
// their samples can be freed; an endpoint is looked for again every second.
constexpr DWORD kNoDeviceTickMs = 100;

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

// Tells the render thread when the user picks another default output.
class DefaultDeviceWatcher final : public IMMNotificationClient {
 public:
  explicit DefaultDeviceWatcher(HANDLE event) : event_(event) {}
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) override {
    if (flow == eRender && role == eConsole) SetEvent(event_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IMMNotificationClient))) {
      *object = static_cast<IMMNotificationClient*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the render thread's stack for as long as it is registered.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

 private:
  HANDLE event_;
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

  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (client && running) client->Stop();
    render.Reset();
    client.Reset();
  }
};

int AudioOutput::Open(const std::wstring& endpointId, std::unique_ptr<AudioOutput>& out) {
  std::unique_ptr<AudioOutput> output(new AudioOutput());
  output->wake_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  output->quit_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  output->opened_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  output->defaultChanged_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!output->wake_ || !output->quit_ || !output->opened_ || !output->defaultChanged_) return kBassErrorMem;
  output->followDefault_ = endpointId.empty();
  try {
    output->thread_ = std::thread(&AudioOutput::ThreadMain, output.get(), endpointId);
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

bool AudioOutput::Send(const RenderCommand& command) {
  if (!commands_.Push(command)) return false;
  SetEvent(wake_.get());
  return true;
}

OutputInfo AudioOutput::Info() const {
  return OutputInfo{rate_.load(), periodFrames_.load(), bufferFrames_.load(), lowLatency_.load(), running_.load()};
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
  WAVEFORMATEX* mix = nullptr;
  if (FAILED(stream.client->GetMixFormat(&mix)) || !mix) return kBassErrorDriver;
  struct FormatOwner {
    WAVEFORMATEX* p;
    ~FormatOwner() { CoTaskMemFree(p); }
  } mixOwner{mix};

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
  if (mixBuffer_.size() < static_cast<size_t>(stream.bufferFrames) * 2) {
    mixBuffer_.assign(static_cast<size_t>(stream.bufferFrames) * 2, 0.0f);
  }
  rate_ = rate;
  periodFrames_ = stream.periodFrames;
  bufferFrames_ = stream.bufferFrames;
  lowLatency_ = lowLatency;
  return kBassOk;
}

void AudioOutput::ThreadMain(std::wstring endpointId) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
    openResult_ = kBassErrorDriver;
    SetEvent(opened_.get());
    return;
  }
  // Denormal floats in a dying reverb tail cost a hundred times more than normal ones.
  _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
  _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
  DWORD taskIndex = 0;
  HANDLE task = AvSetMmThreadCharacteristicsW(L"Pro Audio", &taskIndex);
  if (!task) SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

  ComPtr<IMMDeviceEnumerator> enumerator;
  DefaultDeviceWatcher watcher(defaultChanged_.get());
  bool watching = SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                             IID_PPV_ARGS(enumerator.Receive()))) &&
                  SUCCEEDED(enumerator->RegisterEndpointNotificationCallback(&watcher));

  auto stream = std::make_unique<Stream>();
  int result = OpenStream(endpointId, 0, *stream);
  if (result == kBassOk) {
    try {
      mixer_ = std::make_unique<Mixer>(rate_.load(), kMaxVoices);
    } catch (...) {
      result = kBassErrorMem;
    }
  }
  openResult_ = result;
  SetEvent(opened_.get());
  while (result == kBassOk && Run(*stream) == RunEnd::kMove) {
    // The endpoint went away, or the user chose another default: playback
    // moves to the (new) default endpoint.
    stream.reset();
    running_ = false;
    if (!ReopenDefault(stream)) break;
  }
  stream.reset();
  running_ = false;
  if (watching) enumerator->UnregisterEndpointNotificationCallback(&watcher);
  enumerator.Reset();
  mixer_.reset();
  if (task) AvRevertMmThreadCharacteristics(task);
  CoUninitialize();
}

bool AudioOutput::ReopenDefault(std::unique_ptr<Stream>& stream) {
  followDefault_ = true;
  for (;;) {
    stream = std::make_unique<Stream>();
    if (OpenStream(L"", rate_.load(), *stream) == kBassOk) return true;
    stream.reset();
    // No endpoint at all: voices go on in silence, in real time, so that they
    // end and their samples can be freed. Look again every second, or as soon
    // as a new default endpoint appears.
    for (int tick = 0; tick < 1000 / static_cast<int>(kNoDeviceTickMs); ++tick) {
      HANDLE waits[2] = {quit_.get(), defaultChanged_.get()};
      DWORD w = WaitForMultipleObjects(2, waits, FALSE, kNoDeviceTickMs);
      if (w == WAIT_OBJECT_0) return false;
      DrainCommands();
      size_t frames = rate_.load() * kNoDeviceTickMs / 1000;
      size_t chunk = mixBuffer_.size() / 2;
      for (size_t done = 0; done < frames && chunk > 0; done += chunk) {
        mixer_->Render(mixBuffer_.data(), std::min(chunk, frames - done));
      }
      if (w == WAIT_OBJECT_0 + 1) break;
    }
  }
}

void AudioOutput::DrainCommands() {
  RenderCommand command;
  while (commands_.Pop(command)) {
    switch (command.kind) {
      case RenderCommand::kPlay:
        mixer_->Start(command.data, command.sampleId, command.gain, command.startFrame, command.active);
        break;
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

HRESULT AudioOutput::Write(Stream& stream, UINT32 frames) {
  if (frames == 0) return S_OK;
  BYTE* data = nullptr;
  HRESULT hr = stream.render->GetBuffer(frames, &data);
  if (FAILED(hr)) return hr;
  mixer_->Render(mixBuffer_.data(), frames);
  Convert(mixBuffer_.data(), frames, stream.format, data);
  return stream.render->ReleaseBuffer(frames, 0);
}

AudioOutput::RunEnd AudioOutput::Run(Stream& stream) {
  const uint32_t idleFrames = rate_.load() * kIdleSeconds;
  uint32_t silentFrames = 0;
  bool resumeVoices = true;
  for (;;) {
    HANDLE waits[3] = {quit_.get(), defaultChanged_.get(), stream.running ? stream.event.get() : wake_.get()};
    // While running, a stream whose events stop (a vanished endpoint) is
    // noticed by the time-out; while idle, only a command wakes the thread.
    // A stream just reopened on another endpoint while a voice still plays
    // starts at once, so the rest of that sound is heard.
    // (Only once: a start that fails is not retried in a busy loop.)
    DWORD timeout = stream.running ? 200 : (resumeVoices && !mixer_->Silent() ? 0 : INFINITE);
    resumeVoices = false;
    DWORD w = WaitForMultipleObjects(3, waits, FALSE, timeout);
    if (w == WAIT_OBJECT_0) return RunEnd::kQuit;
    if (w == WAIT_OBJECT_0 + 1) {
      if (followDefault_) return RunEnd::kMove;
      continue;
    }
    DrainCommands();
    HRESULT hr = S_OK;
    if (!stream.running) {
      if (mixer_->Silent()) continue;
      // One period written, then start: the first sound after a pause is
      // heard within one period, not after a refill of the whole buffer.
      hr = Write(stream, stream.periodFrames);
      if (SUCCEEDED(hr)) hr = stream.client->Start();
      if (SUCCEEDED(hr)) {
        stream.running = true;
        running_ = true;
        silentFrames = 0;
        continue;
      }
    } else {
      UINT32 padding = 0;
      hr = stream.client->GetCurrentPadding(&padding);
      UINT32 frames = SUCCEEDED(hr) ? stream.bufferFrames - padding : 0;
      if (SUCCEEDED(hr)) hr = Write(stream, frames);
      if (SUCCEEDED(hr)) {
        silentFrames = mixer_->Silent() ? silentFrames + frames : 0;
        if (silentFrames >= idleFrames) {
          stream.client->Stop();
          stream.client->Reset();
          stream.running = false;
          running_ = false;
        }
        continue;
      }
    }
    if (DeviceGone(hr)) return RunEnd::kMove;
  }
}
