#include "bass/media_foundation_win.h"

#include <initguid.h>  // the media GUIDs are defined here: nothing links Media Foundation's DLLs

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "base/com_ptr_win.h"
#include "base/test_seams.h"
#include "bass/bass_errors.h"

// The functions are looked up, not linked: a missing DLL must not keep
// bass.dll from loading.
struct MediaFoundation::Api {
  HRESULT(WINAPI* startup)(ULONG, DWORD) = nullptr;
  HRESULT(WINAPI* shutdown)() = nullptr;
  HRESULT(WINAPI* byteStreamOnStream)(IStream*, IMFByteStream**) = nullptr;
  HRESULT(WINAPI* createMediaType)(IMFMediaType**) = nullptr;
  HRESULT(WINAPI* readerFromByteStream)(IMFByteStream*, IMFAttributes*, IMFSourceReader**) = nullptr;
};

namespace {

constexpr uint32_t kMinRate = 1000;
constexpr uint32_t kMaxRate = 384000;
// A source that keeps answering with neither a sample nor the end (gaps in
// a damaged stream) is given up after this many answers in a row.
constexpr int kMaxEmptyReads = 1000;

template <typename F>
bool Find(HMODULE module, const char* name, F& function) {
  FARPROC found = GetProcAddress(module, name);
  if (found == nullptr) return false;
  static_assert(sizeof function == sizeof found);
  std::memcpy(&function, &found, sizeof function);
  return true;
}

// What the source resolver is told the bytes are, for each format read here:
// it has no file name to go by.
struct SourceName {
  const wchar_t* contentType;
  const wchar_t* originName;
};

SourceName NameOf(SoundFormat format) {
  switch (format) {
    case SoundFormat::kMp3:
      return {L"audio/mpeg", L"sound.mp3"};
    case SoundFormat::kMp4:
      return {L"audio/mp4", L"sound.m4a"};
    default:
      return {L"audio/flac", L"sound.flac"};
  }
}

bool IsMissingDecoder(HRESULT hr) {
  return hr == MF_E_TOPO_CODEC_NOT_FOUND || hr == MF_E_INVALIDMEDIATYPE || hr == MF_E_UNSUPPORTED_D3D_TYPE ||
         hr == MF_E_TRANSFORM_TYPE_NOT_SET;
}

// A media buffer's memory, locked for as long as this lives.
class LockedBuffer {
 public:
  explicit LockedBuffer(IMFMediaBuffer* buffer) : buffer_(buffer) {
    if (FAILED(buffer_->Lock(&bytes_, nullptr, &length_))) bytes_ = nullptr;
  }
  ~LockedBuffer() {
    if (bytes_) buffer_->Unlock();
  }
  LockedBuffer(const LockedBuffer&) = delete;
  LockedBuffer& operator=(const LockedBuffer&) = delete;
  const BYTE* bytes() const { return bytes_; }
  DWORD length() const { return bytes_ ? length_ : 0; }

 private:
  IMFMediaBuffer* buffer_;
  BYTE* bytes_ = nullptr;
  DWORD length_ = 0;
};

bool SameLayout(IMFSourceReader* reader, UINT32 channels, UINT32 rate) {
  ComPtr<IMFMediaType> type;
  UINT32 nowChannels = 0, nowRate = 0;
  return SUCCEEDED(reader->GetCurrentMediaType(static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM),
                                               type.Receive())) &&
         SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &nowChannels)) &&
         SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &nowRate)) && nowChannels == channels &&
         nowRate == rate;
}

int Fail(DecodedWav& out, int error) {
  out = DecodedWav{};
  return error;
}

}  // namespace

