#pragma once
// The library's error codes (the published values of the API we implement).

inline constexpr int kBassOk = 0;
inline constexpr int kBassErrorMem = 1;
inline constexpr int kBassErrorFileOpen = 2;
inline constexpr int kBassErrorDriver = 3;
inline constexpr int kBassErrorHandle = 5;
inline constexpr int kBassErrorFormat = 6;     // a WAV in an encoding we do not decode
inline constexpr int kBassErrorInit = 8;       // a call before BASS_Init
inline constexpr int kBassErrorStart = 9;
inline constexpr int kBassErrorAlready = 14;
inline constexpr int kBassErrorNoChannel = 18;
inline constexpr int kBassErrorIllegalParam = 20;
inline constexpr int kBassErrorNo3D = 21;
inline constexpr int kBassErrorNoEax = 22;
inline constexpr int kBassErrorDevice = 23;
inline constexpr int kBassErrorFileForm = 41;  // not a sound file of a format read here
inline constexpr int kBassErrorCodec = 44;     // a format whose decoder this Windows lacks
inline constexpr int kBassErrorNotAvailable = 37;  // not on this device ("No sound")
inline constexpr int kBassErrorUnknown = -1;
