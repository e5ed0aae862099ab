#include "audio/sdl_audio_api.h"

#include <dlfcn.h>

#include <optional>

namespace kelmar {
namespace {

template <typename Fn>
bool Resolve(void* library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(library, name));
  return fn != nullptr;
}

std::optional<SdlAudioApi> Load() {
  // Never unloaded: SDL's threads and its atexit handlers live in it.
  void* library = dlopen("libSDL-1.2.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) return std::nullopt;
  SdlAudioApi api{};
  const bool all = Resolve(library, "SDL_InitSubSystem", api.InitSubSystem) && Resolve(library, "SDL_Quit", api.Quit) &&
                   Resolve(library, "SDL_OpenAudio", api.OpenAudio) &&
                   Resolve(library, "SDL_CloseAudio", api.CloseAudio) &&
                   Resolve(library, "SDL_PauseAudio", api.PauseAudio) &&
                   Resolve(library, "SDL_LockAudio", api.LockAudio) &&
                   Resolve(library, "SDL_UnlockAudio", api.UnlockAudio) &&
                   Resolve(library, "SDL_AudioDriverName", api.AudioDriverName);
  if (!all) return std::nullopt;
  return api;
}

}  // namespace

const SdlAudioApi* SdlAudio() {
  static const std::optional<SdlAudioApi> api = Load();  // thread-safe, once
  return api ? &*api : nullptr;
}

}  // namespace kelmar
