// WAV files of the song as the engine plays it: the 44-byte RIFF/WAVE header of 16-bit
// stereo PCM, a writer that appends whole rendered blocks and fills in the two size
// fields at the end, and the whole export of a song into one file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/song_render.h"
#include "files/file_error.h"
#include "files/safe_write.h"

namespace kelmar {

constexpr size_t kWavHeaderSize = 44;
constexpr uint32_t kWavExportMaxSeconds = kRenderMaxSeconds;
constexpr size_t kWavBlockBufferBytes = 4 * kMaxBufferSize;  // 16384: one block of any buffer size
constexpr size_t kWavWriteBytes = 4 * kWavBlockBufferBytes;    // what a WavWriter gathers for one write

// The header of a file of 16-bit stereo PCM at sampleRate. The export writes it first with
// both size fields 0 and fills them in when the last block is written.
std::array<uint8_t, kWavHeaderSize> MakeWavHeader(uint32_t sampleRate, uint32_t riffSize = 0,
                                                  uint32_t dataBytes = 0);

// What a header says. Parse accepts only the exact layout written here.
struct WavHeaderInfo {
  uint32_t riffSize = 0;
  uint16_t format = 0;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t byteRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint32_t dataBytes = 0;
};
bool ParseWavHeader(const uint8_t* data, size_t size, WavHeaderInfo& out);

// A WAV file being written: created (or truncated) with a zero-size header, blocks appended
// and gathered into writes of up to kWavWriteBytes (a system call per block is a real part of
// a fast render's time), sizes filled in by PatchSizes. Errors come back as values with the
// runtime's texts, from the Append, PatchSizes, Close or Commit whose write failed; after an
// error the file keeps what was written so far.
//
// The file is a SafeFile. With atomic set, a regular file is written beside the target and
// Commit puts it in place; a writer destroyed (or closed) without Commit leaves the target as
// it was (the command-line renderer works this way). Without it the named file itself is
// written, as the window's export does. A device, FIFO or terminal is always written
// directly. Where nothing written can be revisited (a pipe, a terminal, standard output in
// append mode) the header carries 0xFFFFFFFF in both size fields, as streamed WAV does:
// readers then read the samples up to the end of the stream.
class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter() { Close(); }  // what was appended is in the file, as when each block was written
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  FileError Create(const std::string& path, uint32_t sampleRate, bool atomic = false);
  // Writes to an open descriptor (standard output), which the writer leaves open.
  FileError CreateOn(int fd, uint32_t sampleRate);
  FileError Append(const void* data, size_t size);
  // Writes the file size minus 8 at offset 4, then the sample bytes at offset 40; nothing
  // where the header cannot be revisited.
  FileError PatchSizes();
  // Closes the file; reports a failure of the close itself. An atomic writer abandons its
  // temporary file instead.
  FileError Close();
  // Atomic writers: flushes and renames the temporary file over the target. Otherwise Close.
  FileError Commit();

  bool is_open() const { return file_.is_open(); }
  uint64_t data_bytes() const { return dataBytes_; }

 private:
  FileError Begin(FileError opened, uint32_t sampleRate);
  FileError Flush();
  SafeFile file_;
  bool atomic_ = false;
  uint64_t dataBytes_ = 0;
  std::vector<uint8_t> pending_;  // appended, not yet written
};

// A sink whose blocks go to a file: Block returns the file system's error, which ends the
// render and is kept for the caller.
class WavBlockSink : public BlockSink {
 public:
  virtual FileError Block(const uint8_t* mix, int frames, const int16_t* const* stems) = 0;
  bool TakeBlock(const uint8_t* mix, int frames, const int16_t* const* stems) final {
    error_ = Block(mix, frames, stems);
    return error_.ok();
  }
  const FileError& error() const { return error_; }

 private:
  FileError error_;
};

struct WavRenderResult : RenderResult {
  FileError error;
};

// The whole export into one WAV file: StopPlayback, create the file with a zero-size header,
// run the loop above with beforeStart called between setting StopAtLoop and starting the
// song (the window pauses its audio callback there; the steps before it take EngineLock), patch the sizes and close. On a
// file-system failure playback is stopped and the file keeps the blocks written so far with
// both sizes 0. With atomic set the named file appears only when everything succeeded.
struct WavExportSetup {
  std::string path;
  bool atomic = false;
  RenderOptions render;
  std::function<void()> beforeStart;
};
WavRenderResult ExportSongToWav(Engine& engine, const WavExportSetup& setup);

// Prepares a freshly made engine for rendering at a sample rate and buffer size, as choosing
// them in the options of a freshly started program would.
void ConfigureFreshEngine(Engine& engine, uint16_t sampleRate, uint16_t bufferSize);

}  // namespace kelmar
