// Song files (.sng): an 8-byte magic, then the chunk stream. "KELMAPS0" (always written)
// holds the stream's length as u32 and the stream as one packed block running to the end
// of the file; "KELMARS0" (read only) holds the stream unpacked.
//
// Loading checks the whole file before it touches the song: on any error the song and
// settings passed in are exactly as they were.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/song.h"
#include "files/file_error.h"
#include "files/song_settings.h"

namespace kelmar {

constexpr char kSongMagicPacked[] = "KELMAPS0";
constexpr char kSongMagicPlain[] = "KELMARS0";
constexpr char kNoSongMessage[] = "No Kelmar Song";

// The largest song file worth reading: a packed block of the longest stream, at its bound.
size_t MaxSongFileSize();

// Decodes a whole song file held in memory. On success the song is reset to a new song
// (title "Songtitle", comment "Songcomment", colours kept) and the file's chunks applied.
FileError DecodeSongFile(const uint8_t* data, size_t size, Song& song, SongSettings& settings);

// The bytes of a song file for song and settings.
FileError EncodeSongFile(const Song& song, const SongSettings& settings, std::vector<uint8_t>& out);

FileError LoadSongFile(const std::string& path, Song& song, SongSettings& settings);
// Writes the whole file or nothing: a failure leaves an existing file as it was.
FileError SaveSongFile(const std::string& path, const Song& song, const SongSettings& settings);

}  // namespace kelmar
