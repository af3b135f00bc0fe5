// bass.dll under Wine: a sample played at another rate than its own, placed
// between the two channels, and what the library tells of a sample's data.
// What is heard is read back from Wine's ALSA output, captured at 48 kHz.

#include "bass/bass.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bass/bass_errors.h"
#include "tests/win/audio_test_util.h"
#include "tests/win_test_util.h"

namespace {

using audiotest::Sine;
using audiotest::Stereo;

constexpr double kCaptureRate = 48000;

// The frames of a capture from the first to the last at which either
// channel passes `threshold`. Wine writes silence to ALSA when the render
// thread is late (a busy machine), so a run of more than 2 ms below the
// threshold inside a sound is such a gap, not the sound: `gapFrames` counts
// them and `longest` is the longest stretch without one.
constexpr size_t kGapFrames = 96;

struct Span {
  size_t first = 0;
  size_t last = 0;
  size_t gapFrames = 0;
  size_t longestFirst = 0;
  size_t longestLast = 0;
  size_t Frames() const { return last + 1 - first; }
  // What sounded: the span without Wine's gaps.
  size_t SoundingFrames() const { return Frames() - gapFrames; }
};

bool Sounding(const Stereo& got, double threshold, Span& span) {
  bool found = false;
  size_t stretchFirst = 0;
  for (size_t i = 0; i < got.left.size(); ++i) {
    if (std::fabs(got.left[i]) <= threshold && std::fabs(got.right[i]) <= threshold) continue;
    if (!found) {
      span = Span{i, i, 0, i, i};
      stretchFirst = i;
      found = true;
    } else if (i - span.last > kGapFrames) {
      span.gapFrames += i - span.last - 1;
      stretchFirst = i;
    }
    span.last = i;
    if (i - stretchFirst > span.longestLast - span.longestFirst) {
      span.longestFirst = stretchFirst;
      span.longestLast = i;
    }
  }
  if (span.gapFrames > 0) {
    std::printf("note: %zu frames of Wine's underrun silence inside the sound\n", span.gapFrames);
  }
  return found;
}

// The frequency of a steady tone over the longest stretch of the span
// without a gap: its upward zero crossings, placed between frames, counted
// over the time from the first to the last.
double ToneHz(const std::vector<double>& x, Span span) {
  double first = -1, last = -1;
  int cycles = -1;
  for (size_t i = span.longestFirst; i < span.longestLast; ++i) {
    if (x[i] < 0 && x[i + 1] >= 0) {
      last = static_cast<double>(i) + x[i] / (x[i] - x[i + 1]);
      if (first < 0) first = last;
      ++cycles;
    }
  }
  return cycles > 0 ? cycles * kCaptureRate / (last - first) : 0;
}

double Rms(const std::vector<double>& x, Span span) {
  return audiotest::Rms(x, span.longestFirst, span.longestLast + 1);
}

// Every frame from the first that is not silent to the last, both channels.
std::vector<std::pair<double, double>> Heard(const Stereo& got) {
  Span span;
  if (!Sounding(got, 0, span)) return {};
  std::vector<std::pair<double, double>> frames;
  for (size_t i = span.first; i <= span.last; ++i) frames.emplace_back(got.left[i], got.right[i]);
  return frames;
}

class BassSample : public ::testing::Test {
 protected:
  void TearDown() override { BASS_Free(); }

  HSAMPLE Load(const std::string& name, const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate,
               DWORD flags, DWORD max = 1) {
    std::vector<uint8_t> wav = audiotest::MakeWav(samples, channels, rate);
    std::string path = dir_ / name;
    testutil::WriteFileText(path, std::string(wav.begin(), wav.end()));
    return BASS_SampleLoad(FALSE, path.data(), 0, 0, max, flags);
  }

