#include "files/waveform_file.h"

#include <cstring>

#include "files/safe_write.h"

namespace kelmar {

namespace {

constexpr char kMarker[] = "KELMARW0";
constexpr size_t kMarkerSize = 8;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, static_cast<uint16_t>(v & 0xFFFF));
  PutU16(out, static_cast<uint16_t>(v >> 16));
}

bool ValidPair(int pair) { return pair == 0 || pair == 1; }

}  // namespace

std::vector<uint8_t> EncodeWaveformFile(const Instrument& instrument, int pair) {
  if (!ValidPair(pair)) return {};
  std::vector<uint8_t> out;
  out.reserve(kWaveformFileSize);
  // File header.
  out.push_back('B');
  out.push_back('M');
  PutU32(out, 2110);  // the bitmap part only, not the settings behind it
  PutU32(out, 0);
  PutU32(out, 62);
  // Information header: 128 x 128, bottom-up, one bit per pixel, uncompressed.
  PutU32(out, 40);
  PutU32(out, 128);
  PutU32(out, 128);
  PutU16(out, 1);
  PutU16(out, 1);
  PutU32(out, 0);
  PutU32(out, 2048);
  PutU32(out, 3780);
  PutU32(out, 3780);
  PutU32(out, 0);
  PutU32(out, 0);
  // Palette: dark grey, white.
  const uint8_t palette[8] = {0x22, 0x22, 0x22, 0, 0xFF, 0xFF, 0xFF, 0};
  out.insert(out.end(), palette, palette + 8);
  out.resize(out.size() + 2048, 0);  // every pixel dark grey
  out.insert(out.end(), kMarker, kMarker + kMarkerSize);
  const uint8_t* from = instrument.bytes() + WaveformFirstByte(pair);
  out.insert(out.end(), from, from + kWaveformByteCount);
  return out;
}

FileError DecodeWaveformFile(const uint8_t* data, size_t size, int pair, Instrument& instrument) {
  if (!ValidPair(pair) || size != kWaveformFileSize) return FileError::Format(kNoWaveformMessage);
  if (std::memcmp(data + kWaveformMarkerOffset, kMarker, kMarkerSize) != 0)
    return FileError::Format(kNoWaveformMessage);
  std::memcpy(instrument.bytes() + WaveformFirstByte(pair), data + kWaveformMarkerOffset + kMarkerSize,
              kWaveformByteCount);
  return {};
}

FileError LoadWaveformFile(const std::string& path, int pair, Instrument& instrument) {
  std::vector<uint8_t> bytes;
  bool tooLarge = false;
  if (FileError e = ReadFileBytes(path, kWaveformFileSize, bytes, &tooLarge)) return e;
  if (tooLarge) return FileError::Format(kNoWaveformMessage);
  return DecodeWaveformFile(bytes.data(), bytes.size(), pair, instrument);
}

FileError SaveWaveformFile(const std::string& path, const Instrument& instrument, int pair) {
  if (!ValidPair(pair)) return FileError::Format(kNoWaveformMessage);
  return WriteFileSafely(path, EncodeWaveformFile(instrument, pair));
}

}  // namespace kelmar
