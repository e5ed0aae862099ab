#include "files/song_file.h"

#include <cstring>
#include <memory>

#include "files/packed_block.h"
#include "files/safe_write.h"
#include "files/song_stream.h"

namespace kelmar {

namespace {

constexpr size_t kMagicSize = 8;
constexpr size_t kPackedHeaderSize = 12;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

size_t MaxSongFileSize() { return kPackedHeaderSize + PackedSizeBound(kSongStreamCapacity); }

FileError DecodeSongFile(const uint8_t* data, size_t size, Song& song, SongSettings& settings) {
  if (size < kMagicSize) return FileError::ReadBeyondEnd();
  const bool packed = std::memcmp(data, kSongMagicPacked, kMagicSize) == 0;
  const bool plain = std::memcmp(data, kSongMagicPlain, kMagicSize) == 0;
  if (!packed && !plain) return FileError::Format(kNoSongMessage);

  const uint8_t* stream = data + kMagicSize;  // a plain file's stream is read in place
  size_t length = size - kMagicSize;
  std::unique_ptr<uint8_t[]> unpacked;  // not cleared: the depacker writes every byte it reports
  if (plain) {
    if (length > kSongStreamCapacity) return FileError::Format(kNoSongMessage);
  } else {
    if (size < kPackedHeaderSize) return FileError::ReadBeyondEnd();
    length = ReadU32(data + kMagicSize);
    if (length > kSongStreamCapacity) return FileError::Format(kNoSongMessage);
    const uint8_t* block = data + kPackedHeaderSize;
    const size_t blockSize = size - kPackedHeaderSize;
    if (length > 0) {
      // A block that is missing (a save that failed half-way), corrupt, or that unpacks to
      // more or fewer bytes than the header promises is refused.
      if (blockSize == 0) return FileError::Format(kNoSongMessage);
      unpacked.reset(new uint8_t[length]);
      DepackResult r = DepackBlock(block, blockSize, unpacked.get(), length);
      if (!r.ok || r.written != length) return FileError::Format(kNoSongMessage);
    }
    stream = unpacked.get();
  }

  // The file is good: from here nothing can fail.
  ResetSong(song);
  settings.Title = kDefaultSongTitle;
  settings.Comment = kDefaultSongComment;
  ReadSongStream(stream, length, song, settings);
  return {};
}

FileError EncodeSongFile(const Song& song, const SongSettings& settings, std::vector<uint8_t>& out) {
  out.clear();
  std::vector<uint8_t> stream;
  if (FileError e = WriteSongStream(song, settings, stream)) return e;
  const uint32_t length = static_cast<uint32_t>(stream.size());

  std::unique_ptr<uint8_t[]> work(new uint8_t[PackWorkMemorySize]);
  std::vector<uint8_t> body(PackedSizeBound(length));
  const uint32_t packedSize = PackBlock(stream.data(), body.data(), length, work.get(), nullptr, nullptr);
  if (packedSize == kPackFailed || packedSize > body.size())
    return FileError::Format("The song could not be packed; nothing was saved");

  out.reserve(kPackedHeaderSize + packedSize);
  out.insert(out.end(), kSongMagicPacked, kSongMagicPacked + kMagicSize);
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<uint8_t>(length >> (8 * k)));
  out.insert(out.end(), body.begin(), body.begin() + packedSize);
  return {};
}

FileError LoadSongFile(const std::string& path, Song& song, SongSettings& settings) {
  std::vector<uint8_t> bytes;
  bool tooLarge = false;
  if (FileError e = ReadFileBytes(path, MaxSongFileSize(), bytes, &tooLarge)) return e;
  if (tooLarge) return FileError::Format(kNoSongMessage);  // no song file is this large
  return DecodeSongFile(bytes.data(), bytes.size(), song, settings);
}

FileError SaveSongFile(const std::string& path, const Song& song, const SongSettings& settings) {
  std::vector<uint8_t> bytes;
  if (FileError e = EncodeSongFile(song, settings, bytes)) return e;
  return WriteFileSafely(path, bytes);
}

}  // namespace kelmar
