#pragma once
// The environmental reverb presets: index 0 "Off", 1..26 the classic
// environments. The index is the line of the Effects list, the position in the
// tray's "EAX" submenu and the stored EaxEnv; the environment number is the
// index minus 1.

#include <array>

struct EaxPreset {
  const char* name;
  float volume;  // reverb level, 0 = none .. 1
  float decay;   // seconds
  float damping; // 0 .. 2
};

inline constexpr std::array<EaxPreset, 27> kEaxPresets = {{
    {"Off", 0.0f, 0.0f, 0.0f},
    {"Generic", 0.5f, 1.493f, 0.5f},
    {"Padded Cell", 0.25f, 0.1f, 0.0f},
    {"Room", 0.417f, 0.4f, 0.666f},
    {"Bathroom", 0.653f, 1.499f, 0.166f},
    {"Living Room", 0.208f, 0.478f, 0.0f},
    {"Stone Room", 0.5f, 2.309f, 0.888f},
    {"Auditorium", 0.403f, 4.279f, 0.5f},
    {"Concert Hall", 0.5f, 3.961f, 0.5f},
    {"Cave", 0.5f, 2.886f, 1.304f},
    {"Arena", 0.361f, 7.284f, 0.332f},
    {"Hangar", 0.5f, 10.0f, 0.3f},
    {"Carpeted Hallway", 0.153f, 0.259f, 2.0f},
    {"Hallway", 0.361f, 1.493f, 0.0f},
    {"Stone Corridor", 0.444f, 2.697f, 0.638f},
    {"Alley", 0.25f, 1.752f, 0.776f},
    {"Forrest", 0.111f, 3.145f, 0.472f},
    {"City", 0.111f, 2.767f, 0.224f},
    {"Mountains", 0.194f, 7.841f, 0.472f},
    {"Quarry", 1.0f, 1.499f, 0.5f},
    {"Plain", 0.097f, 2.767f, 0.224f},
    {"Parking Lot", 0.208f, 1.652f, 1.5f},
    {"Sewer Pipe", 0.652f, 2.886f, 0.25f},
    {"Under Water", 1.0f, 1.499f, 0.0f},
    {"Drugged", 0.875f, 8.392f, 1.388f},
    {"Dizzy", 0.139f, 17.234f, 0.666f},
    {"Psychotic", 0.486f, 7.563f, 0.806f},
}};
