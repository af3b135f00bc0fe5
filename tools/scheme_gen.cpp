// Synthesises the default sound schemes: schemes.cfg and Schemes/<name>/*.wav.
//
//   scheme_gen <output folder> [--report <markdown file>]
//
// Every sound is built from the same few pieces a struck mechanism is made
// of: a short noise burst for the contact itself, resonators for the parts
// that ring (type bars, switch leaves, keycaps, the case), a falling sine for
// the thump of a heavy part landing, and a band of decaying noise for rattle.
// Mechanical and Laptop also have a release sound per category,
// <Category>Release.wav, for the key or button coming back up; schemes.cfg
// lists those after the keys every scheme section has.
// The noise comes from our own generator with fixed seeds and the arithmetic
// is plain IEEE double (no fast-math, no FMA contraction under -std=c++20),
// so the same build writes byte-identical files on every run.

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr uint64_t kMasterSeed = 0x6272697365ull;
// Release sounds draw their noise from streams of their own, so that adding
// or editing them leaves every press sound as it was.
constexpr uint64_t kReleaseSeed = 0x72656c65617365ull;

// Loudness every file is normalised to: the loudest 50 ms window after the
// K-weighting of loudness meters, in dB relative to a full-scale sine's mean
// square. Clicks of 10 ms and a bell of a second then sound about as loud as
// each other, which plain peak or whole-file RMS normalisation would not give.
constexpr double kTargetLoudnessDb = -17.0;
// Release sounds, the key or button coming back up, are normalised to this
// instead: a real key is a good deal quieter on the way up, and the press must
// stay the sound that marks the keystroke.
constexpr double kReleaseLoudnessDb = -25.0;
// No sample louder than this, so that resampling in the mixer cannot clip.
constexpr double kPeakCeilingDb = -1.0;
// Ordinary sounds stop before this; the few long ones say so in their recipe.
constexpr double kShortLimit = 0.24;

using Buffer = std::vector<double>;

// xorshift64*: tiny, fast, and the same sequence on every standard library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  // Uniform in [-1, 1), 53 bits.
  double Bipolar() { return static_cast<double>(Next() >> 11) * (2.0 / 9007199254740992.0) - 1.0; }

 private:
  uint64_t state_;
};