  testutil::TempFolder dir_;
};

// The same, heard: each test plays one sound at a time and reads it back.
class BassSampleHeard : public BassSample {
 protected:
  void SetUp() override {
    capture_ = audiotest::CapturePath();
    if (capture_.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
  }

  size_t CaptureSize() const { return audiotest::CaptureSize(capture_); }
  // What the capture holds from `mark` on, once `seconds` have been added to it.
  bool CapturedSince(size_t mark, double seconds, Stereo& got) const {
    size_t needed = mark + static_cast<size_t>(seconds * kCaptureRate) * 4;
    if (!testutil::WaitFor([&] { return CaptureSize() >= needed; }, 5000)) return false;
    got = audiotest::CapturedStereo(testutil::ReadFileFrom(capture_, mark));
    return true;
  }
  // Plays at full volume and returns the sound with `seconds` around it.
  bool Play(HSAMPLE sample, BASS_3DVECTOR* pos, int freq, double seconds, Stereo& got) const {
    size_t mark = CaptureSize();
    if (BASS_SamplePlay3DEx(sample, pos, nullptr, nullptr, 0, freq, 100, FALSE) == 0) return false;
    return CapturedSince(mark, seconds, got);
  }

  std::string capture_;
};

}  // namespace

// A quarter second of 1 kHz at 44.1 kHz, played at its own rate, 5 % above
// it and below it: the tone and its length follow the rate.
TEST_F(BassSampleHeard, AnotherRateChangesPitchAndLengthByItsRatioToTheOwn) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  const double seconds = 0.25, threshold = 0.25 * 16384;
  HSAMPLE tone = Load("tone.wav", Sine(44100, seconds, 1000, 0.5), 1, 44100, BASS_SAMPLE_3D);
  ASSERT_NE(tone, 0u) << BASS_ErrorGetCode();
  struct Case {
    int freq;
    double ratio;
  };
  for (const Case c : {Case{-1, 1.0}, Case{46305, 1.05}, Case{42000, 42000 / 44100.0}}) {
    SCOPED_TRACE(testing::Message() << "at " << c.freq << " Hz");
    Stereo got;
    ASSERT_TRUE(Play(tone, nullptr, c.freq, 0.8, got)) << BASS_ErrorGetCode();
    Span span;
    ASSERT_TRUE(Sounding(got, threshold, span));
    EXPECT_NEAR(ToneHz(got.left, span), 1000 * c.ratio, 2 * c.ratio);
    EXPECT_NEAR(static_cast<double>(span.SoundingFrames()), seconds * kCaptureRate / c.ratio, 30);
  }
}

// A long sound (a pack's sprite: more than five seconds) is kept at its own
// rate, not converted when it loads; played from a start near its end, at
// its own rate and 5 % above it, it sounds as a short one does: the start
// counts frames of its own rate, the tone and the length follow the rate.
TEST_F(BassSampleHeard, ALongSoundKeptAtItsOwnRateSoundsAsAShortOne) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  const double threshold = 0.25 * 16384;
  std::vector<int16_t> samples = Sine(44100, 5.5, 1000, 0.5);
  std::fill(samples.begin(), samples.begin() + 44100 * 5, int16_t{0});  // silent but for its last half second
  HSAMPLE sprite = Load("sprite.wav", samples, 1, 44100, BASS_SAMPLE_3D);
  ASSERT_NE(sprite, 0u) << BASS_ErrorGetCode();
  for (const double ratio : {1.0, 1.05}) {
    SCOPED_TRACE(testing::Message() << "at " << ratio << " times its rate");
    const size_t mark = CaptureSize();
    const int freq = ratio == 1.0 ? -1 : static_cast<int>(44100 * ratio);
    ASSERT_NE(BASS_SamplePlay3DEx(sprite, nullptr, nullptr, nullptr, 44100 * 5 - 4410, freq, 100, FALSE), 0u);
    Stereo got;
    ASSERT_TRUE(CapturedSince(mark, 1.2, got));
    Span span;
    ASSERT_TRUE(Sounding(got, threshold, span));
    EXPECT_NEAR(ToneHz(got.left, span), 1000 * ratio, 2 * ratio);
    // A start read at the mixer's rate would leave 0.2 s of it.
    EXPECT_NEAR(static_cast<double>(span.SoundingFrames()), 0.5 * kCaptureRate / ratio, 40);
  }
}

