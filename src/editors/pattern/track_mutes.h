// Mute and solo while listening: a set of muted tracks (bit t = track t), never part of the
// song. The live output leaves the muted tracks' voices out.
#pragma once

#include <cstdint>

namespace kelmar {

// Mute Track: the track's bit toggles.
constexpr uint8_t ToggleMute(uint8_t muted, int track) { return static_cast<uint8_t>(muted ^ (1u << track)); }

// Solo Track: only the track plays; when that is already so, every track plays again.
constexpr uint8_t ToggleSolo(uint8_t muted, int track) {
  const auto others = static_cast<uint8_t>(~(1u << track));
  return muted == others ? 0 : others;
}

constexpr bool IsMuted(uint8_t muted, int track) { return (muted >> track) & 1u; }

}  // namespace kelmar
