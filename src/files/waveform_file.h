// Waveform files (.bmp): a blank 128 x 128 one-bit bitmap that any picture viewer opens,
// followed by the marker "KELMARW0" and 18 bytes of an instrument starting at the first
// byte of one oscillator pair (byte 1 + 4 x pair). 2136 bytes in all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/song.h"
#include "files/file_error.h"

namespace kelmar {

constexpr size_t kWaveformFileSize = 2136;
constexpr size_t kWaveformMarkerOffset = 2110;
constexpr size_t kWaveformByteCount = 18;
constexpr char kNoWaveformMessage[] = "No Kelmar Waveform";

// Pair 0 or 1; the first instrument byte the file holds.
constexpr size_t WaveformFirstByte(int pair) { return 1 + 4 * static_cast<size_t>(pair); }

std::vector<uint8_t> EncodeWaveformFile(const Instrument& instrument, int pair);
// On success writes the 18 bytes into instrument at the pair's place; on error nothing changes.
FileError DecodeWaveformFile(const uint8_t* data, size_t size, int pair, Instrument& instrument);

FileError LoadWaveformFile(const std::string& path, int pair, Instrument& instrument);
FileError SaveWaveformFile(const std::string& path, const Instrument& instrument, int pair);

}  // namespace kelmar