// Slices of a sprite (six seconds, a tone of its own in each second) load as
// samples of their own: each sounds its tone for its length, prepared
// together or asked for alone; a slice past the end is refused.
TEST_F(BassSampleHeard, SlicesOfASpriteSoundAsSoundsOfTheirOwn) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  std::vector<int16_t> sprite;
  for (int second = 0; second < 6; ++second) {
    std::vector<int16_t> tone = Sine(44100, 1.0, 500.0 * (second + 1), 0.5);
    sprite.insert(sprite.end(), tone.begin(), tone.end());
  }
  std::vector<uint8_t> wav = audiotest::MakeWav(sprite, 1, 44100);
  const std::string path = dir_ / "sprite.wav";
  testutil::WriteFileText(path, std::string(wav.begin(), wav.end()));
  const DWORD slices[] = {1100, 200, 4300, 300};
  ASSERT_TRUE(BASS_BrisoltPrepareSlices(path.c_str(), slices, 2, 0)) << BASS_ErrorGetCode();
  const struct {
    DWORD start, length;
    double hz;
  } cases[] = {{1100, 200, 1000}, {4300, 300, 2500}, {5800, 400, 3000}};  // the last one alone, cut at the end
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "slice from " << c.start << " ms");
    HSAMPLE slice = BASS_BrisoltSampleLoadSlice(path.c_str(), c.start, c.length, 1, BASS_SAMPLE_3D);
    ASSERT_NE(slice, 0u) << BASS_ErrorGetCode();
    BASS_BRISOLT_SAMPLEINFO info{};
    info.size = sizeof info;
    ASSERT_TRUE(BASS_BrisoltGetSampleInfo(slice, &info));
    const double seconds = std::min<double>(c.length, 6000 - c.start) / 1000;
    EXPECT_EQ(info.lengthMs, static_cast<DWORD>(seconds * 1000));
    Stereo got;
    ASSERT_TRUE(Play(slice, nullptr, -1, seconds + 0.5, got)) << BASS_ErrorGetCode();
    Span span;
    ASSERT_TRUE(Sounding(got, 0.25 * 16384, span));
    EXPECT_NEAR(ToneHz(got.left, span), c.hz, 3);
    EXPECT_NEAR(static_cast<double>(span.SoundingFrames()), seconds * kCaptureRate, 40);
    BASS_SampleFree(slice);
  }
  EXPECT_EQ(BASS_BrisoltSampleLoadSlice(path.c_str(), 6000, 100, 1, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorIllegalParam));
  EXPECT_EQ(BASS_BrisoltSampleLoadSlice(path.c_str(), 100, 0, 1, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorIllegalParam));
}

// A voice at another rate plays to its end while other voices of the same
// sample, each at a rate of its own, come and go beside it: every voice reads
// the one shared data at its own pace.
TEST_F(BassSampleHeard, AVoiceAtAnotherRatePlaysToItsEndBesideOthers) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  const double seconds = 1.0;
  const size_t frames = 44100;
  HSAMPLE tone = Load("tone.wav", Sine(44100, seconds, 1000, 0.5), 1, 44100, BASS_SAMPLE_3D, 8);
  ASSERT_NE(tone, 0u);
  auto soundsStarted = [] {
    BASS_BRISOLT_LATENCY figures{};
    figures.size = sizeof figures;
    return BASS_BrisoltGetLatency(&figures) ? figures.voices : 0;
  };
  size_t mark = CaptureSize();
  ASSERT_NE(BASS_SamplePlay3DEx(tone, nullptr, nullptr, nullptr, 0, 46305, 100, FALSE), 0u);
  for (int freq = 40000; freq < 40010; ++freq) {
    // Silent, and only the last few frames: each has reached the device, and
    // so ended, before the next starts.
    DWORD started = soundsStarted();
    EXPECT_NE(BASS_SamplePlay3DEx(tone, nullptr, nullptr, nullptr, frames - 20, freq, 0, FALSE), 0u) << freq;
    EXPECT_TRUE(testutil::WaitFor([&] { return soundsStarted() > started; }, 2000)) << freq;
  }
  Stereo got;
  ASSERT_TRUE(CapturedSince(mark, seconds + 0.5, got));
  Span span;
  ASSERT_TRUE(Sounding(got, 0.25 * 16384, span));
  EXPECT_NEAR(ToneHz(got.left, span), 1050, 2.1);
  EXPECT_NEAR(static_cast<double>(span.SoundingFrames()), seconds * kCaptureRate / 1.05, 30);
}

