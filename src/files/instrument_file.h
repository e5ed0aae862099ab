// Instrument files (.kli): exactly 128 bytes. A magic ("KELMARI2" synth mode 0,
// "KELMARI1" synth mode 1, "KELMARI0" legacy 44-byte record, read only), the 48-byte
// instrument, then 72 fill bytes 0x00..0x47 that the reader ignores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/song.h"
#include "files/file_error.h"

namespace kelmar {

constexpr size_t kInstrumentFileSize = 128;
constexpr char kNoInstrumentMessage[] = "No Kelmar Instrument";

std::vector<uint8_t> EncodeInstrumentFile(const Instrument& instrument, uint8_t synthMode);
// On success fills instrument and synthMode; on error leaves both untouched.
FileError DecodeInstrumentFile(const uint8_t* data, size_t size, Instrument& instrument, uint8_t& synthMode);

FileError LoadInstrumentFile(const std::string& path, Instrument& instrument, uint8_t& synthMode);
FileError SaveInstrumentFile(const std::string& path, const Instrument& instrument, uint8_t synthMode);

}  // namespace kelmar
