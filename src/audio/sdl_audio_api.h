// The few SDL 1.2 audio calls Kelmar makes, taken from the library when sound is first
// wanted. Loading SDL brings in its backends (PulseAudio, ALSA, X11 for its video half)
// and several megabytes with them, which a render to a file never needs.
#pragma once

#include <SDL.h>

namespace kelmar {

struct SdlAudioApi {
  int (*InitSubSystem)(Uint32 flags);
  void (*Quit)();
  int (*OpenAudio)(SDL_AudioSpec* desired, SDL_AudioSpec* obtained);
  void (*CloseAudio)();
  void (*PauseAudio)(int pauseOn);
  void (*LockAudio)();
  void (*UnlockAudio)();
  char* (*AudioDriverName)(char* name, int maxlen);
};

// The calls, loaded on the first use and kept for the process; nullptr where the library or
// one of its calls cannot be found (then nothing plays, as without a sound device).
const SdlAudioApi* SdlAudio();

}  // namespace kelmar