// splitmix64 step: spreads (scheme, category) into unrelated seeds, so editing
// one recipe leaves the noise of every other sound as it was.
uint64_t MixSeed(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Second-order sections from the usual cookbook formulas, transposed direct
// form II.
struct Biquad {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
  double z1 = 0, z2 = 0;

  double Run(double x) {
    double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
  }

  static double Omega(double hz) { return 2 * kPi * std::min(hz, 0.45 * kRate) / kRate; }
  static Biquad Make(double b0, double b1, double b2, double a0, double a1, double a2) {
    Biquad f;
    f.b0 = b0 / a0;
    f.b1 = b1 / a0;
    f.b2 = b2 / a0;
    f.a1 = a1 / a0;
    f.a2 = a2 / a0;
    return f;
  }
  static Biquad LowPass(double hz, double q = 0.7071) {
    double w = Omega(hz), c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Make((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
  }
  static Biquad HighPass(double hz, double q = 0.7071) {
    double w = Omega(hz), c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Make((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
  }
};

void Accumulate(Buffer& out, size_t start, const Buffer& part) {
  if (out.size() < start + part.size()) out.resize(start + part.size(), 0.0);
  for (size_t i = 0; i < part.size(); ++i) out[start + i] += part[i];
}

size_t ToSamples(double seconds) { return static_cast<size_t>(std::lround(seconds * kRate)); }

double Peak(const Buffer& x) {
  double p = 0;
  for (double v : x) p = std::max(p, std::fabs(v));
  return p;
}

// Noise that rises over `attack` seconds and dies away with time constant tau,
// band-limited to [hp, lp].
Buffer NoiseBurst(Rng& rng, double attack, double tau, double hp, double lp) {
  size_t n = ToSamples(attack + 7 * tau) + 1;
  Biquad high = Biquad::HighPass(hp), low = Biquad::LowPass(lp);
  Buffer out(n);
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kRate;
    double env = (t < attack ? t / attack : 1.0) * std::exp(-std::max(0.0, t - attack) / tau);
    out[i] = low.Run(high.Run(rng.Bipolar() * env));
  }
  return out;
}

// A part that rings at one frequency: a two-pole resonator struck by a 0.3 ms
// burst of noise, scaled so its loudest sample is `level`. The noise strike
// gives each ring a slightly different onset, as real strikes have.
Buffer Resonance(Rng& rng, double hz, double tau, double level) {
  double w = Biquad::Omega(hz), r = std::exp(-1.0 / (tau * kRate));
  double a1 = 2 * r * std::cos(w), a2 = -r * r;
  size_t n = ToSamples(7 * tau) + 1, strike = ToSamples(0.0003);
  Buffer out(n);
  double y1 = 0, y2 = 0;
  for (size_t i = 0; i < n; ++i) {
    double x = i < strike ? rng.Bipolar() : 0.0;
    double y = x + a1 * y1 + a2 * y2;
    y2 = y1;
    y1 = y;
    out[i] = y;
  }
  double p = Peak(out);
  if (p > 0) {
    for (double& v : out) v *= level / p;
  }
  return out;
}

// A heavy part landing: a sine that starts `drop` above hz and settles, with a
// 1.5 ms rise so that it does not start with a step.
Buffer Thump(double hz, double drop, double tau, double level) {
  size_t n = ToSamples(7 * tau) + 1;
  Buffer out(n);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kRate;
    double f = hz * (1 + drop * std::exp(-t / 0.008));
    phase += 2 * kPi * f / kRate;
    double env = (1 - std::exp(-t / 0.0015)) * std::exp(-t / tau);
    out[i] = level * env * std::sin(phase);
  }
  return out;
}

struct Mode {
  double hz, tau, level;
};

// One mechanical contact: a key reaching its stop, a type bar hitting the
// platen, a switch leaf snapping. Frequencies are multiplied by the pitch
// argument of Add, levels by its gain.
struct Strike {
  double clickTau = 0.0005, clickHp = 1500, clickLp = 12000, clickLevel = 0.6;
  std::vector<Mode> modes;
  double thumpHz = 0, thumpDrop = 0.5, thumpTau = 0.02, thumpLevel = 0;
  double rattleTau = 0, rattleHp = 800, rattleLp = 6000, rattleLevel = 0;
};

class Sound {
 public:
  explicit Sound(uint64_t seed) : rng_(seed) {}

  void Add(const Strike& s, double at, double gain = 1.0, double pitch = 1.0) {
    size_t start = ToSamples(at);
    if (s.clickLevel > 0) {
      Buffer b = NoiseBurst(rng_, 0.0001, s.clickTau, s.clickHp * pitch, s.clickLp);
      Scale(b, gain * s.clickLevel);
      Accumulate(buf_, start, b);
    }
    for (const Mode& m : s.modes) {
      Accumulate(buf_, start, Resonance(rng_, m.hz * pitch, m.tau, gain * m.level));
    }
    if (s.thumpLevel > 0) {
      Accumulate(buf_, start,
                 Thump(s.thumpHz * pitch, s.thumpDrop, s.thumpTau, gain * s.thumpLevel));
    }
    if (s.rattleLevel > 0) {
      Buffer b = NoiseBurst(rng_, 0.001, s.rattleTau, s.rattleHp, s.rattleLp);
      Scale(b, gain * s.rattleLevel);
      Accumulate(buf_, start, b);
    }
  }

  // A struck bell: inharmonic partials of a small dome, the lowest as a
  // slightly detuned pair so that it beats the way a real bell shimmers.
  void AddBell(double at, double hz, double tau, double gain) {
    size_t start = ToSamples(at);
    const std::array<Mode, 5> partials = {{{1.0, 1.0, 0.55},
                                           {1.0035, 0.9, 0.35},
                                           {2.32, 0.55, 0.4},
                                           {4.25, 0.3, 0.2},
                                           {6.63, 0.18, 0.08}}};
    for (const Mode& p : partials) {
      Accumulate(buf_, start, Resonance(rng_, hz * p.hz, tau * p.tau, gain * p.level));
    }
    Buffer hammer = NoiseBurst(rng_, 0.0001, 0.0004, 2000, 14000);
    Scale(hammer, gain * 0.5);
    Accumulate(buf_, start, hammer);
  }

  Rng& Random() { return rng_; }
  Buffer Take() { return std::move(buf_); }

 private:
  static void Scale(Buffer& b, double g) {
    for (double& v : b) v *= g;
  }
  Rng rng_;
  Buffer buf_;
};

// ---------------------------------------------------------------------------
// The categories, in the order of schemes.cfg.

enum Cat {
  kEscape, kFunctions, kDigits, kOther, kTab, kCapsLock, kShift, kCtrl, kWin, kAlt, kSpace,
  kMenu, kEnter, kBackSpace, kPrintScreen, kScrollLock, kPause, kInsert, kDelete, kHome, kEnd,
  kPageUp, kPageDown, kNumLock, kLeftButton, kRightButton, kCatCount
};

constexpr std::array<std::string_view, kCatCount> kCatNames = {
    "Escape", "Functions", "Digits", "Other", "Tab", "CapsLock", "Shift", "Ctrl", "Win",
    "Alt", "Space", "Menu", "Enter", "BackSpace", "PrintScreen", "ScrollLock", "Pause",
    "Insert", "Delete", "Home", "End", "PageUp", "PageDown", "NumLock", "LeftButton",
    "RightButton"};

// Per-category volume in schemes.cfg. The files are already balanced; these
// keep the keys held down in combinations (modifiers) a little behind the
// typing, and let Enter and Space land on top.
int CategoryVolume(int c) {
  switch (c) {
    case kEnter: return 100;
    case kSpace: return 95;
    case kShift: case kCtrl: case kWin: case kAlt: case kMenu: return 80;
    case kLeftButton: case kRightButton: return 85;
    default: return 90;
  }
}

struct Recipe {
  Buffer samples;
  double maxLength = kShortLimit;  // seconds; more only for deliberate long sounds
};

// A mouse button's microswitch: a sharp tick from the leaf snapping over,
// the shell ringing briefly, and the much quieter tick of its return.
void AddMicroswitch(Sound& s, double pitch, double brightness, double releaseAt) {
  Strike press;
  press.clickTau = 0.00025;
  press.clickHp = 2000;
  press.clickLp = 9000 + 6000 * brightness;
  press.clickLevel = 0.7;
  press.modes = {{3900, 0.0025, 0.6}, {6800 * (0.9 + 0.1 * brightness), 0.0015, 0.35},
                 {1150, 0.006, 0.25}};
  s.Add(press, 0.0, 1.0, pitch);
  s.Add(press, releaseAt, 0.22, pitch * 1.06);
}

// ---------------------------------------------------------------------------
// TypeWriter: a manual typewriter. A keystroke is the key lever going down,
// the type bar striking the platen through the paper, the escapement letting
// the carriage step, and the bar falling back onto its felt rest.

Strike TypeBar() {
  Strike s;
  s.clickTau = 0.0005;
  s.clickHp = 1200;
  s.clickLp = 10000;
  s.clickLevel = 0.8;
  s.modes = {{1850, 0.012, 0.45}, {2950, 0.009, 0.35}, {4400, 0.006, 0.25}, {650, 0.018, 0.4}};
  s.thumpHz = 150;
  s.thumpDrop = 0.6;
  s.thumpTau = 0.018;
  s.thumpLevel = 0.5;
  s.rattleTau = 0.02;
  s.rattleHp = 700;
  s.rattleLp = 5000;
  s.rattleLevel = 0.12;
  return s;
}

Strike KeyLever() {
  Strike s;
  s.clickTau = 0.0004;
  s.clickHp = 2500;
  s.clickLevel = 0.3;
  s.modes = {{3300, 0.004, 0.3}};
  return s;
}

Strike Escapement() {
  Strike s;
  s.clickTau = 0.0003;
  s.clickHp = 3000;
  s.clickLevel = 0.5;
  s.modes = {{5200, 0.003, 0.4}, {3600, 0.004, 0.3}};
  s.thumpHz = 120;
  s.thumpTau = 0.012;
  s.thumpLevel = 0.2;
  return s;
}

Strike FeltRest() {
  Strike s;
  s.clickTau = 0.0008;
  s.clickHp = 400;
  s.clickLp = 3000;
  s.clickLevel = 0.3;
  s.modes = {{900, 0.01, 0.3}};
  return s;
}

Strike Clunk(double hz, double bodyHz, double tau) {
  Strike s;
  s.clickTau = 0.0008;
  s.clickHp = 300;
  s.clickLp = 4000;
  s.clickLevel = 0.5;
  s.modes = {{bodyHz, tau, 0.45}, {bodyHz * 2.6, tau * 0.5, 0.25}};
  s.thumpHz = hz;
  s.thumpDrop = 0.4;
  s.thumpTau = tau;
  s.thumpLevel = 1.0;
  s.rattleTau = tau * 0.8;
  s.rattleHp = 300;
  s.rattleLp = 3500;
  s.rattleLevel = 0.15;
  return s;
}

// Pawl clicks over a ratchet: n ticks at the given gaps.
void AddRatchet(Sound& s, double at, int n, double firstGap, double lastGap, double pitchFrom,
                double pitchTo, double gain) {
  Strike tick = Escapement();
  tick.thumpLevel = 0.05;
  double t = at;
  for (int i = 0; i < n; ++i) {
    double k = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
    s.Add(tick, t, gain * (0.8 + 0.2 * s.Random().Bipolar()), pitchFrom + (pitchTo - pitchFrom) * k);
    t += firstGap + (lastGap - firstGap) * k;
  }
}

void AddKeystroke(Sound& s, double pitch, double strikeAt, double gain) {
  s.Add(KeyLever(), 0.0, gain, pitch);
  s.Add(TypeBar(), strikeAt, gain, pitch);
  s.Add(Escapement(), strikeAt + 0.016, gain * 0.35);
  s.Add(FeltRest(), strikeAt + 0.048, gain * 0.35, pitch);
}

Recipe TypeWriter(int c, uint64_t seed) {
  Sound s(seed);
  Recipe r;
  switch (c) {
    case kOther: AddKeystroke(s, 1.0, 0.014, 1.0); break;
    case kDigits: AddKeystroke(s, 1.08, 0.017, 1.0); break;
    case kFunctions: {  // a set lever: a bare metal snap and its spring-back
      Strike snap = TypeBar();
      snap.thumpLevel = 0.15;
      snap.rattleLevel = 0;
      s.Add(snap, 0.0, 1.0, 1.25);
      s.Add(snap, 0.026, 0.35, 1.35);
      break;
    }
    case kEscape: {  // margin release: a bright clack and a sprung ping
      Strike clack = TypeBar();
      clack.modes.push_back({2600, 0.04, 0.12});
      s.Add(clack, 0.0, 1.0, 1.15);
      break;
    }
    case kTab:  // tabulator: the carriage runs a few stops and hits the tab stop
      s.Add(KeyLever(), 0.0);
      AddRatchet(s, 0.01, 6, 0.006, 0.008, 1.0, 0.95, 0.5);
      s.Add(Clunk(140, 420, 0.02), 0.065, 0.7);
      break;
    case kCapsLock:  // the shift lock: the basket drops and the latch catches
      s.Add(Clunk(95, 480, 0.03), 0.0);
      s.Add(KeyLever(), 0.032, 1.4, 1.2);
      break;
    case kShift:  // the whole type basket moves: a heavy, low clunk
      s.Add(Clunk(95, 480, 0.03), 0.0);
      s.Add(Clunk(110, 560, 0.015), 0.025, 0.35);
      break;
    case kCtrl: {
      Strike lever = KeyLever();
      lever.modes = {{2100, 0.008, 0.5}, {3400, 0.005, 0.3}};
      lever.thumpHz = 220;
      lever.thumpLevel = 0.3;
      lever.thumpTau = 0.01;
      s.Add(lever, 0.0, 1.0, 1.0);
      break;
    }
    case kWin:
    case kAlt:
    case kMenu: {  // other levers, told apart by pitch and a second tick
      Strike lever = KeyLever();
      lever.modes = {{2100, 0.008, 0.5}, {3400, 0.005, 0.3}};
      lever.thumpHz = 220;
      lever.thumpLevel = 0.3;
      lever.thumpTau = 0.01;
      double pitch = c == kWin ? 0.85 : c == kAlt ? 1.15 : 0.95;
      s.Add(lever, 0.0, 1.0, pitch);
      if (c != kAlt) s.Add(lever, 0.018, 0.5, pitch * 1.1);
      break;
    }
    case kSpace: {  // the space bar frame lands and the carriage steps
      Strike bar = Clunk(110, 320, 0.034);
      bar.modes.push_back({780, 0.02, 0.35});
      bar.modes.push_back({2200, 0.008, 0.25});
      bar.rattleLevel = 0.2;
      s.Add(KeyLever(), 0.0, 0.8, 0.8);
      s.Add(bar, 0.006);
      s.Add(Escapement(), 0.024, 0.6);
      break;
    }
    case kEnter: {  // end of line: the bell, the return lever, the ratchet, the slam
      r.maxLength = 0.9;
      s.AddBell(0.0, 2100, 0.22, 0.6);
      Strike lever = Clunk(180, 900, 0.015);
      lever.modes.push_back({1600, 0.01, 0.3});
      s.Add(lever, 0.004, 0.6);
      AddRatchet(s, 0.045, 9, 0.024, 0.012, 0.9, 1.05, 0.45);
      Strike slam = Clunk(85, 260, 0.06);
      slam.modes.push_back({640, 0.03, 0.4});
      slam.modes.push_back({1700, 0.012, 0.3});
      slam.rattleLevel = 0.25;
      s.Add(slam, 0.225, 1.3);
      break;
    }
    case kBackSpace:  // the carriage pulled back one step: two escapement ticks
      s.Add(KeyLever(), 0.0, 1.0, 0.9);
      s.Add(Escapement(), 0.008, 1.0, 0.9);
      s.Add(Escapement(), 0.030, 0.7, 0.85);
      s.Add(Clunk(130, 500, 0.012), 0.031, 0.35);
      break;
    case kPrintScreen:  // a bold double strike
      s.Add(TypeBar(), 0.0, 1.0, 0.9);
      s.Add(TypeBar(), 0.035, 0.8, 0.9);
      break;
    case kScrollLock: {  // paper release: a loose clack and paper sliding
      Strike clack = FeltRest();
      clack.clickLevel = 0.6;
      clack.modes.push_back({1400, 0.008, 0.4});
      clack.rattleTau = 0.025;
      clack.rattleHp = 1200;
      clack.rattleLp = 4500;
      clack.rattleLevel = 0.12;
      s.Add(clack, 0.0);
      break;
    }
    case kPause: {  // a strike muffled by the felt
      Strike muffled = TypeBar();
      muffled.clickLp = 2500;
      muffled.modes = {{650, 0.02, 0.5}, {1200, 0.01, 0.3}};
      s.Add(muffled, 0.0, 1.0, 0.7);
      break;
    }
    case kInsert: {  // the paper bail snapping back against the platen
      Strike snap = TypeBar();
      snap.thumpHz = 200;
      s.Add(snap, 0.0, 1.0, 1.3);
      break;
    }
    case kDelete:  // striking over a letter with an x
      AddKeystroke(s, 1.12, 0.012, 1.0);
      s.Add(TypeBar(), 0.058, 0.55, 1.16);
      break;
    case kHome:  // the carriage pushed by hand: a short run of pawl clicks
      AddRatchet(s, 0.0, 5, 0.012, 0.016, 1.1, 1.0, 0.7);
      break;
    case kEnd:
      AddRatchet(s, 0.0, 5, 0.016, 0.012, 0.9, 1.0, 0.7);
      s.Add(Clunk(130, 450, 0.015), 0.07, 0.6);
      break;
    case kPageUp:  // the platen knob: three detents, rising
    case kPageDown:
      for (int i = 0; i < 3; ++i) {
        double pitch = c == kPageUp ? 0.9 + 0.1 * i : 1.1 - 0.1 * i;
        Strike detent = Escapement();
        detent.modes.push_back({1300, 0.008, 0.35});
        s.Add(detent, 0.03 * i, 0.8, pitch);
      }
      break;
    case kNumLock:  // a lock latch: two small clicks
      s.Add(KeyLever(), 0.0, 1.0, 1.2);
      s.Add(KeyLever(), 0.008, 0.7, 1.3);
      s.Add(Clunk(160, 600, 0.01), 0.008, 0.3);
      break;
    case kLeftButton: AddMicroswitch(s, 1.0, 0.6, 0.075); break;
    case kRightButton: AddMicroswitch(s, 0.88, 0.6, 0.068); break;
    default: break;
  }
  r.samples = s.Take();
  return r;
}

// ---------------------------------------------------------------------------
// Mechanical: a keyboard with clicky switches. The click leaf snaps first,
// the keycap bottoms out on the plate a few milliseconds later, and the
// spring pings faintly. Bigger caps ring lower; stabilised ones rattle.

struct MechKey {
  double size = 1.0;       // in key units: 1 for a letter, 6.25 for the space bar
  double pitch = 1.0;      // switch and cap
  double caseHz = 420;     // the case resonance differs with the key's place
  double bottomAt = 0.009;
  double clickGain = 1.0;
  double bottomGain = 1.0;
};

void AddMechKey(Sound& s, const MechKey& k) {
  Strike leaf;
  leaf.clickTau = 0.00025;
  leaf.clickHp = 3000;
  leaf.clickLp = 16000;
  leaf.clickLevel = 0.8;
  leaf.modes = {{4300, 0.003, 0.5}, {6100, 0.002, 0.3}};
  s.Add(leaf, 0.0, k.clickGain, k.pitch);

  double capScale = 1.0 / std::sqrt(k.size);
  Strike cap;
  cap.clickTau = 0.0005;
  cap.clickHp = 600;
  cap.clickLp = 9000;
  cap.clickLevel = 0.6;
  cap.modes = {{1500 * capScale, 0.007, 0.5},
               {2600 * capScale, 0.005, 0.35},
               {k.caseHz, 0.012, 0.3},
               {7200, 0.025, 0.03}};  // the spring
  cap.thumpHz = 220 / std::pow(k.size, 0.4);
  cap.thumpTau = 0.012 + 0.004 * (k.size - 1);
  cap.thumpLevel = 0.3 * std::pow(k.size, 0.3);
  bool stabilised = k.size >= 2;
  if (stabilised) {
    cap.rattleTau = 0.015;
    cap.rattleHp = 1200;
    cap.rattleLp = 7000;
    cap.rattleLevel = 0.2;
  }
  s.Add(cap, k.bottomAt, k.bottomGain, k.pitch);
  // The stabiliser wire's second end lands a moment after the first.
  if (stabilised) s.Add(cap, k.bottomAt + 0.004, 0.4 * k.bottomGain, k.pitch * 1.04);
}

MechKey MechKeyOf(int c) {
  MechKey k;
  switch (c) {
    case kEscape: k.pitch = 1.18; k.clickGain = 1.2; k.caseHz = 380; break;
    case kFunctions: k.pitch = 1.12; k.caseHz = 400; break;
    case kDigits: k.pitch = 1.05; k.caseHz = 440; break;
    case kOther: break;
    case kTab: k.size = 1.5; k.pitch = 0.97; k.caseHz = 400; break;
    case kCapsLock: k.size = 1.75; k.pitch = 0.94; k.bottomGain = 1.2; k.caseHz = 380; break;
    case kShift: k.size = 2.25; k.pitch = 0.9; k.caseHz = 370; break;
    case kCtrl: k.size = 1.25; k.pitch = 0.96; k.caseHz = 350; k.clickGain = 0.8; break;
    case kWin: k.size = 1.25; k.pitch = 0.99; k.caseHz = 360; k.clickGain = 0.8; break;
    case kAlt: k.size = 1.25; k.pitch = 1.02; k.caseHz = 365; k.clickGain = 0.8; break;
    case kMenu: k.size = 1.25; k.pitch = 1.04; k.caseHz = 480; k.clickGain = 0.8; break;
    case kSpace:
      k.size = 6.25; k.pitch = 0.8; k.caseHz = 300; k.bottomAt = 0.011; k.bottomGain = 1.5;
      k.clickGain = 0.7;
      break;
    case kEnter: k.size = 2.25; k.pitch = 0.85; k.caseHz = 460; k.bottomGain = 1.4; break;
    case kBackSpace: k.size = 2.0; k.pitch = 0.92; k.caseHz = 500; break;
    case kPrintScreen: k.pitch = 1.1; k.caseHz = 520; break;
    case kScrollLock: k.pitch = 1.14; k.caseHz = 540; break;
    case kPause: k.pitch = 1.08; k.caseHz = 560; k.clickGain = 0.7; break;
    case kInsert: k.pitch = 1.0; k.caseHz = 500; k.bottomAt = 0.010; break;
    case kDelete: k.pitch = 1.03; k.caseHz = 510; k.bottomAt = 0.008; break;
    case kHome: k.pitch = 1.06; k.caseHz = 490; break;
    case kEnd: k.pitch = 0.98; k.caseHz = 505; break;
    case kPageUp: k.pitch = 1.09; k.caseHz = 480; k.bottomAt = 0.010; break;
    case kPageDown: k.pitch = 0.95; k.caseHz = 495; k.bottomAt = 0.010; break;
    case kNumLock: k.pitch = 1.07; k.caseHz = 600; break;
    default: break;
  }
  return k;
}

Recipe Mechanical(int c, uint64_t seed) {
  Sound s(seed);
  const MechKey k = MechKeyOf(c);
  if (c == kLeftButton) {
    AddMicroswitch(s, 1.08, 1.0, 0.07);
  } else if (c == kRightButton) {
    AddMicroswitch(s, 0.95, 1.0, 0.064);
  } else {
    AddMechKey(s, k);
  }
  // Lock keys on this board have a second, lighter detent as they latch.
  if (c == kCapsLock || c == kNumLock || c == kScrollLock) {
    Strike latch;
    latch.clickTau = 0.0002;
    latch.clickHp = 4000;
    latch.clickLevel = 0.5;
    latch.modes = {{5000, 0.002, 0.3}};
    s.Add(latch, 0.045, 0.5, k.pitch);
  }
  return {s.Take(), kShortLimit};
}

// The key coming back up. The spring drives the stem into the top of its
// housing: a hard, light clack of the switch alone, with none of the cap's
// weight landing on the plate, so no thump and little of the cap's ring. The
// click jacket snaps back a moment before it and the spring pings after it.
// Higher, shorter and softer than the way down, as on a real board.
void AddMechKeyRelease(Sound& s, const MechKey& k) {
  Strike jacket;
  jacket.clickTau = 0.0002;
  jacket.clickHp = 4500;
  jacket.clickLp = 16000;
  jacket.clickLevel = 0.3;
  jacket.modes = {{5600, 0.0015, 0.4}, {7800, 0.001, 0.25}};
  s.Add(jacket, 0.0, 0.7 * k.clickGain, k.pitch);

  // The stem, not the cap, rings here: its pitch follows the cap's size
  // only a little.
  double stemScale = 1.0 / std::pow(k.size, 0.2);
  Strike top;
  top.clickTau = 0.0003;
  top.clickHp = 1500;
  top.clickLp = 14000;
  top.clickLevel = 0.3;
  top.modes = {{3400 * stemScale, 0.003, 0.45},
               {5300 * stemScale, 0.002, 0.3},
               {k.caseHz * 1.8, 0.004, 0.12},
               {7600, 0.009, 0.04}};  // the spring
  bool stabilised = k.size >= 2;
  if (stabilised) {
    // The wire swinging back up and knocking in its housings.
    top.rattleTau = 0.005;
    top.rattleHp = 2000;
    top.rattleLp = 9000;
    top.rattleLevel = 0.15;
  }
  // A long cap is slower to come back: its stem arrives a little later.
  double topAt = 0.004 + 0.0005 * (k.size - 1);
  s.Add(top, topAt, 1.0, k.pitch);
  if (stabilised) s.Add(top, topAt + 0.003, 0.35, k.pitch * 1.05);
}

// A microswitch's leaf springing back: the tick is higher and thinner than
// the snap over, and the shell hardly rings.
void AddMicroswitchRelease(Sound& s, double pitch, double brightness) {
  Strike back;
  back.clickTau = 0.0002;
  back.clickHp = 3000;
  back.clickLp = 10000 + 6000 * brightness;
  back.clickLevel = 0.6;
  back.modes = {{4700, 0.0018, 0.55}, {7600 * (0.9 + 0.1 * brightness), 0.0012, 0.35},
                {1500, 0.003, 0.12}};
  s.Add(back, 0.0, 1.0, pitch);
}

Recipe MechanicalRelease(int c, uint64_t seed) {
  Sound s(seed);
  if (c == kLeftButton) {
    AddMicroswitchRelease(s, 1.08, 1.0);
  } else if (c == kRightButton) {
    AddMicroswitchRelease(s, 0.95, 1.0);
  } else {
    AddMechKeyRelease(s, MechKeyOf(c));
  }
  return {s.Take(), kShortLimit};
}

// ---------------------------------------------------------------------------
// Laptop: low scissor-switch keys on a thin chassis. No click leaf, a soft tap
// whose highs the short travel and the chassis swallow, and a hollow thud for
// the large keys with a little scissor rattle.

struct LaptopKey {
  double size = 1.0;
  double pitch = 1.0;
  double secondAt = 0;  // the far side of a wide key touching down, or 0
  double thud = 1.0;    // weight of the body thump: the big keys land harder
};

void AddLaptopKey(Sound& s, const LaptopKey& k) {
  Strike tap;
  tap.clickTau = 0.0004;
  tap.clickHp = 500;
  tap.clickLp = 3500;
  tap.clickLevel = 0.5;
  double scale = 1.0 / std::pow(k.size, 0.4);
  tap.modes = {{1100 * scale, 0.006, 0.5}, {1900 * scale, 0.004, 0.3}, {650 * scale, 0.009, 0.35}};
  tap.thumpHz = 180 / std::pow(k.size, 0.3);
  tap.thumpTau = 0.01 + 0.003 * (k.size - 1);
  tap.thumpLevel = 0.35 * k.thud * std::pow(k.size, 0.25);
  if (k.size > 1.5) {
    tap.rattleTau = 0.012;
    tap.rattleHp = 900;
    tap.rattleLp = 4500;
    tap.rattleLevel = 0.15;
  }
  s.Add(tap, 0.0, 1.0, k.pitch);
  if (k.secondAt > 0) s.Add(tap, k.secondAt, 0.45, k.pitch * 1.05);
}

LaptopKey LaptopKeyOf(int c) {
  LaptopKey k;
  switch (c) {
    // The top row is half-height keys: smaller, higher, lighter.
    case kEscape: k.pitch = 1.25; k.size = 0.7; break;
    case kFunctions: k.pitch = 1.2; k.size = 0.7; break;
    case kPrintScreen: k.pitch = 1.28; k.size = 0.7; break;
    case kInsert: k.pitch = 1.22; k.size = 0.7; break;
    case kDelete: k.pitch = 1.3; k.size = 0.7; break;
    case kPause: k.pitch = 1.16; k.size = 0.7; break;
    case kScrollLock: k.pitch = 1.32; k.size = 0.7; break;
    case kNumLock: k.pitch = 1.18; k.size = 0.7; k.secondAt = 0.03; break;
    case kDigits: k.pitch = 1.06; break;
    case kOther: break;
    case kTab: k.size = 1.5; k.pitch = 0.97; break;
    case kCapsLock: k.size = 1.8; k.pitch = 0.94; k.secondAt = 0.028; break;
    case kShift: k.size = 2.2; k.pitch = 0.92; break;
    case kCtrl: k.pitch = 0.96; break;
    case kWin: k.pitch = 1.0; k.size = 1.1; break;
    case kAlt: k.pitch = 1.03; break;
    case kMenu: k.pitch = 1.1; break;
    case kSpace: k.size = 5.0; k.pitch = 0.8; k.thud = 2.2; k.secondAt = 0.005; break;
    case kEnter: k.size = 2.2; k.pitch = 0.82; k.thud = 2.8; k.secondAt = 0.004; break;
    case kBackSpace: k.size = 1.8; k.pitch = 0.9; break;
    // The navigation keys are small keys squeezed around the arrows.
    case kHome: k.pitch = 1.12; k.size = 0.85; break;
    case kEnd: k.pitch = 1.04; k.size = 0.85; break;
    case kPageUp: k.pitch = 1.14; k.size = 0.85; k.secondAt = 0.022; break;
    case kPageDown: k.pitch = 1.02; k.size = 0.85; k.secondAt = 0.022; break;
    default: break;
  }
  return k;
}

Recipe Laptop(int c, uint64_t seed) {
  Sound s(seed);
  const LaptopKey k = LaptopKeyOf(c);
  if (c == kLeftButton || c == kRightButton) {
    // The touchpad's button: a duller, deeper click than a mouse's, through
    // the whole palm rest.
    Strike press;
    press.clickTau = 0.0003;
    press.clickHp = 800;
    press.clickLp = 7000;
    press.clickLevel = 0.6;
    press.modes = {{2200, 0.003, 0.55}, {3700, 0.002, 0.3}, {850, 0.007, 0.3}};
    press.thumpHz = 240;
    press.thumpTau = 0.006;
    press.thumpLevel = 0.15;
    double pitch = c == kLeftButton ? 1.0 : 0.9;
    s.Add(press, 0.0, 1.0, pitch);
    s.Add(press, c == kLeftButton ? 0.08 : 0.072, 0.25, pitch * 1.08);
  } else {
    AddLaptopKey(s, k);
  }
  Buffer out = s.Take();
  // The chassis and the palm over it damp what the strike leaves above 6 kHz.
  Biquad soft = Biquad::LowPass(6000);
  for (double& v : out) v = soft.Run(v);
  return {std::move(out), kShortLimit};
}

// A scissor key coming back up: the arms straighten and the cap stops
// against them, a light tap without the thud of the key landing on the
// chassis, higher because the cap is held by its edges only. The far side of
// a wide key follows sooner than on the way down.
void AddLaptopKeyRelease(Sound& s, const LaptopKey& k) {
  Strike up;
  up.clickTau = 0.0003;
  up.clickHp = 1500;
  up.clickLp = 7000;
  up.clickLevel = 0.5;
  double scale = 1.0 / std::pow(k.size, 0.25);
  up.modes = {{2300 * scale, 0.0025, 0.45}, {3600 * scale, 0.0018, 0.3}, {1400 * scale, 0.004, 0.2}};
  if (k.size > 1.5) {
    up.rattleTau = 0.005;
    up.rattleHp = 1800;
    up.rattleLp = 6000;
    up.rattleLevel = 0.12;
  }
  s.Add(up, 0.0, 1.0, k.pitch);
  if (k.secondAt > 0) s.Add(up, 0.6 * k.secondAt, 0.4, k.pitch * 1.05);
}

Recipe LaptopRelease(int c, uint64_t seed) {
  Sound s(seed);
  if (c == kLeftButton || c == kRightButton) {
    // The touchpad's button springing back: a thin tick of the hinge.
    Strike back;
    back.clickTau = 0.0002;
    back.clickHp = 1500;
    back.clickLp = 8000;
    back.clickLevel = 0.6;
    back.modes = {{2900, 0.002, 0.5}, {4700, 0.0015, 0.3}, {1200, 0.003, 0.15}};
    s.Add(back, 0.0, 1.0, c == kLeftButton ? 1.0 : 0.9);
  } else {
    AddLaptopKeyRelease(s, LaptopKeyOf(c));
  }
  Buffer out = s.Take();
  Biquad soft = Biquad::LowPass(6000);  // the same chassis as the press
  for (double& v : out) v = soft.Run(v);
  return {std::move(out), kShortLimit};
}

// ---------------------------------------------------------------------------
// Finishing, measuring, writing.

// Loudness-meter weighting (a high shelf of +4 dB above about 1.7 kHz and a
// high-pass at 38 Hz), the two stages derived from their analogue prototypes
// for our rate.
Buffer KWeighted(const Buffer& x) {
  double k = std::tan(kPi * 1681.974450955533 / kRate);
  double q = 0.7071752369554196;
  double vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
  Biquad shelf = Biquad::Make(vh + vb * k / q + k * k, 2 * (k * k - vh), vh - vb * k / q + k * k,
                              1 + k / q + k * k, 2 * (k * k - 1), 1 - k / q + k * k);
  k = std::tan(kPi * 38.13547087602444 / kRate);
  q = 0.5003270373238773;
  Biquad high = Biquad::Make(1, -2, 1, 1 + k / q + k * k, 2 * (k * k - 1), 1 - k / q + k * k);
  Buffer out(x.size());
  for (size_t i = 0; i < x.size(); ++i) out[i] = high.Run(shelf.Run(x[i]));
  return out;
}

// dB of the loudest 50 ms window's mean square of the weighted signal,
// windows 5 ms apart; a sound shorter than a window counts as padded with
// silence, so a short tick needs more peak than a long ring to match.
double LoudnessDb(const Buffer& x) {
  Buffer w = KWeighted(x);
  size_t window = ToSamples(0.05), hop = ToSamples(0.005);
  double best = 1e-20;
  for (size_t start = 0;; start += hop) {
    double sum = 0;
    for (size_t i = start; i < std::min(w.size(), start + window); ++i) sum += w[i] * w[i];
    best = std::max(best, sum / window);
    if (start + window >= w.size()) break;
  }
  // A full-scale sine has mean square 1/2: call that 0 dB.
  return 10 * std::log10(best * 2);
}

struct Finished {
  std::vector<int16_t> pcm;
  bool peakLimited = false;
};

Finished Finish(Buffer x, double maxLength, double targetLoudnessDb) {
  // Rumble below the thumps would only eat headroom.
  Biquad dc = Biquad::HighPass(35);
  for (double& v : x) v = dc.Run(v);

  // End where the sound has died 54 dB below its peak, then fade to exact
  // zero so that nothing clicks when the sound stops.
  double peak = Peak(x), floor = peak * std::pow(10.0, -54.0 / 20);
  size_t end = x.size();
  while (end > 0 && std::fabs(x[end - 1]) < floor) --end;
  bool isLong = maxLength > kShortLimit;
  size_t fadeOut = ToSamples(isLong ? 0.06 : 0.004);
  end = std::min(end + fadeOut, ToSamples(maxLength));
  x.resize(end, 0.0);
  fadeOut = std::min(fadeOut, end);
  for (size_t i = 0; i < fadeOut; ++i) {
    double k = fadeOut > 1 ? static_cast<double>(i) / static_cast<double>(fadeOut - 1) : 1.0;
    x[end - fadeOut + i] *= 0.5 + 0.5 * std::cos(kPi * k);
  }
  // A few samples of fade-in: the strikes start loud on purpose, but not
  // with a step from silence.
  constexpr size_t kFadeIn = 24;
  for (size_t i = 0; i < std::min(kFadeIn, x.size()); ++i) {
    x[i] *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / kFadeIn);
  }

  Finished f;
  double gain = std::pow(10.0, (targetLoudnessDb - LoudnessDb(x)) / 20);
  double ceiling = std::pow(10.0, kPeakCeilingDb / 20);
  peak = Peak(x);
  if (peak * gain > ceiling) {
    gain = ceiling / peak;
    f.peakLimited = true;
  }
  f.pcm.resize(x.size());
  for (size_t i = 0; i < x.size(); ++i) {
    double v = std::round(x[i] * gain * 32767.0);
    f.pcm[i] = static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0));
  }
  return f;
}

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Plain 44-byte RIFF header, WAVE_FORMAT_PCM, mono, 16 bits.
std::string WavFile(const std::vector<int16_t>& pcm) {
  uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
  std::string out;
  out += "RIFF";
  PutLe(out, 36 + dataBytes, 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 1, 2);  // mono
  PutLe(out, kRate, 4);
  PutLe(out, kRate * 2, 4);
  PutLe(out, 2, 2);
  PutLe(out, 16, 2);
  out += "data";
  PutLe(out, dataBytes, 4);
  for (int16_t s : pcm) PutLe(out, static_cast<uint16_t>(s), 2);
  return out;
}

