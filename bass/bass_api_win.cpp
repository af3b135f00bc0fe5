// The exported API. Calls may come from any thread; one lock serialises them
// (the render thread never takes it: it only sees the command queue, and the
// samples' voice counts, which are atomic).

#include "bass/bass.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/scoped_win.h"
#include "bass/bass_errors.h"
#include "bass/devices_win.h"
#include "bass/dsp.h"
#include "bass/library_win.h"
#include "bass/output_win.h"
#include "bass/media_foundation_win.h"
#include "bass/rate_kernel.h"
#include "bass/sample_file_win.h"
#include "bass/sample_store.h"
#include "bass/sound_decoder.h"
#include "bass/wav_decoder.h"

namespace {

constexpr uint32_t kNoSoundRate = 44100;
// Decoded data of recently loaded files kept for loading them again.
constexpr size_t kCacheBytes = 16u << 20;  // room for a pack's slices beside other schemes' files
// Sounds up to this long are converted to the mixer's rate when they load.
constexpr uint32_t kConvertAtLoadSeconds = 5;
// Rates a sample may be played at, besides its own.
constexpr int kMinPlayRate = 100;
constexpr int kMaxPlayRate = 200000;
// Decoded data, converted to the mixer's rate; immutable once loaded. Its
// voices on the render thread read it, each at a rate of its own; `active`
// counts them.
struct Sample {
  StereoData stereo;  // shared with the decode cache
  uint32_t ownRate = 0;
  size_t ownFrames = 0;  // the file's length in frames of its own rate
  uint32_t dataRate = 0;  // the rate `stereo` is kept at: the mixer's, or for a long sound its own
  DWORD max = 1;
  bool placed = false;  // loaded with BASS_SAMPLE_3D: a play's position sets its balance
  std::atomic<int> active{0};

  int Playing() const { return active.load(std::memory_order_acquire); }
};

struct Reverb3 {
  DWORD env = 0;
  float vol = 0.0f;  // no reverb until asked for
  float decay = 1.493f;
  float damp = 0.5f;
};

struct Library {
  bool initialized = false;
  int device = 0;
  uint32_t rate = kNoSoundRate;
  std::unique_ptr<AudioOutput> output;  // none on the "No sound" device
  std::unordered_map<DWORD, std::unique_ptr<Sample>> samples;
  // Freed samples whose voices may still be fading out on the render thread.
  std::vector<std::unique_ptr<Sample>> released;
  DWORD lastSample = 0;
  DWORD lastChannel = 0;
  Reverb3 reverb;
  std::vector<Endpoint> endpoints;
  bool endpointsRead = false;
  DecodeCache cache{kCacheBytes};
  // Slices found to begin past their file's end (or empty), by slice key and
  // the file's size and time: loading one again fails at once instead of
  // decoding the file at every press of its key.
  std::set<std::wstring> badSlices;
  std::unique_ptr<MediaFoundation> media;  // started by the first file that needs it
};

std::mutex apiLock;
Library lib;
thread_local DWORD lastError = 0;

template <typename T>
T Fail(int code, T result) {
  lastError = static_cast<DWORD>(code);
  return result;
}

template <typename T>
T Succeed(T result) {
  lastError = kBassOk;
  return result;
}

// Lets go of freed samples that nothing plays any more.
void SweepReleased() {
  auto& r = lib.released;
  r.erase(std::remove_if(r.begin(), r.end(),
                         [](const std::unique_ptr<Sample>& s) { return s->Playing() == 0; }),
          r.end());
}

void ReadEndpoints() {
  lib.endpoints = ListEndpoints();
  lib.endpointsRead = true;
}

Sample* FindSample(DWORD handle) {
  auto it = lib.samples.find(handle);
  return it == lib.samples.end() ? nullptr : it->second.get();
}

// MP3, AAC and FLAC, through Media Foundation, started by the first file
// that needs it (and tried again at each such file while it cannot start).
int DecodeThroughWindows(const uint8_t* data, size_t size, SoundFormat format, DecodedWav& out) {
  if (!lib.media) {
    if (const int started = MediaFoundation::Start(lib.media); started != kBassOk) return started;
  }
  return lib.media->Decode(data, size, format, out);
}

// The rate a play asks for: 0 for the sample's own, -1 when out of range.
int PlayRate(const Sample& sample, int freq) {
  if (freq == -1 || freq == 0 || static_cast<int64_t>(freq) == sample.ownRate) return 0;
  if (freq < kMinPlayRate || freq > kMaxPlayRate) return -1;
  return freq;
}

void SendReverb() {
  if (!lib.output) return;
  RenderCommand command;
  command.kind = RenderCommand::kReverb;
  command.wet = lib.reverb.vol;
  command.decay = lib.reverb.decay;
  command.damp = lib.reverb.damp;
  lib.output->Send(command);
}

}  // namespace

