#pragma once
// What the library keeps of decoded sounds, apart from playing them: the
// decode cache, and the figures a sample is described by (peak, outline).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bass/dsp.h"

// Decoded data converted to the mixer's rate, interleaved stereo, kept at
// 16 bits where the source had no more precision (every lossy format: a
// 40-second stereo sprite takes 7.7 MB instead of 15) and in float otherwise.
class StereoSamples {
 public:
  // Made from float data; 16-bit data is rounded, beyond full scale clipped.
  StereoSamples(std::vector<float> stereo, bool sixteenBits);
  size_t Frames() const { return (wide_.size() + narrow_.size()) / 2; }
  size_t Bytes() const { return wide_.size() * sizeof(float) + narrow_.size() * sizeof(int16_t); }
  // What the mixer's voices read.
  SampleFrames View() const { return {wide_.empty() ? nullptr : wide_.data(), narrow_.data(), Frames()}; }
  bool SixteenBits() const { return !narrow_.empty(); }

 private:
  std::vector<float> wide_;
  std::vector<int16_t> narrow_;
};

// Immutable once made, shared by the cache and every sample loaded from it.
using StereoData = std::shared_ptr<const StereoSamples>;

// A file's decoded data and what identifies the file it came from.
struct CachedDecode {
  std::wstring key;  // the path as given, upper-cased by the caller
  uint64_t size = 0;
  uint64_t writeTime = 0;
  StereoData stereo;
  uint32_t ownRate = 0;
  size_t ownFrames = 0;
  uint32_t dataRate = 0;  // the rate the data is kept at
};

// Recently decoded files, kept so that loading the same file again costs no
// decode: a key sound is loaded each time its scheme becomes current and at
// every preview. Keyed by path, size and last-write time, so an edited file
// is decoded afresh. Holds at most `budgetBytes` of data, but always the
// most recent entry; the least recently used go first.
class DecodeCache {
 public:
  explicit DecodeCache(size_t budgetBytes) : budget_(budgetBytes) {}

  // The entry for this file as it is now, made the most recently used; null
  // when it is not kept (or the file changed since).
  const CachedDecode* Find(const std::wstring& key, uint64_t size, uint64_t writeTime);
  // Keeps `entry` in place of any earlier one of the same path.
  void Remember(CachedDecode entry);
  void Clear() { entries_.clear(); }
  size_t Bytes() const;
  size_t Count() const { return entries_.size(); }

 private:
  size_t budget_;
  std::vector<CachedDecode> entries_;  // most recently used last
};

// The highest absolute value of either channel, at most full scale; NaN is
// passed over.
float Peak(const std::vector<float>& stereo);
float Peak(const StereoSamples& stereo);

// For each of `columns` equal parts of interleaved stereo data, the lowest
// and the highest value of either channel, within full scale, into
// lowHigh[2 * column] and lowHigh[2 * column + 1]. A part shorter than a
// frame shows the frame it begins in; data without frames is silence.
void Outline(const std::vector<float>& stereo, float* lowHigh, size_t columns);
void Outline(const StereoSamples& stereo, float* lowHigh, size_t columns);
