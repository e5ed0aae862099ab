#include "files/wav_file.h"

#include <cstring>
#include <vector>

namespace kelmar {
namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// The sizes are 32-bit fields; a render never gets near 4 GB (the limit keeps it far below).
uint32_t SizeField(uint64_t v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(v); }

}  // namespace

std::array<uint8_t, kWavHeaderSize> MakeWavHeader(uint32_t sampleRate, uint32_t riffSize, uint32_t dataBytes) {
  std::array<uint8_t, kWavHeaderSize> h{};
  std::memcpy(&h[0], "RIFF", 4);
  Put32(&h[4], riffSize);
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  Put32(&h[16], 16);
  Put16(&h[20], 1);  // PCM
  Put16(&h[22], 2);  // stereo
  Put32(&h[24], sampleRate);
  Put32(&h[28], sampleRate * 4);
  Put16(&h[32], 4);
  Put16(&h[34], 16);
  std::memcpy(&h[36], "data", 4);
  Put32(&h[40], dataBytes);
  return h;
}

bool ParseWavHeader(const uint8_t* data, size_t size, WavHeaderInfo& out) {
  if (size < kWavHeaderSize) return false;
  if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0 ||
      std::memcmp(data + 12, "fmt ", 4) != 0 || std::memcmp(data + 36, "data", 4) != 0 || Get32(data + 16) != 16)
    return false;
  out.riffSize = Get32(data + 4);
  out.format = Get16(data + 20);
  out.channels = Get16(data + 22);
  out.sampleRate = Get32(data + 24);
  out.byteRate = Get32(data + 28);
  out.blockAlign = Get16(data + 32);
  out.bitsPerSample = Get16(data + 34);
  out.dataBytes = Get32(data + 40);
  return true;
}

// --- WavWriter ---

FileError WavWriter::Create(const std::string& path, uint32_t sampleRate, bool atomic) {
  Close();
  atomic_ = atomic;
  return Begin(file_.Open(path, atomic ? SafeFile::Mode::Replace : SafeFile::Mode::InPlace), sampleRate);
}

FileError WavWriter::CreateOn(int fd, uint32_t sampleRate) {
  Close();
  atomic_ = false;
  return Begin(file_.Adopt(fd), sampleRate);
}

FileError WavWriter::Begin(FileError opened, uint32_t sampleRate) {
  dataBytes_ = 0;
  pending_.clear();
  if (opened) return opened;
  pending_.reserve(kWavWriteBytes);
  // A stream that cannot be revisited gets the sizes of a stream of unknown length.
  const uint32_t unknown = file_.seekable() ? 0 : 0xFFFFFFFFu;
  const auto header = MakeWavHeader(sampleRate, unknown, unknown);
  return file_.Write(header.data(), header.size());
}

FileError WavWriter::Append(const void* data, size_t size) {
  if (pending_.size() + size > kWavWriteBytes) {
    if (FileError err = Flush()) return err;
  }
  if (size >= kWavWriteBytes) {
    if (FileError err = file_.Write(data, size)) return err;
  } else {
    const auto* bytes = static_cast<const uint8_t*>(data);
    pending_.insert(pending_.end(), bytes, bytes + size);
  }
  dataBytes_ += size;
  return {};
}

FileError WavWriter::Flush() {
  if (pending_.empty()) return {};
  FileError err = file_.Write(pending_.data(), pending_.size());
  pending_.clear();
  return err;
}

FileError WavWriter::PatchSizes() {
  if (FileError err = Flush()) return err;
  if (file_.is_open() && !file_.seekable()) return {};
  uint8_t field[4];
  Put32(field, SizeField(dataBytes_ + kWavHeaderSize - 8));
  if (FileError err = file_.WriteAt(4, field, 4)) return err;
  Put32(field, SizeField(dataBytes_));
  return file_.WriteAt(40, field, 4);
}

FileError WavWriter::Close() {
  if (!file_.is_open()) return {};
  if (atomic_) {
    pending_.clear();
    file_.Abandon();
    return {};
  }
  FileError flushed = Flush();
  FileError closed = file_.Commit();
  return flushed ? flushed : closed;
}

FileError WavWriter::Commit() {
  if (!atomic_) return Close();
  if (FileError err = Flush()) {
    file_.Abandon();
    return err;
  }
  return file_.Commit();
}

namespace {

class WriterSink : public WavBlockSink {
 public:
  explicit WriterSink(WavWriter& writer) : writer_(writer) {}
  FileError Block(const uint8_t* mix, int frames, const int16_t* const*) override {
    return writer_.Append(mix, static_cast<size_t>(frames) * 4);
  }

 private:
  WavWriter& writer_;
};

}  // namespace

WavRenderResult ExportSongToWav(Engine& engine, const WavExportSetup& setup) {
  WavRenderResult result;
  {
    // The audio callback may still run here (the window pauses it only in beforeStart).
    EngineLock lock(engine);
    engine.StopPlayback();
  }
  WavWriter writer;
  if (FileError err = writer.Create(setup.path, engine.SampleRate, setup.atomic)) {
    result.end = RenderEnd::Failed;
    result.error = err;
    return result;
  }
  WriterSink sink(writer);
  RenderOptions render = setup.render;
  render.stems = false;
  // StopAtLoop is set inside the loop before the song starts; the hook runs just before.
  {
    EngineLock lock(engine);
    engine.StopAtLoop = 1;
  }
  if (setup.beforeStart) setup.beforeStart();
  result = {RenderSongToSink(engine, sink, render), sink.error()};
  if (result.end == RenderEnd::Failed) {
    writer.Close();  // the blocks written so far stay, both sizes 0
    return result;
  }
  FileError err = writer.PatchSizes();
  if (!err) err = setup.atomic ? writer.Commit() : writer.Close();
  if (err) {
    writer.Close();
    result.end = RenderEnd::Failed;
    result.error = err;
  }
  return result;
}

void ConfigureFreshEngine(Engine& engine, uint16_t sampleRate, uint16_t bufferSize) {
  engine.SampleRate = sampleRate;
  engine.BufferSize = bufferSize;
  engine.SamplesPerTick = engine.SamplesPerTickFor(engine.song.Tempo);
  engine.BuildFreqTable();
}

}  // namespace kelmar