extern "C" {

DWORD WINAPI BASS_ErrorGetCode(void) { return lastError; }

char* WINAPI BASS_GetDeviceDescription(DWORD device) {
  static char noSound[] = "No sound";
  std::lock_guard<std::mutex> guard(apiLock);
  // A listing starts at device 0: that is when the list is read afresh, so
  // the texts handed out for 1..n stay valid while the caller walks them.
  if (device == 0) {
    ReadEndpoints();
    return Succeed(noSound);
  }
  if (!lib.endpointsRead) ReadEndpoints();
  if (device - 1 >= lib.endpoints.size()) return Fail<char*>(kBassErrorDevice, nullptr);
  return Succeed(lib.endpoints[device - 1].name.data());
}

const char* WINAPI BASS_BrisoltGetDeviceEndpoint(DWORD device) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.endpointsRead) ReadEndpoints();
  if (device == 0 || device - 1 >= lib.endpoints.size()) return Fail<const char*>(kBassErrorDevice, nullptr);
  return Succeed<const char*>(lib.endpoints[device - 1].idText.c_str());
}

BOOL WINAPI BASS_BrisoltGetLatency(BASS_BRISOLT_LATENCY* info) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!info || info->size < sizeof(BASS_BRISOLT_LATENCY)) return Fail(kBassErrorIllegalParam, FALSE);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  if (!lib.output) return Fail(kBassErrorNotAvailable, FALSE);
  OutputInfo output = lib.output->Info();
  LatencyFigures figures = lib.output->Latency();
  DWORD size = info->size;
  std::memset(info, 0, sizeof *info);
  info->size = size;
  info->voices = figures.toDevice.count;
  info->p50 = figures.toDevice.p50;
  info->p99 = figures.toDevice.p99;
  info->max = figures.toDevice.max;
  info->mixerP50 = figures.toMixer.p50;
  info->mixerP99 = figures.toMixer.p99;
  info->period = output.rate ? static_cast<DWORD>(static_cast<uint64_t>(output.periodFrames) * 1000000 / output.rate) : 0;
  info->streamLatency = output.streamLatencyUs;
  info->flags = (output.running ? BASS_BRISOLT_RUNNING : 0) | (output.clientOpen ? BASS_BRISOLT_OPEN : 0) |
                (output.onChosenEndpoint ? BASS_BRISOLT_CHOSEN : 0) | (output.bluetooth ? BASS_BRISOLT_BLUETOOTH : 0);
  info->wakeups = static_cast<DWORD>(output.wakeups);
  std::strncpy(info->device, output.deviceName.c_str(), sizeof info->device - 1);
  return Succeed(TRUE);
}

BOOL WINAPI BASS_BrisoltSetActivity(BOOL active) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  if (lib.output) {
    if (active) {
      lib.output->NoteActivity();
    } else {
      lib.output->Rest();
    }
  }
  return Succeed(TRUE);
}

BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD, HWND, GUID*) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (lib.initialized) return Fail(kBassErrorAlready, FALSE);
  if (device < -1) return Fail(kBassErrorDevice, FALSE);
  KernelForStep(1.0);  // the mixer's rate kernels, made once on this thread rather than the render thread
  if (device == 0) {
    lib.rate = (freq >= 1000 && freq <= 384000) ? freq : kNoSoundRate;
  } else {
    std::wstring id;  // empty: the default endpoint, followed
    if (device > 0) {
      ReadEndpoints();
      if (static_cast<size_t>(device) > lib.endpoints.size()) return Fail(kBassErrorDevice, FALSE);
      id = lib.endpoints[static_cast<size_t>(device) - 1].id;
    }
    int result = AudioOutput::Open(id, lib.output);
    if (result != kBassOk) return Fail(result, FALSE);
    lib.rate = lib.output->Info().rate;
  }
  lib.device = device;
  lib.reverb = Reverb3{};
  lib.initialized = true;
  return Succeed(TRUE);
}

