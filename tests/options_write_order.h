#pragma once
// The order in which config.cfg's keys are written: stored files and the
// users who read them rely on it, so the tests hold their own copy.

#include <string>
#include <vector>

inline const std::vector<std::string> kOptionsWriteOrder = {
    "AutoRun", "AnimIcon", "CurrentSchem", "GlobalVolume", "DeviceID", "Support3D", "SupportEAX",
    "MuteSound", "EaxEnv", "VolUpValue", "VolDownValue", "FormSchemeHeight", "OptionsHotKey",
    "OptionsModifiers", "SoundHotKey", "SoundModifiers", "VolumeUpHotKey", "VolumeUpHotKeyModifiers",
    "VolumeDownHotKey", "VolumeDownHotKeyModifiers", "NextSchemeHotKey", "NextSchemeHotKeyModifiers",
    "PrevSchemeHotKey", "PrevSchemeHotKeyModifiers", "MouseActionIndex", "DeviceEndpoint",
    "QuietFullScreen", "QuietPrograms", "QuietMicrophone", "Variation", "KeyPanning", "OverlapSounds"};
