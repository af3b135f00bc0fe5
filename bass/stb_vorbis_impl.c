/* stb_vorbis's implementation, compiled once into the audio library. */
#include "bass/vorbis_config.h"

#include <stb_vorbis.h>
