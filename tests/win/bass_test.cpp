// bass.dll under Wine: devices, error codes, and what a played sample sounds like
// at the end of the chain (Wine's ALSA output, captured to a file).

#include "bass/bass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bass/bass_errors.h"
#include "tests/win_test_util.h"

namespace {

// A 16-bit PCM WAV image.
std::vector<uint8_t> MakeWav(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate,
                             uint16_t formatTag = 1) {
  std::vector<uint8_t> out;
  auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  auto put16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i))); };
  uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(36 + dataBytes);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(16);
  put16(formatTag);
  put16(channels);
  put32(rate);
  put32(rate * channels * 2);
  put16(static_cast<uint16_t>(channels * 2));
  put16(16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(dataBytes);
  for (int16_t s : samples) put16(static_cast<uint16_t>(s));
  return out;
}

// A recognisable mono signal: a rising chirp under a fade in and out.
std::vector<int16_t> Chirp(uint32_t rate, double seconds) {
  size_t n = static_cast<size_t>(rate * seconds);
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / rate;
    double f = 300 + 2500 * t / seconds;
    double envelope = std::sin(3.14159265358979 * static_cast<double>(i) / static_cast<double>(n));
    s[i] = static_cast<int16_t>(std::lround(20000 * envelope * std::sin(2 * 3.14159265358979 * f * t)));
  }
  return s;
}

std::string WriteTemp(const testutil::TempFolder& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = dir / name;
  testutil::WriteFileText(path, std::string(bytes.begin(), bytes.end()));
  return path;
}

class Bass : public ::testing::Test {
 protected:
  void TearDown() override { BASS_Free(); }
  testutil::TempFolder dir_;
};

}  // namespace

TEST_F(Bass, DeviceListStartsWithNoSound) {
  EXPECT_EQ(BASS_GetVersion(), 2u);
  const char* first = BASS_GetDeviceDescription(0);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "No sound");
  DWORD count = 1;
  while (BASS_GetDeviceDescription(count)) {
    EXPECT_GT(std::strlen(BASS_GetDeviceDescription(count)), 0u);
    ++count;
  }
  EXPECT_GE(count, 2u) << "Wine offers at least its ALSA output";
  EXPECT_EQ(BASS_GetDeviceDescription(count + 5), nullptr);
  // The same order on every reading.
  std::string second = BASS_GetDeviceDescription(1);
  BASS_GetDeviceDescription(0);
  EXPECT_EQ(second, BASS_GetDeviceDescription(1));
}

TEST_F(Bass, EveryCallBeforeInitFailsWithInit) {
  std::string path = WriteTemp(dir_, "a.wav", MakeWav(Chirp(8000, 0.05), 1, 8000));
  EXPECT_EQ(BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorInit));
  EXPECT_FALSE(BASS_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorInit));
  DWORD env;
  EXPECT_FALSE(BASS_GetEAXParameters(&env, nullptr, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorInit));
  EXPECT_FALSE(BASS_SampleFree(0x10001));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorInit));
}

TEST_F(Bass, InitOnEachKindOfDevice) {
  for (int device : {0, 1, -1}) {
    ASSERT_TRUE(BASS_Init(device, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << device << " " << BASS_ErrorGetCode();
    EXPECT_FALSE(BASS_Init(device, 44100, BASS_DEVICE_3D, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorAlready));

    // The no-sound device takes every call and has no environmental effects.
    std::string path = WriteTemp(dir_, "a.wav", MakeWav(Chirp(22050, 0.1), 1, 22050));
    HSAMPLE sample = BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
    ASSERT_NE(sample, 0u) << BASS_ErrorGetCode();
    BASS_3DVECTOR zero{0, 0, 0};
    EXPECT_NE(BASS_SamplePlay3DEx(sample, &zero, &zero, &zero, 0, -1, 50, FALSE), 0u);
    EXPECT_TRUE(BASS_SampleStop(sample));
    EXPECT_TRUE(BASS_SampleFree(sample));
    DWORD env = 99;
    float vol = -1, decay = -1, damp = -1;
    BOOL eax = BASS_GetEAXParameters(&env, &vol, &decay, &damp);
    if (device == 0) {
      EXPECT_FALSE(eax);
      EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorNoEax));
      EXPECT_FALSE(BASS_SetEAXParameters(8, 0.5f, 2.886f, 1.304f));
      EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorNoEax));
    } else {
      EXPECT_TRUE(eax);
      EXPECT_TRUE(BASS_SetEAXParameters(8, 0.5f, 2.886f, 1.304f));
      ASSERT_TRUE(BASS_GetEAXParameters(&env, &vol, &decay, &damp));
      EXPECT_EQ(env, 8u);
      EXPECT_FLOAT_EQ(vol, 0.5f);
      EXPECT_FLOAT_EQ(decay, 2.886f);
      EXPECT_FLOAT_EQ(damp, 1.304f);
      // "Off": environment 0 with everything 0 is accepted; the decay stays in range.
      EXPECT_TRUE(BASS_SetEAXParameters(0, 0, 0, 0));
      ASSERT_TRUE(BASS_GetEAXParameters(&env, &vol, &decay, &damp));
      EXPECT_EQ(vol, 0.0f);
      EXPECT_GE(decay, 0.1f);
    }
    EXPECT_TRUE(BASS_Free());
  }
  EXPECT_FALSE(BASS_Init(-2, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorDevice));
  EXPECT_FALSE(BASS_Init(1000, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorDevice));
}

