#pragma once
// The audio library's C API: the small part of the classic 2.0 interface that
// Brisolt calls. Exported undecorated (bass.def), WINAPI, handles as DWORD.

#include <windows.h>

typedef DWORD HSAMPLE;
typedef DWORD HCHANNEL;

typedef struct BASS_3DVECTOR {
  float x;
  float y;
  float z;
} BASS_3DVECTOR;

#define BASS_DEVICE_3D 4

#define BASS_SAMPLE_8BITS 1
#define BASS_SAMPLE_MONO 2
#define BASS_SAMPLE_LOOP 4
#define BASS_SAMPLE_3D 8
#define BASS_SAMPLE_FLOAT 256
#define BASS_UNICODE 0x80000000  // a file name is UTF-16 (wchar_t*), not ANSI text

#ifdef __cplusplus
extern "C" {
#endif

// 2, for version 2.0.
DWORD WINAPI BASS_GetVersion(void);
#define BASSVERSION 2  // the version of this interface, as BASS_GetVersion reports it
// Device 0 is "No sound", 1..n the active output endpoints by their friendly
// names; null past the last. The text stays valid until the list is read
// again from device 0.
char* WINAPI BASS_GetDeviceDescription(DWORD device);
// Ours, not of the classic interface: the endpoint id of device 1..n (UTF-8),
// which stays the same when other devices come and go; null for 0 and past
// the last. Valid like the description.
const char* WINAPI BASS_BrisoltGetDeviceEndpoint(DWORD device);
// Ours as well: how long the recent sounds took to reach the device, for
// the options window and the benchmarks. All times in microseconds.
typedef struct BASS_BRISOLT_LATENCY {
  DWORD size;           // set by the caller to sizeof(BASS_BRISOLT_LATENCY)
  DWORD voices;         // recent sounds the figures cover (at most 256)
  DWORD p50, p99, max;  // play call to the release of the first device buffer holding the sound
  DWORD mixerP50, mixerP99;  // play call to the sound's start in the mixer
  DWORD period;         // the stream's period
  DWORD streamLatency;  // the stream's own latency (the engine's, plus one period)
  DWORD flags;          // BASS_BRISOLT_*
  DWORD wakeups;        // the render thread's wake-ups since BASS_Init
  char device[128];     // the endpoint playing (or last played), ANSI
} BASS_BRISOLT_LATENCY;
#define BASS_BRISOLT_RUNNING 1     // the stream runs
#define BASS_BRISOLT_OPEN 2        // an audio client is held
#define BASS_BRISOLT_CHOSEN 4      // on the endpoint asked for, not the default standing in
#define BASS_BRISOLT_BLUETOOTH 8   // the endpoint is a Bluetooth one
// FALSE with the "init" error before BASS_Init, "not available" on device 0 and
// "illegal parameter" for a null or too small struct.
BOOL WINAPI BASS_BrisoltGetLatency(BASS_BRISOLT_LATENCY* info);
// Ours: TRUE, the user is there (input), so the stream runs or starts now and
// stays running for a minute; FALSE, nothing will sound for a while (muted),
// so the stream stops and lets the device go once silent.
BOOL WINAPI BASS_BrisoltSetActivity(BOOL active);
// Opens a device (-1: the system's default, followed when it changes).
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win, GUID* clsid);
BOOL WINAPI BASS_Free(void);
// The error code of the calling thread's last call (0 after a success).
DWORD WINAPI BASS_ErrorGetCode(void);
// Loads a sound file (mem = FALSE: file is a path) or a file image in memory
// (mem = TRUE: file points to length bytes): RIFF/WAVE or Ogg Vorbis, told by
// the content, not the name. max: simultaneous playbacks.
HSAMPLE WINAPI BASS_SampleLoad(BOOL mem, void* file, DWORD offset, DWORD length, DWORD max, DWORD flags);
// Plays a sample. Null vectors mean zero; freq -1 (or 0) is the sample's own
// rate, and another rate from 100 to 200000 Hz plays it that much higher (and
// shorter) or lower: the mixer reads the sample's data at that pace through a
// band-limited kernel, with nothing copied;
// volume 0..100; start is a frame offset into the sample. For a sample loaded
// with BASS_SAMPLE_3D, pos->x (-1 left .. 1 right) places it between the two
// channels: the far side is turned down, the near side keeps its level, so a
// sound at 0 is exactly as loud as an unplaced one.
HCHANNEL WINAPI BASS_SamplePlay3DEx(HSAMPLE handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient,
                                    BASS_3DVECTOR* vel, DWORD start, int freq, int volume, BOOL loop);