TEST_F(BassSample, RatesOutsideOneHundredToTwoHundredThousandAreRefused) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  HSAMPLE blip = Load("blip.wav", Sine(44100, 0.01, 1000, 0.5), 1, 44100, BASS_SAMPLE_3D, 16);
  ASSERT_NE(blip, 0u);
  for (int freq : {99, 200001, -2, INT_MIN, INT_MAX}) {
    EXPECT_EQ(BASS_SamplePlay3DEx(blip, nullptr, nullptr, nullptr, 0, freq, 0, FALSE), 0u) << freq;
    EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorIllegalParam)) << freq;
  }
  for (int freq : {100, 200000, 0, -1, 44100, 88200}) {
    EXPECT_NE(BASS_SamplePlay3DEx(blip, nullptr, nullptr, nullptr, 0, freq, 0, FALSE), 0u) << freq;
    EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassOk)) << freq;
  }
  EXPECT_TRUE(BASS_SampleStop(blip));

  // Two seconds at 100 Hz from 48 kHz last sixteen minutes, and need no
  // memory of their own: the voice reads the sample's data slowly.
  HSAMPLE longer = Load("long.wav", Sine(48000, 2.0, 1000, 0.5), 1, 48000, BASS_SAMPLE_3D);
  ASSERT_NE(longer, 0u);
  EXPECT_NE(BASS_SamplePlay3DEx(longer, nullptr, nullptr, nullptr, 0, 100, 0, FALSE), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassOk));
  EXPECT_TRUE(BASS_SampleStop(longer));
}

// A balance: at -0.6 the right channel sounds at 0.4 of the left, which keeps
// the level of an unplaced play; at the centre, or with no position, the
// frames are exactly those of an unplaced play at the sample's own rate.
TEST_F(BassSampleHeard, APositionTurnsTheFarSideDownAndTheCentreChangesNothing) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  const std::vector<int16_t> sine = Sine(48000, 0.2, 1000, 0.5);
  HSAMPLE placed = Load("placed.wav", sine, 1, 48000, BASS_SAMPLE_3D);
  HSAMPLE unplaced = Load("unplaced.wav", sine, 1, 48000, 0);
  ASSERT_NE(placed, 0u);
  ASSERT_NE(unplaced, 0u);
  const double threshold = 0.1 * 16384;
  Stereo reference;
  ASSERT_TRUE(Play(placed, nullptr, -1, 0.7, reference));
  Span span;
  ASSERT_TRUE(Sounding(reference, threshold, span));
  const double level = Rms(reference.left, span);
  EXPECT_NEAR(Rms(reference.right, span) / level, 1.0, 1e-9);

  BASS_3DVECTOR left{-0.6f, 0.0f, 0.0f}, right{0.6f, 0.0f, 0.0f}, centre{0.0f, 0.0f, 0.0f};
  Stereo got;
  ASSERT_TRUE(Play(placed, &left, -1, 0.7, got));
  ASSERT_TRUE(Sounding(got, threshold, span));
  EXPECT_NEAR(Rms(got.right, span) / Rms(got.left, span), 0.4, 0.005);
  EXPECT_NEAR(Rms(got.left, span) / level, 1.0, 0.005) << "the near side keeps its level";
  ASSERT_TRUE(Play(placed, &right, -1, 0.7, got));
  ASSERT_TRUE(Sounding(got, threshold, span));
  EXPECT_NEAR(Rms(got.left, span) / Rms(got.right, span), 0.4, 0.005);

  ASSERT_TRUE(Play(unplaced, &left, -1, 0.7, got));
  ASSERT_TRUE(Sounding(got, threshold, span));
  EXPECT_EQ(got.left, got.right) << "a sample loaded without BASS_SAMPLE_3D is not placed";

  const auto heard = Heard(reference);
  struct Same {
    const char* what;
    BASS_3DVECTOR* pos;
    int freq;
  };
  for (const Same s : {Same{"at the centre", &centre, -1}, Same{"at its own rate given", nullptr, 48000},
                       Same{"at the centre, rate 0", &centre, 0}}) {
    ASSERT_TRUE(Play(placed, s.pos, s.freq, 0.7, got)) << s.what;
    const auto frames = Heard(got);
    EXPECT_EQ(frames.size(), heard.size()) << s.what;
    EXPECT_TRUE(frames == heard) << s.what;
  }
}