TEST_F(Bass, LoadAndPlayErrorCodes) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  auto load = [](std::string path, DWORD max = 1) {
    return BASS_SampleLoad(FALSE, path.data(), 0, 0, max, BASS_SAMPLE_3D);
  };
  EXPECT_EQ(load(dir_ / "missing.wav"), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFileOpen));
  EXPECT_EQ(load(dir_.Path()), 0u);  // a folder is no file
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFileOpen));
  testutil::WriteFileText(dir_ / "notes.txt", "This is not a sound at all, only some words.");
  EXPECT_EQ(load(dir_ / "notes.txt"), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFileForm));
  EXPECT_EQ(load(WriteTemp(dir_, "mp3.wav", MakeWav(Chirp(8000, 0.05), 1, 8000, 0x55))), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFormat));
  std::string good = WriteTemp(dir_, "good.wav", MakeWav(Chirp(44100, 1.0), 1, 44100));
  EXPECT_EQ(load(good, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorIllegalParam));

  // From memory, too.
  std::vector<uint8_t> image = MakeWav(Chirp(8000, 0.05), 1, 8000);
  HSAMPLE fromMemory = BASS_SampleLoad(TRUE, image.data(), 0, static_cast<DWORD>(image.size()), 1, 0);
  EXPECT_NE(fromMemory, 0u);
  EXPECT_TRUE(BASS_SampleFree(fromMemory));
  EXPECT_FALSE(BASS_SampleFree(fromMemory));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorHandle));
  EXPECT_EQ(BASS_SamplePlay3DEx(fromMemory, nullptr, nullptr, nullptr, 0, -1, 100, FALSE), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorHandle));

  // max = 1: a second playback while the first sounds is refused; once the
  // first is stopped (and faded out), the sample plays again.
  HSAMPLE once = load(good);
  ASSERT_NE(once, 0u);
  EXPECT_NE(BASS_SamplePlay3DEx(once, nullptr, nullptr, nullptr, 0, -1, 10, FALSE), 0u);
  EXPECT_EQ(BASS_SamplePlay3DEx(once, nullptr, nullptr, nullptr, 0, -1, 10, FALSE), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorNoChannel));
  EXPECT_TRUE(BASS_SampleStop(once));
  EXPECT_TRUE(testutil::WaitFor(
      [&] { return BASS_SamplePlay3DEx(once, nullptr, nullptr, nullptr, 0, -1, 10, FALSE) != 0; }, 3000));
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassOk));
  EXPECT_TRUE(BASS_SampleFree(once));
}

namespace {

std::string CapturePath() {
  const char* unix = std::getenv("BRISOLT_CAPTURE");
  if (!unix) return "";
  std::string path = std::string("Z:") + unix;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Mono view of captured 16-bit stereo frames.
std::vector<double> CapturedMono(const std::string& bytes) {
  std::vector<double> mono(bytes.size() / 4);
  for (size_t i = 0; i < mono.size(); ++i) {
    int16_t l, r;
    std::memcpy(&l, bytes.data() + 4 * i, 2);
    std::memcpy(&r, bytes.data() + 4 * i + 2, 2);
    mono[i] = (l + r) / 2.0;
  }
  return mono;
}

}  // namespace

TEST_F(Bass, PlayedSampleReachesTheDeviceIntact) {
  std::string capture = CapturePath();
  if (capture.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
  // Wine's ALSA sink runs at 48 kHz; a sample at that rate passes unresampled.
  std::vector<int16_t> chirp = Chirp(48000, 0.25);
  std::string path = WriteTemp(dir_, "chirp.wav", MakeWav(chirp, 1, 48000));
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  HSAMPLE sample = BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
  ASSERT_NE(sample, 0u);
  size_t before = testutil::ReadFileText(capture).size();
  ASSERT_NE(BASS_SamplePlay3DEx(sample, nullptr, nullptr, nullptr, 0, -1, 100, FALSE), 0u);
  // Wait until the whole chirp (plus some) has been written out.
  size_t needed = before + chirp.size() * 4 + 48000 * 4 / 5;
  ASSERT_TRUE(testutil::WaitFor([&] { return testutil::ReadFileText(capture).size() >= needed; }, 5000))
      << "captured " << testutil::ReadFileText(capture).size() - before << " bytes";
  std::string all = testutil::ReadFileText(capture);
  std::vector<double> got = CapturedMono(all.substr(before - before % 4));

  // Find the chirp by its energy onset, then compare sample by sample.
  size_t best = 0;
  double bestScore = -1;
  for (size_t offset = 0; offset + chirp.size() <= got.size(); offset += 1) {
    double dot = 0;
    for (size_t i = 0; i < chirp.size(); i += 8) dot += got[offset + i] * chirp[i];
    if (dot > bestScore) {
      bestScore = dot;
      best = offset;
    }
  }
  double error = 0, energy = 0;
  for (size_t i = 0; i < chirp.size(); ++i) {
    double d = got[best + i] - chirp[i];
    error += d * d;
    energy += static_cast<double>(chirp[i]) * chirp[i];
  }
  double snr = 10 * std::log10(energy / std::max(error, 1e-9));
  EXPECT_GT(snr, 40.0) << "at offset " << best;
  BASS_SampleFree(sample);
}