void FftInPlace(std::vector<std::complex<double>>& a) {
  size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    double ang = -2 * kPi / static_cast<double>(len);
    std::complex<double> wl(std::cos(ang), std::sin(ang));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t j = 0; j < len / 2; ++j) {
        std::complex<double> u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

struct Measures {
  double lengthMs, peakDb, rmsDb, loudnessDb, centroidHz;
};

// Measured on the 16-bit data as written, as a listener gets it.
Measures Measure(const std::vector<int16_t>& pcm) {
  Buffer x(pcm.size());
  for (size_t i = 0; i < pcm.size(); ++i) x[i] = pcm[i] / 32768.0;
  Measures m{};
  m.lengthMs = 1000.0 * static_cast<double>(x.size()) / kRate;
  double sum = 0;
  for (double v : x) sum += v * v;
  m.peakDb = 20 * std::log10(std::max(Peak(x), 1e-10));
  m.rmsDb = 10 * std::log10(std::max(sum / std::max<size_t>(x.size(), 1), 1e-20));
  m.loudnessDb = LoudnessDb(x);
  size_t n = 1;
  while (n < x.size()) n <<= 1;
  std::vector<std::complex<double>> spectrum(n);
  for (size_t i = 0; i < x.size(); ++i) spectrum[i] = x[i];
  FftInPlace(spectrum);
  double weighted = 0, total = 0;
  for (size_t k = 1; k <= n / 2; ++k) {
    double mag = std::abs(spectrum[k]);
    weighted += mag * k * kRate / static_cast<double>(n);
    total += mag;
  }
  m.centroidHz = total > 0 ? weighted / total : 0;
  return m;
}

struct SchemeDef {
  const char* name;
  std::function<Recipe(int, uint64_t)> make;
  // The sound of the key or button coming back up; empty for a scheme whose
  // keys make none worth playing.
  std::function<Recipe(int, uint64_t)> makeRelease;
};

bool WriteWav(const std::filesystem::path& path, const std::vector<int16_t>& pcm) {
  std::ofstream wav(path, std::ios::binary);
  std::string bytes = WavFile(pcm);
  wav.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!wav) std::cerr << "cannot write " << path.string() << "\n";
  return static_cast<bool>(wav);
}