// Half a second of stereo at 44.1 kHz, the library at 48 kHz: the right
// channel loudest in the first half, the left in the second.
TEST_F(BassSample, InfoAndOutlineDescribeTheFileAtItsOwnRate) {
  ASSERT_TRUE(BASS_Init(0, 48000, 0, nullptr, nullptr));
  const size_t frames = 22050, half = frames / 2;  // the middle falls on a zero crossing of the tone
  const std::vector<int16_t> sine = Sine(44100, 0.5, 1000, 1.0);
  std::vector<int16_t> samples;
  for (size_t i = 0; i < frames; ++i) {
    samples.push_back(static_cast<int16_t>(std::lround((i < half ? 0.3 : 0.2) * sine[i])));
    samples.push_back(static_cast<int16_t>(std::lround((i < half ? -0.6 : 0.1) * sine[i])));
  }
  HSAMPLE sample = Load("stereo.wav", samples, 2, 44100, 0);
  ASSERT_NE(sample, 0u) << BASS_ErrorGetCode();

  BASS_BRISOLT_SAMPLEINFO info{};
  info.size = sizeof info;
  ASSERT_TRUE(BASS_BrisoltGetSampleInfo(sample, &info));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassOk));
  EXPECT_EQ(info.size, sizeof info);
  EXPECT_EQ(info.freq, 44100u);
  EXPECT_EQ(info.frames, frames);
  EXPECT_EQ(info.lengthMs, 500u);
  EXPECT_NEAR(info.peak, 0.6f, 0.01f);

  // Two values per column, and nothing written past them.
  std::vector<float> lowHigh(2 * 10 + 2, 99.0f);
  ASSERT_TRUE(BASS_BrisoltGetSampleOutline(sample, lowHigh.data(), 10));
  for (size_t c = 0; c < 10; ++c) {
    const float level = c < 5 ? 0.6f : 0.2f;
    EXPECT_NEAR(lowHigh[2 * c], -level, 0.01f) << "column " << c;
    EXPECT_NEAR(lowHigh[2 * c + 1], level, 0.01f) << "column " << c;
  }
  EXPECT_EQ(lowHigh[20], 99.0f);
  EXPECT_EQ(lowHigh[21], 99.0f);
  float whole[2];
  ASSERT_TRUE(BASS_BrisoltGetSampleOutline(sample, whole, 1));
  EXPECT_NEAR(whole[0], -0.6f, 0.01f);
  EXPECT_NEAR(whole[1], 0.6f, 0.01f);

  // The length in milliseconds is rounded: 1004 frames at 8 kHz are 125.5 ms.
  std::vector<int16_t> blip = Sine(8000, 1.0, 500, 1.0);
  blip.resize(1004);
  HSAMPLE shorter = Load("short.wav", blip, 1, 8000, 0);
  ASSERT_TRUE(BASS_BrisoltGetSampleInfo(shorter, &info));
  EXPECT_EQ(info.freq, 8000u);
  EXPECT_EQ(info.frames, 1004u);
  EXPECT_EQ(info.lengthMs, 126u);
  EXPECT_NEAR(info.peak, 1.0f, 0.01f);
}