BOOL WINAPI BASS_Free(void) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  lib.output.reset();  // ends the render thread: no voice reads a sample any more
  lib.samples.clear();
  lib.released.clear();
  lib.cache.Clear();  // the next device may run at another rate
  lib.badSlices.clear();
  lib.media.reset();
  lib.initialized = false;
  return Succeed(TRUE);
}

namespace {

// Decoded data turned into what a sample keeps: stereo, at the mixer's rate
// or, for a long sound (a pack's sprite), at its own, whose voices then read
// it at the mixer's through the rate kernel (converting forty seconds at
// load would cost more than every press ever will); at 16 bits where the
// source has no more.
CachedDecode Keep(DecodedWav&& wav) {
  CachedDecode kept;
  kept.ownRate = wav.sampleRate;
  kept.ownFrames = wav.samples.size() / wav.channels;
  const bool convert = kept.ownFrames <= size_t{kept.ownRate} * kConvertAtLoadSeconds;
  const bool sixteenBits = wav.sixteenBits;
  kept.dataRate = convert ? lib.rate : kept.ownRate;
  std::vector<float> stereo = ToStereo(std::move(wav));
  if (convert) stereo = ResampleStereo(stereo, kept.ownRate, lib.rate);
  kept.stereo = std::make_shared<const StereoSamples>(std::move(stereo), sixteenBits);
  return kept;
}

// A file, as the load calls name it, with what identifies it in the cache.
struct FileArgument {
  std::wstring path;
  std::wstring key;  // empty: not cached
  uint64_t size = 0;
  uint64_t writeTime = 0;
};

FileArgument NameFile(const void* file, DWORD flags) {
  FileArgument named;
  named.path = PathArgument(file, flags);
  if (FileStamp(named.path, named.size, named.writeTime)) named.key = CacheKey(named.path);
  return named;
}

std::wstring SliceKey(const std::wstring& fileKey, DWORD startMs, DWORD lengthMs) {
  return fileKey + L"<" + std::to_wstring(startMs) + L"," + std::to_wstring(lengthMs) + L">";
}

// The whole file decoded, as it is.
int DecodeFile(const std::wstring& path, DecodedWav& wav) {
  std::vector<uint8_t> bytes;
  if (const int result = ReadFileBytes(path, 0, 0, bytes); result != kBassOk) return result;
  return DecodeSound(bytes.data(), bytes.size(), wav, DecodeThroughWindows);
}

// Cuts the slices of `wav` that the cache does not hold yet into it.
std::wstring BadSliceKey(const FileArgument& named, const std::wstring& sliceKey) {
  return sliceKey + L"|" + std::to_wstring(named.size) + L"|" + std::to_wstring(named.writeTime);
}

// Keeps every slice that lies in the file; error 20 when one or more do not
// (the others are kept all the same).
int KeepSlices(const FileArgument& named, const DecodedWav& wav, const DWORD* startLength, DWORD count) {
  int result = kBassOk;
  for (DWORD i = 0; i < count; ++i) {
    const DWORD startMs = startLength[2 * i], lengthMs = startLength[2 * i + 1];
    const std::wstring key = SliceKey(named.key, startMs, lengthMs);
    if (lib.cache.Find(key, named.size, named.writeTime)) continue;
    DecodedWav slice;
    if (!SliceOf(wav, startMs, lengthMs, slice)) {
      lib.badSlices.insert(BadSliceKey(named, key));
      result = kBassErrorIllegalParam;
      continue;
    }
    CachedDecode kept = Keep(std::move(slice));
    kept.key = key;
    kept.size = named.size;
    kept.writeTime = named.writeTime;
    lib.cache.Remember(std::move(kept));
  }
  return result;
}

HSAMPLE AddSample(std::unique_ptr<Sample> sample, DWORD flags) {
  sample->placed = (flags & BASS_SAMPLE_3D) != 0;
  DWORD handle;
  do {
    handle = 0x10000u + (++lib.lastSample & 0xFFFFFFu);
  } while (lib.samples.count(handle));
  lib.samples.emplace(handle, std::move(sample));
  return Succeed<HSAMPLE>(handle);
}

void Take(const CachedDecode& kept, Sample& sample) {
  sample.stereo = kept.stereo;
  sample.ownRate = kept.ownRate;
  sample.ownFrames = kept.ownFrames;
  sample.dataRate = kept.dataRate;
}

}  // namespace

