#include "app/commands.h"

#include <exception>
#include <utility>
#include <vector>

#include "audio/press_rules.h"
#include "input/hotkeys.h"
#include "input/quiet_rules.h"
#include "settings/settings.h"

namespace {

struct Subscription {
  int id;
  ModelListener listener;
};
std::vector<Subscription> subscriptions;
int lastSubscriptionId = 0;
CommandServices services;
std::string quietReason;

void Log(const std::string& line) {
  if (services.log) services.log(line);
}

}  // namespace

int Subscribe(ModelListener listener) {
  subscriptions.push_back({++lastSubscriptionId, std::move(listener)});
  return lastSubscriptionId;
}

void Unsubscribe(int id) {
  std::erase_if(subscriptions, [id](const Subscription& s) { return s.id == id; });
}

void AnnounceModelChange(ModelChanges changes) {
  if (!changes) return;
  // A listener may subscribe or unsubscribe while it is told (a window that
  // closes, say): the round goes over the subscribers of its start.
  std::vector<Subscription> round = subscriptions;
  for (const Subscription& s : round) {
    bool stillSubscribed = false;
    for (const Subscription& now : subscriptions) stillSubscribed = stillSubscribed || now.id == s.id;
    if (stillSubscribed && s.listener) s.listener(changes);
  }
}

void SetCommandServices(CommandServices newServices) { services = std::move(newServices); }

bool MakeSchemeCurrent(int index) {
  if (index < 0 || index >= schemeList.Count()) return false;
  settings.CurrentSchemeName = schemeList.Name(index);
  AnnounceModelChange(kChangedCurrentScheme);
  return true;
}

int CurrentSchemeIndex() { return schemeList.FindScheme(settings.CurrentSchemeName); }

void StepScheme(int direction) {
  int current = CurrentSchemeIndex();
  int next = direction > 0 ? NextSchemeIndex(current, schemeList.Count())
                           : PreviousSchemeIndex(current, schemeList.Count());
  MakeSchemeCurrent(next);
}

bool ReplaceScheme(int index, const std::string& name, const TScheme& scheme, bool renameCurrent) {
  if (index < 0 || index >= schemeList.Count()) return false;
  schemeList.Replace(index, name, scheme);
  ModelChanges changes = kChangedSchemeList;
  if (renameCurrent) {
    settings.CurrentSchemeName = name;
    changes |= kChangedCurrentScheme;
  }
  AnnounceModelChange(changes);
  return true;
}

int AddScheme(const std::string& name, const TScheme& scheme) {
  schemeList.Append(name, scheme);
  AnnounceModelChange(kChangedSchemeList);
  return schemeList.Count() - 1;
}

int AddCurrentScheme(const std::string& name, const TScheme& scheme) {
  schemeList.Append(name, scheme);
  settings.CurrentSchemeName = name;
  AnnounceModelChange(kChangedSchemeList | kChangedCurrentScheme);
  return schemeList.Count() - 1;
}

bool DeleteScheme(int index) {
  if (index < 0 || index >= schemeList.Count()) return false;
  ModelChanges changes = kChangedSchemeList;
  if (index == CurrentSchemeIndex()) {
    settings.CurrentSchemeName.clear();  // no scheme is current: key events play nothing
    changes |= kChangedCurrentScheme;
  }
  schemeList.Delete(index);
  AnnounceModelChange(changes);
  return true;
}

void ToggleMute() {
  settings.MuteSound = !settings.MuteSound;
  AnnounceModelChange(kChangedMute);
}

void SetGlobalVolume(int32_t volume) {
  settings.GlobalVolume = volume;
  AnnounceModelChange(kChangedVolume);
}

void RaiseGlobalVolume() { SetGlobalVolume(VolumeRaised(settings.GlobalVolume, settings.VolUpValue)); }
void LowerGlobalVolume() { SetGlobalVolume(VolumeLowered(settings.GlobalVolume, settings.VolDownValue)); }

void SetReverbPreset(int32_t index) {
  settings.EaxEnv = index;
  AnnounceModelChange(kChangedReverb);
}

void SetDevice(int32_t deviceId, const std::string& endpoint, bool support3D, bool supportEAX) {
  settings.DeviceID = deviceId;
  settings.DeviceEndpoint = endpoint;
  settings.Support3D = support3D;
  settings.SupportEAX = supportEAX;
  AnnounceModelChange(kChangedDevice);
}

const std::string& QuietReasonNow() { return quietReason; }

void SetQuietReason(const std::string& reason) {
  if (reason == quietReason) return;
  quietReason = reason;
  AnnounceModelChange(kChangedQuiet);
}

void ToggleQuietProgram(const std::string& program) {
  std::string list = JoinProgramList(ToggleProgram(ParseProgramList(settings.QuietPrograms), program));
  if (list == settings.QuietPrograms) return;
  settings.QuietPrograms = list;
  AnnounceModelChange(kChangedQuietRules);
}

void SetEditorHeight(int32_t height) {
  settings.FormSchemeHeight = height;
  AnnounceModelChange(kChangedEditorSize);
}

void ApplyOptions(const OptionsPages& pages) {
  const Settings before = settings;
  settings.AnimIcon = pages.animIcon;
  if (pages.startWithWindows != settings.AutoRun) {
    try {
      if (services.setAutoRun) services.setAutoRun(pages.startWithWindows);
      settings.AutoRun = pages.startWithWindows;
    } catch (const std::exception& error) {
      Log(error.what());
    }
  }
  if (pages.eaxLine >= 0) settings.EaxEnv = pages.eaxLine;
  for (size_t i = 0; i < kHotkeyBindings.size(); ++i) {
    settings.*kHotkeyBindings[i].hotKey = pages.hotkeys[i].hotKey;
    settings.*kHotkeyBindings[i].modifiers = pages.hotkeys[i].modifiers;
  }
  settings.VolUpValue = pages.volUpStep;
  settings.VolDownValue = pages.volDownStep;
  if (pages.mouseAction >= 0) settings.MouseActionIndex = pages.mouseAction;
  settings.QuietFullScreen = pages.quietFullScreen;
  settings.QuietMicrophone = pages.quietMicrophone;
  settings.QuietPrograms = JoinProgramList(ParseProgramList(pages.quietPrograms));
  settings.Variation = VariationLevel(pages.variation);
  settings.KeyPanning = pages.keyPanning;
  settings.OverlapSounds = pages.overlapSounds;

  ModelChanges changes = 0;
  if (settings.EaxEnv != before.EaxEnv) changes |= kChangedReverb;
  for (const HotkeyBinding& binding : kHotkeyBindings) {
    if (settings.*binding.hotKey != before.*binding.hotKey || settings.*binding.modifiers != before.*binding.modifiers) {
      changes |= kChangedHotkeys;
    }
  }
  if (settings.AutoRun != before.AutoRun || settings.AnimIcon != before.AnimIcon ||
      settings.VolUpValue != before.VolUpValue || settings.VolDownValue != before.VolDownValue ||
      settings.MouseActionIndex != before.MouseActionIndex || settings.Variation != before.Variation ||
      settings.KeyPanning != before.KeyPanning || settings.OverlapSounds != before.OverlapSounds) {
    changes |= kChangedOptions;
  }
  if (settings.QuietFullScreen != before.QuietFullScreen || settings.QuietMicrophone != before.QuietMicrophone ||
      settings.QuietPrograms != before.QuietPrograms) {
    changes |= kChangedQuietRules;
  }
  AnnounceModelChange(changes);
}