int MediaFoundation::Start(std::unique_ptr<MediaFoundation>& out) {
  out.reset();
  // A test makes this Windows one without Media Foundation.
  const bool absent = TestSeamValue("BRISOLT_TEST_NO_MEDIA_FOUNDATION") != 0;
  std::unique_ptr<MediaFoundation> made(new MediaFoundation());
  made->api_ = std::make_unique<Api>();
  Api& api = *made->api_;
  made->platform_.reset(
      absent ? nullptr : LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  made->readWrite_.reset(
      absent ? nullptr : LoadLibraryExW(L"mfreadwrite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!made->platform_ || !made->readWrite_) return kBassErrorCodec;
  HMODULE platform = made->platform_.get();
  if (!Find(platform, "MFStartup", api.startup) || !Find(platform, "MFShutdown", api.shutdown) ||
      !Find(platform, "MFCreateMFByteStreamOnStream", api.byteStreamOnStream) ||
      !Find(platform, "MFCreateMediaType", api.createMediaType) ||
      !Find(made->readWrite_.get(), "MFCreateSourceReaderFromByteStream", api.readerFromByteStream)) {
    return kBassErrorCodec;
  }
  ComApartment apartment;
  if (FAILED(api.startup(MF_VERSION, MFSTARTUP_LITE))) {
    api.shutdown = nullptr;  // nothing to shut down
    return kBassErrorCodec;
  }
  out = std::move(made);
  return kBassOk;
}

MediaFoundation::~MediaFoundation() {
  if (api_ && api_->shutdown) api_->shutdown();
}

int MediaFoundation::Decode(const uint8_t* data, size_t size, SoundFormat format, DecodedWav& out) const {
  out = DecodedWav{};
  if (data == nullptr || size == 0 || size > UINT_MAX) return kBassErrorFileForm;
  // The source reader's objects are free-threaded; a thread already in
  // another apartment keeps it.
  ComApartment apartment;
  try {
    ComPtr<IStream> memory;
    *memory.Receive() = SHCreateMemStream(data, static_cast<UINT>(size));
    if (!memory) return kBassErrorMem;
    ComPtr<IMFByteStream> stream;
    if (FAILED(api_->byteStreamOnStream(memory.Get(), stream.Receive()))) return kBassErrorMem;
    ComPtr<IMFAttributes> streamAttributes;
    if (SUCCEEDED(stream->QueryInterface(IID_PPV_ARGS(streamAttributes.Receive())))) {
      const SourceName name = NameOf(format);
      streamAttributes->SetString(MF_BYTESTREAM_CONTENT_TYPE, name.contentType);
      streamAttributes->SetString(MF_BYTESTREAM_ORIGIN_NAME, name.originName);
    }
    ComPtr<IMFSourceReader> reader;
    HRESULT hr = api_->readerFromByteStream(stream.Get(), nullptr, reader.Receive());
    if (FAILED(hr)) return IsMissingDecoder(hr) ? kBassErrorCodec : kBassErrorFileForm;
    const auto audio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
    reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    if (FAILED(reader->SetStreamSelection(audio, TRUE))) return kBassErrorFileForm;

    ComPtr<IMFMediaType> wanted;
    if (FAILED(api_->createMediaType(wanted.Receive()))) return kBassErrorMem;
    wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_Float);
    hr = reader->SetCurrentMediaType(audio, nullptr, wanted.Get());
    if (FAILED(hr)) return IsMissingDecoder(hr) ? kBassErrorCodec : kBassErrorFileForm;
    ComPtr<IMFMediaType> current;
    if (FAILED(reader->GetCurrentMediaType(audio, current.Receive()))) return kBassErrorFileForm;
    UINT32 channels = 0, rate = 0, bits = 0, mask = 0;
    GUID subtype{};
    current->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    current->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    current->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    current->GetGUID(MF_MT_SUBTYPE, &subtype);
    if (FAILED(current->GetUINT32(MF_MT_AUDIO_CHANNEL_MASK, &mask))) mask = 0;
    if (subtype != MFAudioFormat_Float || bits != 32) return kBassErrorCodec;
    if (channels < 1 || channels > kMaxDecodedChannels || rate < kMinRate || rate > kMaxRate) {
      return kBassErrorFormat;
    }

    const size_t maxFrames = size_t{rate} * kMaxDecodedSeconds;
    // The container's duration is a hint for the allocation only, and only
    // within the limit.
    ScopedPropVariant duration;
    if (SUCCEEDED(reader->GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION,
                                                   duration.Receive())) &&
        duration.Get().vt == VT_UI8) {
      const double frames = static_cast<double>(duration.Get().uhVal.QuadPart) * 1e-7 * rate;
      if (frames > 0 && frames < static_cast<double>(maxFrames)) {
        out.samples.reserve(static_cast<size_t>(frames + 1) * channels);
      }
    }
    size_t frames = 0;
    for (int empty = 0; frames < maxFrames && empty < kMaxEmptyReads;) {
      DWORD flags = 0;
      ComPtr<IMFSample> sample;
      if (FAILED(reader->ReadSample(audio, 0, nullptr, &flags, nullptr, sample.Receive()))) break;
      if (flags & MF_SOURCE_READERF_ERROR) break;
      // A stream that changes its layout midway ends there.
      if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) && !SameLayout(reader.Get(), channels, rate)) break;
      ComPtr<IMFMediaBuffer> buffer;
      if (!sample || FAILED(sample->ConvertToContiguousBuffer(buffer.Receive()))) {
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
        ++empty;
        continue;
      }
      empty = 0;
      LockedBuffer locked(buffer.Get());
      const auto* values = reinterpret_cast<const float*>(locked.bytes());
      const size_t got = locked.length() / sizeof(float) / channels;
      const size_t take = std::min(got, maxFrames - frames);
      const size_t at = out.samples.size();
      out.samples.resize(at + take * channels);
      // A damaged stream can decode to inf or NaN: silence instead.
      for (size_t i = 0; i < take * channels; ++i) {
        float value;
        std::memcpy(&value, values + i, sizeof value);
        out.samples[at + i] = std::isfinite(value) ? value : 0.0f;
      }
      frames += take;
      if (flags & MF_SOURCE_READERF_ENDOFSTREAM) break;
    }
    if (frames == 0) return Fail(out, kBassErrorFileForm);
    out.sampleRate = rate;
    out.channels = static_cast<uint16_t>(channels);
    out.channelMask = channels > 2 ? mask : 0;
    // FLAC of more than 16 bits is kept at full precision.
    if (format == SoundFormat::kFlac) {
      const uint32_t flacBits = FlacBitsPerSample(data, size);
      out.sixteenBits = flacBits > 0 && flacBits <= 16;
    } else {
      out.sixteenBits = true;
    }
    return kBassOk;
  } catch (const std::bad_alloc&) {
    return Fail(out, kBassErrorMem);
  }
}
