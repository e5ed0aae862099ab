// Audio files of the formats an export can write: the format table, and a writer that takes
// interleaved 16-bit stereo frames. 16-bit WAV without tags goes through the project's own
// WavWriter, so that its bytes are those of "Export .WAV"; everything else through libsndfile.
// Files are written beside their target and appear only on Commit (see SafeFile).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "files/file_error.h"
#include "files/safe_write.h"
#include "files/wav_file.h"

typedef struct sf_private_tag SNDFILE;

namespace kelmar {

enum class AudioFormat : uint8_t { Wav16, Wav24, Flac, Vorbis, Opus, Mp3 };

struct AudioFormatInfo {
  AudioFormat format;
  const char* name;     // as kelmar-render's --format takes it
  const char* caption;  // as the export dialog shows it
  const char* suffix;   // with its dot
  bool lossy;
  uint32_t onlyRate;  // 0, or the one sample rate the format is written at
};

std::span<const AudioFormatInfo> AudioFormats();
const AudioFormatInfo& InfoOf(AudioFormat format);
std::optional<AudioFormat> FormatNamed(const std::string& name);
// By the suffix of a file name, in any case; ".wav" is 16-bit WAV.
std::optional<AudioFormat> FormatOfPath(const std::string& path);
// Whether the libsndfile this program runs with can write the format.
bool FormatAvailable(AudioFormat format);

constexpr int kDefaultQuality = 8;  // 0 (smallest) .. 10 (best): the lossy formats only

// What a file carries besides its samples. Lines end in "\n".
struct AudioTags {
  std::string title;
  std::string comment;
  std::string software;
};

struct AudioFileSpec {
  AudioFormat format = AudioFormat::Wav16;
  uint32_t sampleRate = 44100;
  int quality = kDefaultQuality;
  bool wavTags = false;  // FLAC, Ogg and MP3 always carry the tags; WAV only when this is set
  AudioTags tagText;
};

class AudioFileWriter {
 public:
  AudioFileWriter() = default;
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // A regular file is written beside path and appears on Commit; "-" is standard output,
  // for the formats that can be streamed.
  FileError Create(const std::string& path, const AudioFileSpec& spec);
  // Interleaved left/right frames in host order.
  // Whether the library encodes what is written (FLAC, Ogg, MP3, a tagged WAV); a plain WAV
  // only copies the samples into the file.
  bool Encodes() const { return sound_ != nullptr; }
  FileError Write(const int16_t* frames, int count);
  // Finishes the format's last pages and sizes, flushes and renames the file into place.
  FileError Commit();
  // Leaves the target as it was.
  void Abandon();

 private:
  FileError OpenLibrary(const AudioFileSpec& spec);
  void SetTags(const AudioFileSpec& spec);
  FileError LibraryError();
  FileError WriteBlock(const int16_t* frames, int count);  // at most kMaxBufferSize frames
  WavWriter wav_;  // 16-bit WAV without tags
  SafeFile file_;  // under libsndfile
  SNDFILE* sound_ = nullptr;
  AudioFormat format_ = AudioFormat::Wav16;
  uint8_t bytes_[kWavBlockBufferBytes];
  int32_t wide_[2 * kMaxBufferSize];
};

}  // namespace kelmar
