#include "files/wav_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

WavWriter::~WavWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

FileError WavWriter::Create(const std::string& path, uint32_t sampleRate, bool atomic) {
  if (fd_ >= 0) Close();
  path_ = path;
  tempPath_.clear();
  dataBytes_ = 0;
  if (atomic) {
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".partXXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);  // with the terminating zero
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) return FileError::FromErrno(errno);
    tempPath_ = name.data();
    ::fchmod(fd_, 0644);  // the permissions of an ordinary new file, not mkstemp's private ones
  } else {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return FileError::FromErrno(errno);
  }
  const auto header = MakeWavHeader(sampleRate);
  return WriteAt(0, header.data(), header.size());
}

FileError WavWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (fd_ < 0) return FileError::FromErrno(EBADF);
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileError::FromErrno(errno);
    }
    if (n == 0) return FileError::DiskFull();
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return {};
}

FileError WavWriter::Append(const void* data, size_t size) {
  FileError err = WriteAt(kWavHeaderSize + dataBytes_, data, size);
  if (err) return err;
  dataBytes_ += size;
  return {};
}

FileError WavWriter::PatchSizes() {
  uint8_t field[4];
  Put32(field, SizeField(dataBytes_ + kWavHeaderSize - 8));
  if (FileError err = WriteAt(4, field, 4)) return err;
  Put32(field, SizeField(dataBytes_));
  return WriteAt(40, field, 4);
}

FileError WavWriter::Close() {
  if (fd_ < 0) return {};
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0 && errno != EINTR) return FileError::FromErrno(errno);
  return {};
}

FileError WavWriter::Commit() {
  if (FileError err = Close()) return err;
  if (tempPath_.empty()) return {};
  if (::rename(tempPath_.c_str(), path_.c_str()) != 0) return FileError::FromErrno(errno);
  tempPath_.clear();
  return {};
}

// --- the render loop ---

WavRenderResult RenderSongToSink(Engine& engine, WavBlockSink& sink, const WavRenderOptions& options) {
  WavRenderResult result;
  const int frames = engine.BufferSize < 1 ? 1 : (engine.BufferSize > kMaxBufferSize ? kMaxBufferSize : engine.BufferSize);
  // Whole blocks only: the last block that fits within the limit is the last one written.
  const uint64_t limitFrames = static_cast<uint64_t>(options.maxSeconds) * engine.SampleRate;
  const uint64_t maxBlocks = limitFrames / static_cast<uint64_t>(frames) > 0 ? limitFrames / frames : 1;

  alignas(8) uint8_t block[kWavBlockBufferBytes];
  std::vector<int16_t> stemStore;
  int16_t* stems[kChannelCount] = {};
  int16_t mixFrames[2 * kMaxBufferSize];
  if (options.stems) {
    stemStore.assign(static_cast<size_t>(kChannelCount) * 2 * frames, 0);
    for (int c = 0; c < kChannelCount; ++c) stems[c] = stemStore.data() + static_cast<size_t>(c) * 2 * frames;
  }

  engine.StopAtLoop = 1;
  // Every export starts from the voices and tick clock of a freshly started program, so a
  // song exports to the same bytes whenever the menu item is chosen and whatever played
  // before, and to the same bytes as kelmar-render.
  engine.RestVoices();
  engine.StartPlayback(0, 0, 0);
  do {
    if (options.stems) {
      // The same renderer with each voice's contribution kept aside; the mix is converted
      // to bytes exactly as RenderBuffer converts it.
      engine.RenderFrames(mixFrames, frames, stems);
      for (int i = 0; i < 2 * frames; ++i) {
        const uint16_t v = static_cast<uint16_t>(mixFrames[i]);
        block[2 * i] = static_cast<uint8_t>(v & 0xFF);
        block[2 * i + 1] = static_cast<uint8_t>(v >> 8);
      }
    } else {
      engine.RenderBuffer(block);
    }
    if (FileError err = sink.Block(block, frames, options.stems ? stems : nullptr)) {
      engine.StopPlayback();
      result.end = WavRenderEnd::Failed;
      result.error = err;
      return result;
    }
    ++result.blocks;
    result.frames += static_cast<uint64_t>(frames);
    if (engine.StopAtLoop != 1) break;
    if (options.progress &&
        !options.progress(WavRenderProgress{result.frames, engine.SampleRate, engine.OrderPos, engine.Row})) {
      engine.StopPlayback();
      result.end = WavRenderEnd::Cancelled;
      return result;
    }
    if (result.blocks >= maxBlocks) {
      engine.StopPlayback();
      result.end = WavRenderEnd::Limit;
      return result;
    }
  } while (engine.StopAtLoop == 1);
  if (options.progress) options.progress(WavRenderProgress{result.frames, engine.SampleRate, engine.OrderPos, engine.Row});
  result.end = WavRenderEnd::Stopped;
  return result;
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
    result.end = WavRenderEnd::Failed;
    result.error = err;
    return result;
  }
  WriterSink sink(writer);
  WavRenderOptions render = setup.render;
  render.stems = false;
  // StopAtLoop is set inside the loop before the song starts; the hook runs just before.
  {
    EngineLock lock(engine);
    engine.StopAtLoop = 1;
  }
  if (setup.beforeStart) setup.beforeStart();
  result = RenderSongToSink(engine, sink, render);
  if (result.end == WavRenderEnd::Failed) {
    writer.Close();  // the blocks written so far stay, both sizes 0
    return result;
  }
  FileError err = writer.PatchSizes();
  if (!err) err = setup.atomic ? writer.Commit() : writer.Close();
  if (err) {
    writer.Close();
    result.end = WavRenderEnd::Failed;
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
