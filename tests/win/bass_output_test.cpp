// The output stream seen from inside the library (linked in, not as the DLL):
// its life follows activity, it follows the endpoint the user chose, and it
// comes back from failures; what Wine cannot do to it is done through the
// output's own seams.

#include "bass/test_hooks_win.h"

#include <gtest/gtest.h>

#include <audioclient.h>

#include <algorithm>
#include <cmath>

#include "tests/win/audio_test_util.h"

namespace {

class BassOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    capture_ = audiotest::CapturePath();
    if (capture_.empty()) GTEST_SKIP() << "BRISOLT_CAPTURE is not set (run through scripts/wine-env.sh)";
    chirp_ = audiotest::Chirp(48000, 0.25);
    WriteWav("chirp.wav", chirp_);
    std::vector<int16_t> tone(48000);  // one second at a steady level
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(i % 48 < 24 ? 8000 : -8000);
    WriteWav("tone.wav", tone);
  }
  void TearDown() override {
    BASS_Free();
    SetOutputTimingsForTests(60000, 600000);
  }
  void WriteWav(const char* name, const std::vector<int16_t>& samples) {
    std::vector<uint8_t> wav = audiotest::MakeWav(samples, 1, 48000);
    testutil::WriteFileText(dir_ / name, std::string(wav.begin(), wav.end()));
  }
  HSAMPLE Load(const char* name) {
    std::string path = dir_ / name;
    return BASS_SampleLoad(FALSE, path.data(), 0, 0, 1, BASS_SAMPLE_3D);
  }
  size_t CaptureSize() const { return audiotest::CaptureSize(capture_); }
  // Frames of the capture since `from` that are loud (the steady tone).
  size_t LoudFramesSince(size_t from) const {
    std::vector<double> got = audiotest::CapturedMono(testutil::ReadFileFrom(capture_, from));
    size_t loud = 0;
    for (double x : got) loud += std::fabs(x) > 2000;
    return loud;
  }
  // Plays the one-second tone and waits until most of it has been heard.
  bool ToneHeardDespite(HSAMPLE tone, void (*fault)()) {
    // The tone plays on one channel, which the render thread frees a moment
    // after the last one was cut.
    size_t before = CaptureSize();
    if (!testutil::WaitFor([&] { return BASS_SamplePlay3DEx(tone, nullptr, nullptr, nullptr, 0, -1, 100, FALSE) != 0; },
                           2000)) {
      return false;
    }
    if (!testutil::WaitFor([&] { return CaptureSize() >= before + 48000 / 5 * 4; }, 5000)) return false;
    fault();
    bool heard = testutil::WaitFor([&] { return LoudFramesSince(before) >= 48000 * 8 / 10; }, 4000);
    // The rest of it is cut, so that the next sound is heard alone.
    BASS_SampleStop(tone);
    size_t stopped = CaptureSize();
    testutil::WaitFor([&] { return CaptureSize() >= stopped + 48000 / 10 * 4; }, 2000);
    return heard;
  }
  static BASS_BRISOLT_LATENCY Latency() {
    BASS_BRISOLT_LATENCY info{};
    info.size = sizeof info;
    EXPECT_TRUE(BASS_BrisoltGetLatency(&info));
    return info;
  }

  std::string capture_;
  testutil::TempFolder dir_;
  std::vector<int16_t> chirp_;
};

}  // namespace

// Warm while the user is there, stopped after the warm time, the client let
// go after the release time; each next sound still plays in full, and the
// figures of every sound are kept.
TEST_F(BassOutput, RunsWhileTheUserIsThereThenStopsThenLetsGoAndTheNextSoundPlaysInFull) {
  SetOutputTimingsForTests(1500, 3000);
  BASS_BRISOLT_LATENCY before{};
  before.size = sizeof before;
  EXPECT_FALSE(BASS_BrisoltGetLatency(&before)) << "no figures before BASS_Init";
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  OutputInfo info = CurrentOutputInfo();
  EXPECT_GT(info.rate, 0u);
  EXPECT_LE(info.periodFrames, info.rate / 100) << "a period of at most 10 ms";
  EXPECT_FALSE(info.running) << "nothing has sounded yet";
  EXPECT_TRUE(info.clientOpen);
  EXPECT_FALSE(info.deviceName.empty());

  HSAMPLE sample = Load("chirp.wav");
  ASSERT_NE(sample, 0u);
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp_, capture_), 40.0);
  EXPECT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().running; }, 4000)) << "stops after the warm time";
  EXPECT_TRUE(CurrentOutputInfo().clientOpen);
  EXPECT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().clientOpen; }, 4000)) << "lets the client go";
  // Half a second from the release on, the render thread stays asleep.
  uint64_t wakeups = CurrentOutputInfo().wakeups;
  EXPECT_FALSE(testutil::WaitFor([&] { return CurrentOutputInfo().wakeups > wakeups + 1; }, 500))
      << "a released output sleeps";

  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp_, capture_), 40.0) << "the client opened again for the sound";
  // Every time: coming back from idle is no failure, and waits for no back-off.
  EXPECT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().clientOpen; }, 5000));
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp_, capture_), 40.0) << "and again";
  BASS_BRISOLT_LATENCY figures = Latency();
  EXPECT_EQ(figures.voices, 3u);
  EXPECT_GT(figures.p50, 0u);
  EXPECT_GE(figures.max, figures.p99);
  EXPECT_GE(figures.p50, figures.mixerP50) << "a sound reaches the mixer before the device";
  EXPECT_EQ(figures.period, static_cast<DWORD>(uint64_t{info.periodFrames} * 1000000 / info.rate));
  EXPECT_GT(figures.streamLatency, figures.period);
  EXPECT_TRUE(figures.flags & BASS_BRISOLT_OPEN);
  EXPECT_FALSE(figures.flags & BASS_BRISOLT_BLUETOOTH);
  EXPECT_STREQ(figures.device, CurrentOutputInfo().deviceName.c_str());

  // Input alone starts the stream before any sound; resting lets it go at once.
  ASSERT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().running; }, 4000));
  ASSERT_TRUE(BASS_BrisoltSetActivity(TRUE));
  EXPECT_TRUE(testutil::WaitFor([] { return CurrentOutputInfo().running; }, 1000));
  ASSERT_TRUE(BASS_BrisoltSetActivity(FALSE));
  EXPECT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().clientOpen; }, 1000));
}

