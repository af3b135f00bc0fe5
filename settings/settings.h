#pragma once
// The program's settings: one process-wide variable per key of config.cfg,
// read at start, changed only by the commands (app/commands.h), written by the
// store (config.cfg: settings/option_keys.h).

#include <cstdint>
#include <string>

#include "settings/scheme.h"

struct Settings {
  bool AutoRun = false;
  std::string CurrentSchemeName;  // key "CurrentSchem"; empty: no scheme active
  bool AnimIcon = false;
  int32_t GlobalVolume = 0;       // percent, 0..100
  uint16_t OptionsHotKey = 0;
  uint16_t OptionsModifiers = 0;
  uint16_t SoundHotKey = 0;
  uint16_t SoundModifiers = 0;
  uint16_t VolumeUpHotKey = 0;
  uint16_t VolumeUpHotKeyModifiers = 0;
  uint16_t VolumeDownHotKey = 0;
  uint16_t VolumeDownHotKeyModifiers = 0;
  uint16_t NextSchemeHotKey = 0;
  uint16_t NextSchemeHotKeyModifiers = 0;
  uint16_t PrevSchemeHotKey = 0;
  uint16_t PrevSchemeHotKeyModifiers = 0;
  int32_t MouseActionIndex = 0;   // tray click: 0 toggles the sound, 1 shows the options
  int32_t DeviceID = 0;           // audio output device; 0 plays nothing
  bool Support3D = false;
  bool SupportEAX = false;
  bool MuteSound = false;
  int32_t EaxEnv = 0;             // 0 "Off", 1..26 the environmental presets
  int32_t VolUpValue = 0;
  int32_t VolDownValue = 0;
  int32_t FormSchemeHeight = 0;
  std::string DeviceEndpoint;     // the chosen output's endpoint id; empty: DeviceID alone
  bool QuietFullScreen = false;   // quiet while a full-screen program is in front
  std::string QuietPrograms;      // executables to be quiet in, separated by "|"
  bool QuietMicrophone = false;   // quiet while a program uses the microphone
  int32_t Variation = 0;          // 0..10: how much each press differs in pitch and level
  bool KeyPanning = false;        // keys placed left to right as they lie on the keyboard
  bool OverlapSounds = false;     // a press does not cut the key sounds before it

  bool operator==(const Settings&) const = default;
};

// The process-wide state. Only the GUI thread touches it.
extern Settings settings;
extern SchemeList schemeList;