const char* const kTableHead =
    "| category | length ms | peak dBFS | RMS dBFS | loudness dB | centroid Hz |";
const char* const kTableRule = "|---|---:|---:|---:|---:|---:|";

int Run(const std::filesystem::path& outDir, const std::string& reportPath) {
  // TypeWriter first: it is the scheme a fresh installation starts with. A
  // typewriter key rises silently on its spring, so that scheme has no
  // release sounds.
  const std::array<SchemeDef, 3> schemes = {{{"TypeWriter", TypeWriter, nullptr},
                                             {"Mechanical", Mechanical, MechanicalRelease},
                                             {"Laptop", Laptop, LaptopRelease}}};
  std::string cfg;
  std::ostringstream report;
  report << "# Default schemes: measurements\n\n"
         << "Written by `scheme_gen --report` from the 16-bit data of each file. Loudness is\n"
         << "the loudest 50 ms window of the K-weighted signal (dB re a full-scale sine);\n"
         << "every file is normalised to " << kTargetLoudnessDb << " dB of it, unless its peak "
         << "would pass " << kPeakCeilingDb << " dBFS\n(marked *). RMS is over the whole file; "
         << "the centroid is that of the magnitude spectrum.\n\n"
         << "Release sounds (`<category>Release.wav`, the key or button coming back up) are\n"
         << "normalised to " << kReleaseLoudnessDb << " dB instead, "
         << kTargetLoudnessDb - kReleaseLoudnessDb << " dB below the presses, and have tables of "
         << "their own;\ntheir last two columns compare each with the press of its category.\n";
  char line[256];
  for (size_t si = 0; si < schemes.size(); ++si) {
    const SchemeDef& scheme = schemes[si];
    std::filesystem::path dir = outDir / "Schemes" / scheme.name;
    std::filesystem::create_directories(dir);
    if (si > 0) cfg += "\r\n";
    cfg += std::string("[") + scheme.name + "]\r\n";
    report << "\n## " << scheme.name << "\n\n" << kTableHead << "\n" << kTableRule << "\n";
    std::array<Measures, kCatCount> press{};
    for (int c = 0; c < kCatCount; ++c) {
      uint64_t seed = MixSeed(kMasterSeed ^ (static_cast<uint64_t>(si) << 8) ^ static_cast<uint64_t>(c));
      Recipe recipe = scheme.make(c, seed);
      Finished f = Finish(std::move(recipe.samples), recipe.maxLength, kTargetLoudnessDb);
      std::string name(kCatNames[c]);
      if (!WriteWav(dir / (name + ".wav"), f.pcm)) return 1;
      std::string path = std::string("Schemes\\") + scheme.name + "\\" + name + ".wav";
      cfg += "k" + name + "=" + path + "\r\n";
      cfg += "ek" + name + "=1\r\n";
      cfg += "k" + name + "Vol=" + std::to_string(CategoryVolume(c)) + "\r\n";
      Measures m = press[c] = Measure(f.pcm);
      std::snprintf(line, sizeof line, "| %s | %.1f | %.1f%s | %.1f | %.1f | %.0f |\n",
                    name.c_str(), m.lengthMs, m.peakDb, f.peakLimited ? "*" : "", m.rmsDb,
                    m.loudnessDb, m.centroidHz);
      report << line;
    }
    cfg += "MouseEnabled=1\r\nKeyboardEnabled=1\r\n";
    if (!scheme.makeRelease) continue;

    // The release keys follow the keys every scheme has, in category order.
    report << "\n### " << scheme.name << ": release\n\n"
           << kTableHead << " peak vs press dB | centroid x press |\n"
           << kTableRule << "---:|---:|\n";
    for (int c = 0; c < kCatCount; ++c) {
      uint64_t seed = MixSeed(kReleaseSeed ^ (static_cast<uint64_t>(si) << 8) ^ static_cast<uint64_t>(c));
      Recipe recipe = scheme.makeRelease(c, seed);
      Finished f = Finish(std::move(recipe.samples), recipe.maxLength, kReleaseLoudnessDb);
      std::string name = std::string(kCatNames[c]) + "Release";
      if (!WriteWav(dir / (name + ".wav"), f.pcm)) return 1;
      cfg += "k" + name + "=Schemes\\" + scheme.name + "\\" + name + ".wav\r\n";
      Measures m = Measure(f.pcm);
      std::snprintf(line, sizeof line,
                    "| %s | %.1f | %.1f%s | %.1f | %.1f | %.0f | %+.1f | %.2f |\n",
                    std::string(kCatNames[c]).c_str(), m.lengthMs, m.peakDb,
                    f.peakLimited ? "*" : "", m.rmsDb, m.loudnessDb, m.centroidHz,
                    m.peakDb - press[c].peakDb, m.centroidHz / press[c].centroidHz);
      report << line;
    }
  }
  std::ofstream cfgFile(outDir / "schemes.cfg", std::ios::binary);
  cfgFile << cfg;
  if (!cfgFile) {
    std::cerr << "cannot write " << (outDir / "schemes.cfg").string() << "\n";
    return 1;
  }
  if (!reportPath.empty()) {
    std::ofstream reportFile(reportPath, std::ios::binary);
    reportFile << report.str();
    if (!reportFile) {
      std::cerr << "cannot write " << reportPath << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir, reportPath;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--report" && i + 1 < argc) {
      reportPath = argv[++i];
    } else if (outDir.empty() && !arg.starts_with("--")) {
      outDir = arg;
    } else {
      outDir.clear();
      break;
    }
  }
  if (outDir.empty()) {
    std::cerr << "usage: scheme_gen <output folder> [--report <markdown file>]\n";
    return 2;
  }
  try {
    return Run(outDir, reportPath);
  } catch (const std::exception& e) {
    std::cerr << "scheme_gen: " << e.what() << "\n";
    return 1;
  }
}