// The default output changes under a playing sound (a headset plugged in):
// the stream reopens on the new default and the rest of the sound is heard,
// without waiting for another sound to wake the render thread.
TEST_F(BassOutput, ASoundGoesOnWhenTheDefaultOutputChangesUnderIt) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  HSAMPLE tone = Load("tone.wav");
  ASSERT_NE(tone, 0u);
  EXPECT_TRUE(ToneHeardDespite(tone, SimulateDefaultDeviceChange)) << LoudFramesSince(0);
}

// The endpoint the user chose is unplugged under a sound: the default plays
// the rest; when it is plugged in again, playback returns to it.
TEST_F(BassOutput, AChosenEndpointThatGoesIsStoodInForAndTakenBackWhenItReturns) {
  ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  EXPECT_TRUE(CurrentOutputInfo().onChosenEndpoint);
  HSAMPLE tone = Load("tone.wav");
  ASSERT_NE(tone, 0u);
  EXPECT_TRUE(ToneHeardDespite(tone, SimulateChosenEndpointGone));
  EXPECT_FALSE(CurrentOutputInfo().onChosenEndpoint) << "the default stands in";
  EXPECT_FALSE(Latency().flags & BASS_BRISOLT_CHOSEN);

  SimulateDefaultDeviceChange();  // a standing-in default follows the default
  EXPECT_TRUE(ToneHeardDespite(tone, SimulateChosenEndpointBack));
  EXPECT_TRUE(testutil::WaitFor([] { return CurrentOutputInfo().onChosenEndpoint; }, 2000));
  HSAMPLE sample = Load("chirp.wav");
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp_, capture_, 3), 40.0);
}

// An invalidated stream (sleep, a driver update) and a refused start are
// reopened with a back-off, not in a busy loop, and the next sound is heard.
TEST_F(BassOutput, FailuresAreReopenedWithABackOffAndTheNextSoundIsHeard) {
  ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
  HSAMPLE sample = Load("chirp.wav");
  ASSERT_NE(sample, 0u);
  EXPECT_GT(audiotest::PlayAndMeasure(sample, chirp_, capture_, 3), 40.0);
  for (HRESULT error : {AUDCLNT_E_DEVICE_INVALIDATED, AUDCLNT_E_SERVICE_NOT_RUNNING}) {
    uint64_t wakeups = CurrentOutputInfo().wakeups;
    // Four failures in a row: the attempts wait 0, 50, 100 and 200 ms.
    SimulateStreamFailures(error, 4);
    EXPECT_TRUE(testutil::WaitFor([] { return !CurrentOutputInfo().clientOpen; }, 1000)) << "the stream was dropped";
    EXPECT_TRUE(testutil::WaitFor([] { return CurrentOutputInfo().running; }, 4000)) << "and reopened";
    uint64_t spent = CurrentOutputInfo().wakeups - wakeups;
    EXPECT_LT(spent, 200u) << "no busy loop while failing";
    // The next sound is heard (a silence would measure 0 dB); whole, if not
    // at the first play then at one of the next two, where Wine left a gap
    // while the machine was busy.
    const double next = audiotest::PlayAndMeasureOnce(sample, chirp_, capture_);
    EXPECT_GT(next, 3.0) << "error " << std::hex << error;
    EXPECT_GT(std::max(next, audiotest::PlayAndMeasure(sample, chirp_, capture_, 3)), 40.0)
        << "error " << std::hex << error;
    // A stream that has run a while without a failure reopens at once again.
    EXPECT_TRUE(testutil::WaitFor([] { return CurrentOutputInfo().retryMs == 0; }, 5000)) << "the back-off ends";
  }
}
