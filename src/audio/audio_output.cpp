#include "audio/audio_output.h"
