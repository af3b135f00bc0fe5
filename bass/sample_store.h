#pragma once
// What the library keeps of decoded sounds, apart from playing them: the
// decode cache, and the figures a sample is described by (peak, outline).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Decoded data converted to the mixer's rate, interleaved stereo; immutable
// once made, shared by the cache and every sample loaded from it.
using StereoData = std::shared_ptr<const std::vector<float>>;

// A file's decoded data and what identifies the file it came from.
struct CachedDecode {
  std::wstring key;  // the path as given, upper-cased by the caller
  uint64_t size = 0;
  uint64_t writeTime = 0;
  StereoData stereo;
  uint32_t ownRate = 0;
  size_t ownFrames = 0;
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

// For each of `columns` equal parts of interleaved stereo data, the lowest
// and the highest value of either channel, within full scale, into
// lowHigh[2 * column] and lowHigh[2 * column + 1]. A part shorter than a
// frame shows the frame it begins in; data without frames is silence.
void Outline(const std::vector<float>& stereo, float* lowHigh, size_t columns);
