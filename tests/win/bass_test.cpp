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
#include "tests/win/audio_test_util.h"
#include "tests/win_test_util.h"

namespace {

using audiotest::Chirp;
using audiotest::MakeWav;

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

  // Loads of the same file are served from memory, but never a stale one: a
  // file replaced by something else is read again.
  std::string changing = WriteTemp(dir_, "changing.wav", MakeWav(Chirp(8000, 0.05), 1, 8000));
  HSAMPLE first = load(changing);
  EXPECT_NE(first, 0u);
  EXPECT_NE(load(changing), 0u);
  testutil::WriteFileText(changing, "Replaced by words.");
  EXPECT_EQ(load(changing), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFileForm));
  DeleteFileA(changing.c_str());
  EXPECT_EQ(load(changing), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), static_cast<DWORD>(kBassErrorFileOpen));

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

TEST_F(Bass, PlayedSampleReachesTheDeviceIntact) {
  std::string capture = audiotest::CapturePath();
  if (capture.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
  // Wine's ALSA sink runs at 48 kHz; a sample at that rate passes unresampled.
  std::vector<int16_t> chirp = Chirp(48000, 0.25);
  std::string path = WriteTemp(dir_, "chirp.wav", MakeWav(chirp, 1, 48000));
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  HSAMPLE sample = BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
  ASSERT_NE(sample, 0u);
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp, capture), 40.0);
  BASS_SampleFree(sample);
}
