// The version the library reports: 2.0, the interface the program was written
// against. A test build sets another one to see the program refuse it.
#include "bass/bass.h"

#ifndef BRISOLT_BASS_VERSION
#define BRISOLT_BASS_VERSION BASSVERSION
#endif

DWORD WINAPI BASS_GetVersion(void) { return BRISOLT_BASS_VERSION; }