HSAMPLE WINAPI BASS_SampleLoad(BOOL mem, void* file, DWORD offset, DWORD length, DWORD max, DWORD flags) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail<HSAMPLE>(kBassErrorInit, 0);
  SweepReleased();
  if (max < 1 || max > 65535) return Fail<HSAMPLE>(kBassErrorIllegalParam, 0);

  auto sample = std::make_unique<Sample>();
  sample->max = max;
  FileArgument named;
  if (!mem) named = NameFile(file, flags);
  const bool cacheable = !mem && offset == 0 && length == 0 && !named.key.empty();
  if (cacheable) {
    if (const CachedDecode* hit = lib.cache.Find(named.key, named.size, named.writeTime)) Take(*hit, *sample);
  }
  if (!sample->stereo) {
    std::vector<uint8_t> fileBytes;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    if (mem) {
      if (!file || length == 0) return Fail<HSAMPLE>(kBassErrorIllegalParam, 0);
      bytes = static_cast<const uint8_t*>(file) + offset;
      size = length;
    } else {
      int result = ReadFileBytes(named.path, offset, length, fileBytes);
      if (result != kBassOk) return Fail<HSAMPLE>(result, 0);
      bytes = fileBytes.data();
      size = fileBytes.size();
    }
    DecodedWav wav;
    int result = DecodeSound(bytes, size, wav, DecodeThroughWindows);
    if (result != kBassOk) return Fail<HSAMPLE>(result, 0);
    try {
      CachedDecode kept = Keep(std::move(wav));
      Take(kept, *sample);
      if (cacheable) {
        kept.key = named.key;
        kept.size = named.size;
        kept.writeTime = named.writeTime;
        lib.cache.Remember(std::move(kept));
      }
    } catch (const std::bad_alloc&) {
      return Fail<HSAMPLE>(kBassErrorMem, 0);
    }
  }
  return AddSample(std::move(sample), flags);
}

BOOL WINAPI BASS_BrisoltPrepareSlices(const void* file, const DWORD* startLength, DWORD count, DWORD flags) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  if (count > 0 && startLength == nullptr) return Fail(kBassErrorIllegalParam, FALSE);
  const FileArgument named = NameFile(file, flags);
  if (named.key.empty()) return Fail(kBassErrorFileOpen, FALSE);
  DWORD missing = 0, bad = 0;
  for (DWORD i = 0; i < count; ++i) {
    const std::wstring key = SliceKey(named.key, startLength[2 * i], startLength[2 * i + 1]);
    if (lib.cache.Find(key, named.size, named.writeTime)) continue;
    ++(lib.badSlices.count(BadSliceKey(named, key)) ? bad : missing);
  }
  if (missing == 0) return bad ? Fail(kBassErrorIllegalParam, FALSE) : Succeed(TRUE);
  try {
    DecodedWav wav;
    if (const int result = DecodeFile(named.path, wav); result != kBassOk) return Fail(result, FALSE);
    if (const int result = KeepSlices(named, wav, startLength, count); result != kBassOk) return Fail(result, FALSE);
  } catch (const std::bad_alloc&) {
    return Fail(kBassErrorMem, FALSE);
  }
  return Succeed(TRUE);
}

