// The chunk stream inside a song file: tagged chunks (title, comment, tempo and speed,
// instruments, order list, patterns, colours) closed by an end tag. Built and parsed in
// memory; the song file (song_file.h) adds the magic and the packing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/song.h"
#include "files/file_error.h"
#include "files/song_settings.h"

namespace kelmar {

// Streams are built and parsed in a buffer of this size; longer ones are refused.
constexpr size_t kSongStreamCapacity = 0x60000;
// A chunk's length field is 16 bits wide.
constexpr size_t kMaxChunkLength = 0xFFFF;

constexpr char kDefaultSongTitle[] = "Songtitle";
constexpr char kDefaultSongComment[] = "Songcomment";

// Builds the stream of song and settings into out. A title or comment of more than
// 65535 characters, or a stream that would outgrow kSongStreamCapacity, is refused
// (out is left empty) rather than written with a wrong length.
FileError WriteSongStream(const Song& song, const SongSettings& settings, std::vector<uint8_t>& out);

// Applies the chunks of a stream of count bytes over song and settings: later chunks win,
// unknown tags are skipped. Nothing past stream + count is read: a chunk that runs past the
// end is ignored and ends the stream, and no chunk writes past its table.
void ReadSongStream(const uint8_t* stream, size_t count, Song& song, SongSettings& settings);

}  // namespace kelmar
