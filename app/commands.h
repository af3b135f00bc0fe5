#pragma once
// The user's commands: the only code that changes the shared model (the
// settings variables and SchemeList). Each command changes the model and then
// announces what changed, once, to every subscriber; the tray, the menus and
// the windows redraw themselves from the model when they hear of it, and the
// audio engine and the hotkey registrations follow it the same way.
// Everything runs on the GUI thread.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "settings/scheme.h"

// What a command changed (a set of these flags).
enum ModelChange : unsigned {
  kChangedCurrentScheme = 1u << 0,  // CurrentSchemeName
  kChangedSchemeList = 1u << 1,     // a scheme added, replaced (renamed) or deleted
  kChangedMute = 1u << 2,           // MuteSound
  kChangedVolume = 1u << 3,         // GlobalVolume
  kChangedReverb = 1u << 4,         // EaxEnv
  kChangedHotkeys = 1u << 5,        // any of the six combinations
  kChangedOptions = 1u << 6,        // AutoRun, AnimIcon, the volume steps, MouseActionIndex, how keys sound
  kChangedDevice = 1u << 7,         // DeviceID, DeviceEndpoint, Support3D, SupportEAX
  kChangedEditorSize = 1u << 8,     // FormSchemeHeight
  kChangedQuietRules = 1u << 9,     // QuietFullScreen, QuietPrograms, QuietMicrophone
  kChangedQuiet = 1u << 10,         // whether a quiet rule holds now, and why (not a setting)
};
using ModelChanges = unsigned;
inline constexpr ModelChanges kChangedEverything = (1u << 11) - 1;

using ModelListener = std::function<void(ModelChanges)>;

// Subscribers hear every announcement in the order they subscribed. The
// returned id ends the subscription.
int Subscribe(ModelListener listener);
void Unsubscribe(int id);
// Tells every subscriber that these parts of the model changed (after a load,
// say). Nothing is announced for an empty set.
void AnnounceModelChange(ModelChanges changes);

// What the commands need from the system, given once at start (tests give fakes).
struct CommandServices {
  // Adds or removes the Run value; throws std::runtime_error when refused.
  std::function<void(bool on)> setAutoRun;
  std::function<void(const std::string& line)> log;
};
void SetCommandServices(CommandServices services);

// ---- Schemes ---------------------------------------------------------------------
// The row of the current scheme in the list, -1 when none: the first whose
// name is the current name without regard to case, as the key events find
// it. Every question "is this the current scheme?" is asked through this.
int CurrentSchemeIndex();
// Makes the scheme at `index` current; false (and no change) for an index
// outside the list.
bool MakeSchemeCurrent(int index);
// The next (direction +1) or previous (-1) scheme becomes current, wrapping at
// both ends. A current scheme that is not in the list steps to the first or
// the last; an empty list changes nothing.
void StepScheme(int direction);
// Puts a new scheme in the place of the one at `index`. With renameCurrent
// (the scheme was the current one when its editing began) the current scheme
// name follows the new name. False for an index outside the list.
bool ReplaceScheme(int index, const std::string& name, const TScheme& scheme, bool renameCurrent);
// Appends a scheme; returns its index.
int AddScheme(const std::string& name, const TScheme& scheme);
// Appends a scheme and makes it current at once (an imported sound pack);
// returns its index.
int AddCurrentScheme(const std::string& name, const TScheme& scheme);
// Deletes the scheme at `index`; when its name is the current scheme's, no
// scheme is current afterwards. False for an index outside the list.
bool DeleteScheme(int index);

// ---- Sound ----------------------------------------------------------------------
void ToggleMute();
void SetGlobalVolume(int32_t volume);
// The volume hotkeys: up or down by the step of the settings, within 0..100.
void RaiseGlobalVolume();
void LowerGlobalVolume();
// 0 "Off" or 1..26, the line of the Effects list.
void SetReverbPreset(int32_t index);
// A device was chosen or opened: its number, its endpoint id (empty for "No
// sound" and when unknown) and what it offers.
void SetDevice(int32_t deviceId, const std::string& endpoint, bool support3D, bool supportEAX);

// ---- Quiet by itself ---------------------------------------------------------------
// Why keys are quiet now ("" when they are not): set by the quiet watcher
// from the window in front and the microphone, announced when it changes.
// Independent of the user's mute: neither undoes the other.
const std::string& QuietReasonNow();
void SetQuietReason(const std::string& reason);
// The tray menu's "Quiet in <program>": adds the program to the quiet list,
// or takes it out when it is there.
void ToggleQuietProgram(const std::string& program);

// ---- Windows ----------------------------------------------------------------------
void SetEditorHeight(int32_t height);

// What the options window's pages hold when Apply or Ok is pressed.
struct OptionsPages {
  bool startWithWindows = false;
  bool animIcon = false;
  int32_t eaxLine = -1;     // -1: no line selected, the preset stays
  struct Hotkey {
    uint16_t hotKey = 0;
    uint16_t modifiers = 0;
  };
  std::array<Hotkey, 6> hotkeys{};  // in the order of kHotkeyBindings
  int32_t volUpStep = 0;    // already within 1..99
  int32_t volDownStep = 0;
  int32_t mouseAction = -1;  // -1: no line selected, the action stays
  bool quietFullScreen = false;
  bool quietMicrophone = false;
  std::string quietPrograms;  // as the setting holds it: names separated by "|"
  int32_t variation = 0;      // 0..10
  bool keyPanning = false;
  bool overlapSounds = false;
};
// Takes the pages over into the settings. A Run value that cannot be written
// is logged and AutoRun keeps saying what is true; everything else is still
// applied.
void ApplyOptions(const OptionsPages& pages);