// An Ogg Vorbis file is told by its content, whatever its name, from a file
// and from memory; it is described at its own rate, and heard as its tone.
TEST_F(BassSampleHeard, AnOggVorbisFileLoadsByItsContentAndIsHeard) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  const std::string ogg = testutil::ReadFileText(std::string(BRISOLT_TEST_FIXTURES) + "\\tone.ogg");
  ASSERT_GT(ogg.size(), 1000u);
  const std::string named = dir_ / "looks like a wave.wav";
  testutil::WriteFileText(named, ogg);
  HSAMPLE fromFile = BASS_SampleLoad(FALSE, const_cast<char*>(named.c_str()), 0, 0, 1, 0);
  ASSERT_NE(fromFile, 0u) << BASS_ErrorGetCode();
  HSAMPLE fromMemory = BASS_SampleLoad(TRUE, const_cast<char*>(ogg.data()), 0, static_cast<DWORD>(ogg.size()), 1, 0);
  ASSERT_NE(fromMemory, 0u) << BASS_ErrorGetCode();
  for (HSAMPLE sample : {fromFile, fromMemory}) {
    BASS_BRISOLT_SAMPLEINFO info{};
    info.size = sizeof info;
    ASSERT_TRUE(BASS_BrisoltGetSampleInfo(sample, &info));
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.frames, 11025u);
    EXPECT_NEAR(info.peak, 0.5f, 0.02f);
  }
  Stereo got;
  ASSERT_TRUE(Play(fromFile, nullptr, -1, 0.6, got)) << BASS_ErrorGetCode();
  Span span;
  ASSERT_TRUE(Sounding(got, 0.25 * 16384, span));
  EXPECT_NEAR(ToneHz(got.left, span), 1000, 2);
  EXPECT_NEAR(static_cast<double>(span.SoundingFrames()), 0.25 * kCaptureRate, 30);

  // Cut in half, it gives its first part or an error, and the library goes on.
  const std::string half = ogg.substr(0, ogg.size() / 2);
  HSAMPLE cut = BASS_SampleLoad(TRUE, const_cast<char*>(half.data()), 0, static_cast<DWORD>(half.size()), 1, 0);
  EXPECT_TRUE(cut != 0 || BASS_ErrorGetCode() == static_cast<DWORD>(kBassErrorFileForm));
  // Not a sound of any kind: "not a file of a format it reads".
  const std::string text = "OggS, but only in words";
  EXPECT_EQ(BASS_SampleLoad(TRUE, const_cast<char*>(text.data()), 0, static_cast<DWORD>(text.size()), 1, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFileForm));
  EXPECT_NE(BASS_SamplePlay3DEx(fromMemory, nullptr, nullptr, nullptr, 0, -1, 0, FALSE), 0u);
}