// Ours: what the library decoded of a sample, for a picture of it.
typedef struct BASS_BRISOLT_SAMPLEINFO {
  DWORD size;      // set by the caller to sizeof(BASS_BRISOLT_SAMPLEINFO)
  DWORD freq;      // the file's own sample rate
  DWORD frames;    // its length in frames of that rate
  DWORD lengthMs;  // its length in milliseconds (rounded)
  float peak;      // the highest absolute value of either channel, 0..1 (1 = full scale)
} BASS_BRISOLT_SAMPLEINFO;
// FALSE with the "handle" error for an unknown sample and "illegal
// parameter" for a null or too small struct.
BOOL WINAPI BASS_BrisoltGetSampleInfo(HSAMPLE handle, BASS_BRISOLT_SAMPLEINFO* info);
// The sample's outline over `columns` equal parts of its length: for each
// part the lowest and the highest value of either channel (-1..1), as pairs
// low, high in lowHigh[2 * columns]. FALSE as above, or for 0 columns.
BOOL WINAPI BASS_BrisoltGetSampleOutline(HSAMPLE handle, float* lowHigh, DWORD columns);
// The sample's data as interleaved 16-bit stereo at the rate it is kept at
// (in *rate, when not null): up to `frames` frames copied into `stereo` (which
// may be null to ask the length). Returns the sample's length in frames, or
// (DWORD)-1 with the "handle" error for an unknown sample.
DWORD WINAPI BASS_BrisoltGetSampleData(HSAMPLE handle, short* stereo, DWORD frames, DWORD* rate);
// A slice of a file, `lengthMs` from `startMs` on (cut short at the file's
// end), loaded as a sample of its own as BASS_SampleLoad loads a whole file
// (flags BASS_UNICODE, BASS_SAMPLE_3D). Slices are kept in the decode cache;
// a slice not prepared decodes its file. Error 20 for a slice that begins at
// or past the end, or of length 0.
HSAMPLE WINAPI BASS_BrisoltSampleLoadSlice(const void* file, DWORD startMs, DWORD lengthMs, DWORD max, DWORD flags);
// Decodes the file once and keeps `count` slices of it (pairs of start and
// length in ms in startLength[2 * count]) in the decode cache, so that
// loading them costs no decoding; nothing when every one is kept already.
// A slice that begins at or past the file's end gives error 20 (the others
// are kept all the same), and loading it fails at once from then on.
BOOL WINAPI BASS_BrisoltPrepareSlices(const void* file, const DWORD* startLength, DWORD count, DWORD flags);
BOOL WINAPI BASS_SampleStop(HSAMPLE handle);
BOOL WINAPI BASS_SampleFree(HSAMPLE handle);
// The environmental reverb in force: env 0..25, vol (wet level 0..1), decay
// (RT60 in seconds), damp (0 highs die fastest .. 1 even .. 2 lows die fastest).
BOOL WINAPI BASS_GetEAXParameters(DWORD* env, float* vol, float* decay, float* damp);
// Sets it; a negative value leaves that parameter as it is.
BOOL WINAPI BASS_SetEAXParameters(int env, float vol, float decay, float damp);

#ifdef __cplusplus
}
#endif
