#pragma once
// MP3, AAC (MP4/M4A) and FLAC through Windows' own decoders (Media
// Foundation). Its DLLs are loaded at run time: an N edition of Windows
// without the Media Feature Pack has none, and the library must still load
// there and play everything else.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/scoped_win.h"
#include "bass/sound_format.h"
#include "bass/wav_decoder.h"

class MediaFoundation {
 public:
  // Loads and starts Media Foundation: kBassOk, or kBassErrorCodec (44) when
  // this Windows has none.
  static int Start(std::unique_ptr<MediaFoundation>& out);
  ~MediaFoundation();
  MediaFoundation(const MediaFoundation&) = delete;
  MediaFoundation& operator=(const MediaFoundation&) = delete;

  // Decodes a whole file image of `format` (kMp3, kMp4 or kFlac) to float
  // samples at the file's own rate, at most ten minutes. kBassOk, or
  // kBassErrorFileForm (41) for data the decoders cannot read,
  // kBassErrorCodec (44) when no decoder for it is installed,
  // kBassErrorFormat (6) for a layout beyond the library's limits,
  // kBassErrorMem (1). A stream that breaks off gives what decoded before.
  int Decode(const uint8_t* data, size_t size, SoundFormat format, DecodedWav& out) const;

  struct Api;

 private:
  MediaFoundation() = default;
  ScopedLibrary platform_;
  ScopedLibrary readWrite_;
  std::unique_ptr<Api> api_;
};