HSAMPLE WINAPI BASS_BrisoltSampleLoadSlice(const void* file, DWORD startMs, DWORD lengthMs, DWORD max, DWORD flags) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail<HSAMPLE>(kBassErrorInit, 0);
  SweepReleased();
  if (max < 1 || max > 65535 || lengthMs == 0) return Fail<HSAMPLE>(kBassErrorIllegalParam, 0);
  const FileArgument named = NameFile(file, flags);
  if (named.key.empty()) return Fail<HSAMPLE>(kBassErrorFileOpen, 0);
  const std::wstring key = SliceKey(named.key, startMs, lengthMs);
  const CachedDecode* hit = lib.cache.Find(key, named.size, named.writeTime);
  if (!hit && lib.badSlices.count(BadSliceKey(named, key))) return Fail<HSAMPLE>(kBassErrorIllegalParam, 0);
  if (!hit) {
    // Not prepared: the file is decoded for this slice alone.
    try {
      DecodedWav wav;
      if (const int result = DecodeFile(named.path, wav); result != kBassOk) return Fail<HSAMPLE>(result, 0);
      const DWORD slice[2] = {startMs, lengthMs};
      if (const int result = KeepSlices(named, wav, slice, 1); result != kBassOk) return Fail<HSAMPLE>(result, 0);
    } catch (const std::bad_alloc&) {
      return Fail<HSAMPLE>(kBassErrorMem, 0);
    }
    hit = lib.cache.Find(key, named.size, named.writeTime);
    if (!hit) return Fail<HSAMPLE>(kBassErrorMem, 0);
  }
  auto sample = std::make_unique<Sample>();
  sample->max = max;
  Take(*hit, *sample);
  return AddSample(std::move(sample), flags);
}

HCHANNEL WINAPI BASS_SamplePlay3DEx(HSAMPLE handle, BASS_3DVECTOR* pos, BASS_3DVECTOR*, BASS_3DVECTOR*, DWORD start,
                                    int freq, int volume, BOOL loop) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail<HCHANNEL>(kBassErrorInit, 0);
  SweepReleased();
  Sample* sample = FindSample(handle);
  if (!sample) return Fail<HCHANNEL>(kBassErrorHandle, 0);
  // Looping is not offered.
  if (loop) return Fail<HCHANNEL>(kBassErrorIllegalParam, 0);
  const int rate = PlayRate(*sample, freq);
  if (rate < 0) return Fail<HCHANNEL>(kBassErrorIllegalParam, 0);
  if (sample->Playing() >= static_cast<int>(sample->max)) return Fail<HCHANNEL>(kBassErrorNoChannel, 0);
  HCHANNEL channel = 0x20000000u + (++lib.lastChannel & 0xFFFFFFFu);
  if (!lib.output) return Succeed(channel);  // nothing to hear

  // The start offset counts frames of the sample's own rate; the data is at
  // the mixer's (or, for a long sound, its own). At another rate than the
  // data's, the mixer reads it that many times as fast: nothing is copied or
  // resampled here.
  const SampleFrames data = sample->stereo->View();
  const size_t frames = data.frames;
  const auto startFrame =
      static_cast<size_t>(std::llround(static_cast<double>(start) * sample->dataRate / sample->ownRate));
  if (startFrame >= frames) return Succeed(channel);

  RenderCommand command;
  command.kind = RenderCommand::kPlay;
  command.sampleId = handle;
  command.data = data;
  const float level = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
  command.gain = sample->placed ? Placed(level, pos ? pos->x : 0.0f) : StereoGain(level);
  command.startFrame = startFrame;
  // Own frames a second over data frames an own frame, per output frame.
  const double ownFramesPerSecond = rate != 0 ? rate : sample->ownRate;
  command.step = ownFramesPerSecond / sample->ownRate * sample->dataRate / lib.rate;
  command.active = &sample->active;
  sample->active.fetch_add(1, std::memory_order_acq_rel);
  bool sent = lib.output->Send(command);
  if (!sent) sample->active.fetch_sub(1, std::memory_order_acq_rel);
  return sent ? Succeed(channel) : Fail<HCHANNEL>(kBassErrorNoChannel, 0);
}

BOOL WINAPI BASS_BrisoltGetSampleInfo(HSAMPLE handle, BASS_BRISOLT_SAMPLEINFO* info) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  const Sample* sample = FindSample(handle);
  if (!sample) return Fail(kBassErrorHandle, FALSE);
  if (!info || info->size < sizeof(BASS_BRISOLT_SAMPLEINFO)) return Fail(kBassErrorIllegalParam, FALSE);
  DWORD size = info->size;
  std::memset(info, 0, sizeof *info);
  info->size = size;
  info->freq = sample->ownRate;
  info->frames = static_cast<DWORD>(sample->ownFrames);
  info->lengthMs = static_cast<DWORD>((uint64_t{sample->ownFrames} * 1000 + sample->ownRate / 2) / sample->ownRate);
  info->peak = Peak(*sample->stereo);
  return Succeed(TRUE);
}