// MP3, AAC and FLAC load through Windows' decoders by their content,
// whatever their names, are described at their own rate and are heard. On a
// Windows without those decoders (an N edition without the Media Feature
// Pack) they give error 44, and WAV and Ogg files still load.
TEST_F(BassSampleHeard, Mp3AacAndFlacLoadThroughWindowsAndWithoutItGiveError44) {
  const std::string fixtures = std::string(BRISOLT_TEST_FIXTURES) + "\\";
  const std::string mp3 = testutil::ReadFileText(fixtures + "sweep.mp3");
  const std::string ogg = testutil::ReadFileText(fixtures + "tone.ogg");
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", "1");
  SetEnvironmentVariableA("BRISOLT_TEST_NO_MEDIA_FOUNDATION", "1");
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  EXPECT_EQ(BASS_SampleLoad(TRUE, const_cast<char*>(mp3.data()), 0, static_cast<DWORD>(mp3.size()), 1, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorCodec));
  EXPECT_NE(BASS_SampleLoad(TRUE, const_cast<char*>(ogg.data()), 0, static_cast<DWORD>(ogg.size()), 1, 0), 0u);
  BASS_Free();
  SetEnvironmentVariableA("BRISOLT_TEST_NO_MEDIA_FOUNDATION", nullptr);
  SetEnvironmentVariableA("BRISOLT_TEST_SEAMS", nullptr);

  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  const struct {
    const char* file;
    DWORD rate;
    DWORD frames;
    DWORD slack;
    float peakSlack;  // AAC overshoots at the sweep's sudden start
  } files[] = {{"sweep.mp3", 44100, 22050, 0, 0.05f}, {"sweep.m4a", 44100, 22050, 2112, 0.3f},
               {"sweep.flac", 44100, 22050, 0, 0.05f}, {"sweep24.flac", 48000, 24000, 0, 0.05f}};
  HSAMPLE first = 0;
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    const std::string named = dir_ / (std::string("looks like a wave ") + f.file + ".wav");
    testutil::WriteFileText(named, testutil::ReadFileText(fixtures + f.file));
    HSAMPLE sample = BASS_SampleLoad(FALSE, const_cast<char*>(named.c_str()), 0, 0, 1, 0);
    ASSERT_NE(sample, 0u) << BASS_ErrorGetCode();
    if (!first) first = sample;
    BASS_BRISOLT_SAMPLEINFO info{};
    info.size = sizeof info;
    ASSERT_TRUE(BASS_BrisoltGetSampleInfo(sample, &info));
    EXPECT_EQ(info.freq, f.rate);
    EXPECT_NEAR(static_cast<double>(info.frames), f.frames, f.slack);
    EXPECT_NEAR(info.peak, 0.5f, f.peakSlack);
  }
  Stereo got;
  ASSERT_TRUE(Play(first, nullptr, -1, 0.8, got)) << BASS_ErrorGetCode();
  Span span;
  ASSERT_TRUE(Sounding(got, 0.25 * 16384, span));
  EXPECT_NEAR(static_cast<double>(span.SoundingFrames()), 0.5 * kCaptureRate, 200);
}

TEST_F(BassSample, InfoAndOutlineErrors) {
  BASS_BRISOLT_SAMPLEINFO info{}, small{};
  info.size = sizeof info;
  small.size = sizeof small - 1;
  float lowHigh[8];
  HSAMPLE sample = 0x10001, freed = 0x10002;  // before BASS_Init, any handle
  struct Call {
    const char* what;
    std::function<BOOL()> call;
    int error;
  };
  const std::vector<Call> calls = {
      {"info", [&] { return BASS_BrisoltGetSampleInfo(sample, &info); }, kBassOk},
      {"outline", [&] { return BASS_BrisoltGetSampleOutline(sample, lowHigh, 4); }, kBassOk},
      {"info of a freed sample", [&] { return BASS_BrisoltGetSampleInfo(freed, &info); }, kBassErrorHandle},
      {"outline of a freed sample", [&] { return BASS_BrisoltGetSampleOutline(freed, lowHigh, 4); }, kBassErrorHandle},
      {"no struct", [&] { return BASS_BrisoltGetSampleInfo(sample, nullptr); }, kBassErrorIllegalParam},
      {"too small a struct", [&] { return BASS_BrisoltGetSampleInfo(sample, &small); }, kBassErrorIllegalParam},
      {"no array", [&] { return BASS_BrisoltGetSampleOutline(sample, nullptr, 4); }, kBassErrorIllegalParam},
      {"no columns", [&] { return BASS_BrisoltGetSampleOutline(sample, lowHigh, 0); }, kBassErrorIllegalParam},
  };
  for (const Call& c : calls) {
    EXPECT_FALSE(c.call()) << "before BASS_Init: " << c.what;
    EXPECT_EQ(static_cast<int>(BASS_ErrorGetCode()), kBassErrorInit) << c.what;
  }

  ASSERT_TRUE(BASS_Init(0, 48000, 0, nullptr, nullptr));
  sample = Load("a.wav", Sine(48000, 0.05, 1000, 0.5), 1, 48000, 0);
  freed = Load("b.wav", Sine(48000, 0.05, 1000, 0.5), 1, 48000, 0);
  ASSERT_NE(sample, 0u);
  ASSERT_TRUE(BASS_SampleFree(freed));
  for (const Call& c : calls) {
    EXPECT_EQ(c.call(), c.error == kBassOk) << c.what;
    EXPECT_EQ(static_cast<int>(BASS_ErrorGetCode()), c.error) << c.what;
  }
}
