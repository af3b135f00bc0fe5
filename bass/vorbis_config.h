#pragma once
// How the audio library builds stb_vorbis (Debian's libstb-dev): from memory
// only, pulled whole, at most as many channels as the library plays.
#define STB_VORBIS_NO_STDIO 1
#define STB_VORBIS_NO_PUSHDATA_API 1
#define STB_VORBIS_MAX_CHANNELS 8
