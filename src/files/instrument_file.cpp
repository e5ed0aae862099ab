#include "files/instrument_file.h"

#include <cstring>

#include "files/legacy_instrument.h"
#include "files/safe_write.h"

namespace kelmar {

namespace {
constexpr size_t kMagicSize = 8;
}

std::vector<uint8_t> EncodeInstrumentFile(const Instrument& instrument, uint8_t synthMode) {
  std::vector<uint8_t> out;
  out.reserve(kInstrumentFileSize);
  const char* magic = synthMode != 0 ? "KELMARI1" : "KELMARI2";
  out.insert(out.end(), magic, magic + kMagicSize);
  out.insert(out.end(), instrument.bytes(), instrument.bytes() + sizeof(Instrument));
  for (uint8_t k = 0; out.size() < kInstrumentFileSize; ++k) out.push_back(k);
  return out;
}

FileError DecodeInstrumentFile(const uint8_t* data, size_t size, Instrument& instrument, uint8_t& synthMode) {
  if (size != kInstrumentFileSize) return FileError::Format(kNoInstrumentMessage);
  const uint8_t* record = data + kMagicSize;
  if (std::memcmp(data, "KELMARI2", kMagicSize) == 0 || std::memcmp(data, "KELMARI1", kMagicSize) == 0) {
    synthMode = data[7] == '1' ? 1 : 0;
    std::memcpy(instrument.bytes(), record, sizeof(Instrument));
    return {};
  }
  if (std::memcmp(data, "KELMARI0", kMagicSize) == 0) {
    instrument = ConvertLegacyRecord(record);
    synthMode = 1;
    return {};
  }
  return FileError::Format(kNoInstrumentMessage);
}

FileError LoadInstrumentFile(const std::string& path, Instrument& instrument, uint8_t& synthMode) {
  std::vector<uint8_t> bytes;
  bool tooLarge = false;
  if (FileError e = ReadFileBytes(path, kInstrumentFileSize, bytes, &tooLarge)) return e;
  if (tooLarge) return FileError::Format(kNoInstrumentMessage);
  return DecodeInstrumentFile(bytes.data(), bytes.size(), instrument, synthMode);
}

FileError SaveInstrumentFile(const std::string& path, const Instrument& instrument, uint8_t synthMode) {
  return WriteFileSafely(path, EncodeInstrumentFile(instrument, synthMode));
}

}  // namespace kelmar