constexpr DWORD kNoCount = static_cast<DWORD>(-1);

DWORD WINAPI BASS_BrisoltGetSampleData(HSAMPLE handle, short* stereo, DWORD frames, DWORD* rate) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail<DWORD>(kBassErrorInit, kNoCount);
  const Sample* sample = FindSample(handle);
  if (!sample) return Fail<DWORD>(kBassErrorHandle, kNoCount);
  const SampleFrames view = sample->stereo->View();
  if (rate) *rate = sample->dataRate;
  if (view.frames > 0xFFFFFFF0u) return Fail<DWORD>(kBassErrorMem, kNoCount);
  const size_t copied = stereo ? std::min<size_t>(frames, view.frames) : 0;
  for (size_t i = 0; i < copied * 2; ++i) {
    if (view.stereo) {
      const float value = std::clamp(view.stereo[i], -1.0f, 1.0f) * 32767.0f;
      stereo[i] = static_cast<short>(std::lround(value));
    } else {
      stereo[i] = view.stereo16[i];
    }
  }
  return Succeed(static_cast<DWORD>(view.frames));
}

BOOL WINAPI BASS_BrisoltGetSampleOutline(HSAMPLE handle, float* lowHigh, DWORD columns) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  const Sample* sample = FindSample(handle);
  if (!sample) return Fail(kBassErrorHandle, FALSE);
  if (!lowHigh || columns == 0) return Fail(kBassErrorIllegalParam, FALSE);
  Outline(*sample->stereo, lowHigh, columns);
  return Succeed(TRUE);
}

BOOL WINAPI BASS_SampleStop(HSAMPLE handle) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  if (!FindSample(handle)) return Fail(kBassErrorHandle, FALSE);
  if (lib.output) {
    RenderCommand command;
    command.kind = RenderCommand::kStop;
    command.sampleId = handle;
    lib.output->Send(command);
  }
  return Succeed(TRUE);
}

BOOL WINAPI BASS_SampleFree(HSAMPLE handle) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  auto it = lib.samples.find(handle);
  if (it == lib.samples.end()) return Fail(kBassErrorHandle, FALSE);
  if (lib.output) {
    RenderCommand command;
    command.kind = RenderCommand::kStop;
    command.sampleId = handle;
    lib.output->Send(command);
  }
  lib.released.push_back(std::move(it->second));
  lib.samples.erase(it);
  SweepReleased();
  return Succeed(TRUE);
}

BOOL WINAPI BASS_GetEAXParameters(DWORD* env, float* vol, float* decay, float* damp) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  if (!lib.output) return Fail(kBassErrorNoEax, FALSE);
  if (env) *env = lib.reverb.env;
  if (vol) *vol = lib.reverb.vol;
  if (decay) *decay = lib.reverb.decay;
  if (damp) *damp = lib.reverb.damp;
  return Succeed(TRUE);
}

BOOL WINAPI BASS_SetEAXParameters(int env, float vol, float decay, float damp) {
  std::lock_guard<std::mutex> guard(apiLock);
  if (!lib.initialized) return Fail(kBassErrorInit, FALSE);
  if (!lib.output) return Fail(kBassErrorNoEax, FALSE);
  if (std::isnan(vol) || std::isnan(decay) || std::isnan(damp) || env > 25) {
    return Fail(kBassErrorIllegalParam, FALSE);
  }
  // A negative value leaves that parameter as it is.
  if (env >= 0) lib.reverb.env = static_cast<DWORD>(env);
  if (vol >= 0) lib.reverb.vol = std::min(vol, 1.0f);
  if (decay >= 0) lib.reverb.decay = std::clamp(decay, 0.1f, 20.0f);
  if (damp >= 0) lib.reverb.damp = std::min(damp, 2.0f);
  SendReverb();
  return Succeed(TRUE);
}

}  // extern "C"

std::unique_lock<std::mutex> LockLibrary() { return std::unique_lock<std::mutex>(apiLock); }

AudioOutput* OpenOutput() { return lib.output.get(); }

// The id the output was opened with (device numbers count from 1).
std::wstring OpenedEndpointId() {
  if (lib.device <= 0 || static_cast<size_t>(lib.device) > lib.endpoints.size()) return L"";
  return lib.endpoints[static_cast<size_t>(lib.device) - 1].id;
}
