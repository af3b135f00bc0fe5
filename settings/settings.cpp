#include "settings/settings.h"

#include "settings/ini_values.h"

Settings settings;
SchemeList schemeList;

void ReadSettings(IniStore& config, bool autoRunDefault, bool firstStart, Settings& s) {
  const std::string sec = kOptionsSection;
  s.AutoRun = ReadBool(config, sec, "AutoRun", autoRunDefault);
  s.CurrentSchemeName = config.ReadString(sec, "CurrentSchem", "TypeWriter");
  s.AnimIcon = ReadBool(config, sec, "AnimIcon", true);
  s.GlobalVolume = ReadInteger(config, sec, "GlobalVolume", 60);
  s.OptionsHotKey = ReadWord(config, sec, "OptionsHotKey", 49231);  // Ctrl+Alt+O
  s.OptionsModifiers = ReadWord(config, sec, "OptionsModifiers", 3);
  s.SoundHotKey = ReadWord(config, sec, "SoundHotKey", 49235);  // Ctrl+Alt+S
  s.SoundModifiers = ReadWord(config, sec, "SoundModifiers", 3);
  s.VolumeUpHotKey = ReadWord(config, sec, "VolumeUpHotKey", 49225);  // Ctrl+Alt+I
  s.VolumeUpHotKeyModifiers = ReadWord(config, sec, "VolumeUpHotKeyModifiers", 3);
  s.VolumeDownHotKey = ReadWord(config, sec, "VolumeDownHotKey", 49234);  // Ctrl+Alt+R
  s.VolumeDownHotKeyModifiers = ReadWord(config, sec, "VolumeDownHotKeyModifiers", 3);
  s.NextSchemeHotKey = ReadWord(config, sec, "NextSchemeHotKey", 57422);  // Ctrl+Alt+Shift+N
  s.NextSchemeHotKeyModifiers = ReadWord(config, sec, "NextSchemeHotKeyModifiers", 7);
  s.PrevSchemeHotKey = ReadWord(config, sec, "PrevSchemeHotKey", 57424);  // Ctrl+Alt+Shift+P
  s.PrevSchemeHotKeyModifiers = ReadWord(config, sec, "PrevSchemeHotKeyModifiers", 7);
  s.MouseActionIndex = ReadInteger(config, sec, "MouseActionIndex", 0);
  if (!firstStart) {
    s.DeviceID = ReadInteger(config, sec, "DeviceID", 0);
    s.Support3D = ReadBool(config, sec, "Support3D", true);
    s.SupportEAX = ReadBool(config, sec, "SupportEAX", true);
  }
  s.MuteSound = ReadBool(config, sec, "MuteSound", false);
  s.EaxEnv = ReadInteger(config, sec, "EaxEnv", 0);
  s.VolUpValue = ReadInteger(config, sec, "VolUpValue", 10);
  s.VolDownValue = ReadInteger(config, sec, "VolDownValue", 10);
  s.FormSchemeHeight = ReadInteger(config, sec, "FormSchemeHeight", 400);
}

void WriteSettings(const Settings& s, IniStore& config) {
  const std::string sec = kOptionsSection;
  auto put = [&](const char* key, const std::string& value) { config.WriteString(sec, key, value); };
  put("AutoRun", BoolText(s.AutoRun));
  put("AnimIcon", BoolText(s.AnimIcon));
  put("CurrentSchem", s.CurrentSchemeName);
  put("GlobalVolume", IntegerText(s.GlobalVolume));
  put("DeviceID", IntegerText(s.DeviceID));
  put("Support3D", BoolText(s.Support3D));
  put("SupportEAX", BoolText(s.SupportEAX));
  put("MuteSound", BoolText(s.MuteSound));
  put("EaxEnv", IntegerText(s.EaxEnv));
  put("VolUpValue", IntegerText(s.VolUpValue));
  put("VolDownValue", IntegerText(s.VolDownValue));
  put("FormSchemeHeight", IntegerText(s.FormSchemeHeight));
  put("OptionsHotKey", IntegerText(s.OptionsHotKey));
  put("OptionsModifiers", IntegerText(s.OptionsModifiers));
  put("SoundHotKey", IntegerText(s.SoundHotKey));
  put("SoundModifiers", IntegerText(s.SoundModifiers));
  put("VolumeUpHotKey", IntegerText(s.VolumeUpHotKey));
  put("VolumeUpHotKeyModifiers", IntegerText(s.VolumeUpHotKeyModifiers));
  put("VolumeDownHotKey", IntegerText(s.VolumeDownHotKey));
  put("VolumeDownHotKeyModifiers", IntegerText(s.VolumeDownHotKeyModifiers));
  put("NextSchemeHotKey", IntegerText(s.NextSchemeHotKey));
  put("NextSchemeHotKeyModifiers", IntegerText(s.NextSchemeHotKeyModifiers));
  put("PrevSchemeHotKey", IntegerText(s.PrevSchemeHotKey));
  put("PrevSchemeHotKeyModifiers", IntegerText(s.PrevSchemeHotKeyModifiers));
  put("MouseActionIndex", IntegerText(s.MouseActionIndex));
}
