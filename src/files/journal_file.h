// The recovery journal: while the program runs it appends every history step of the song to
// a file, so that after a crash the work can be restored from it.
//
// The file starts with the 8-byte magic "KELMARJ0"; then records, each framed as
//   u32 payload length, u32 CRC-32 of the payload, then the payload:
//   the op byte, then its body. All numbers little-endian.
// Base body: the Song record's bytes (sizeof(Song)), TextColor u32, BackColor u32,
//   title length u32 + bytes, comment length u32 + bytes.
// Step/Amend/Past/Future body: page u8, serial u32, name length u8 + name bytes, then the
//   changes bytes (the rest of the payload).
// Undo/Redo: no body.
// File body: the song's file before the record it follows, u32 length + bytes, then the file
//   after it (the rest of the payload), both UTF-8 paths, empty for none.
// A crash can tear the last record, so reading stops at the first frame that does not check
// and keeps everything before it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/song.h"
#include "files/history_step.h"
#include "files/song_settings.h"

namespace kelmar {

// Record kinds. Base: the whole song document the journal starts from. Step: a new step
// was recorded (done, pushed on the undo timeline, dropping the redo steps). Amend: the
// newest step was replaced by this one (a drag or typing run merged into it). Undo / Redo:
// one step was undone / redone. Past / Future: when a journal starts again from the
// current song, the timeline's done steps (oldest first) and its redo steps (in the order
// they were undone: the next one to redo last) follow the Base record, already applied
// (Past) or not (Future). File: the record before it changed the song's file: it follows the
// Base record when the song has a file, and each step that loaded a song or started a new one.
// A journal without File records (an older one) reads as a song without a file.
enum class JournalOp : uint8_t {
  Base = 'B',
  Step = 'S',
  Amend = 'A',
  Undo = 'U',
  Redo = 'R',
  Past = 'P',
  Future = 'F',
  File = 'L'
};

// The song's file before and after a record, UTF-8 paths; empty: no file.
struct SongFileChange {
  std::string before;
  std::string after;
};

// The records' bytes, framed. Any thread.
std::string JournalHeader();  // the magic
std::string BaseRecord(const Song& song, const SongSettings& settings);
// op is Step, Amend, Past or Future. A name longer than 255 bytes is cut at a character
// boundary.
std::string StepRecord(JournalOp op, const HistoryStep& step);
std::string MarkRecord(JournalOp op);  // op is Undo or Redo
std::string FileRecord(const SongFileChange& file);

struct JournalEntry {
  JournalOp op;
  HistoryStep step;          // empty for Undo, Redo and File
  SongFileChange file = {};  // File only
};

struct JournalContents {
  std::unique_ptr<Song> song;  // the Base record's document
  SongSettings settings;
  std::vector<JournalEntry> entries;  // every record after the Base, up to the first that does not check
  bool damagedTail = false;           // something after the last good record was dropped
};

// Reads a journal held in memory. nullopt when it has no usable start: wrong magic, or the
// first record is not a whole, checking, well-formed Base record. A later record that is
// torn, fails its checksum, has an unknown op or a malformed body ends the reading there with
// damagedTail set. Any input is safe: lengths are checked against what remains before use.
std::optional<JournalContents> ReadJournal(std::string_view bytes);
// Reads the records that follow the Base record (bytes starts at the first one's frame) into
// contents.entries, by the same rules: the first that does not check ends the reading there,
// with damagedTail set.
void ReadJournalRecords(std::string_view bytes, JournalContents& contents);
// Reads the file at path; a file over 1 GiB, or one that cannot be read, is nullopt.
std::optional<JournalContents> ReadJournalFile(const std::string& path);

// Writes one journal file. Window thread only (one thread calls its methods), except that it
// runs a sync thread of its own. Never throws.
class JournalWriter {
 public:
  JournalWriter();
  ~JournalWriter();  // stops the sync thread; closes the file (does not remove it)
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Starts the journal at path, or starts it again, with these bytes (a header, a Base
  // record, Past/Future records). They go to a temporary file in the same folder, which is
  // flushed and renamed over path, so a crash midway leaves the old journal whole. Later
  // appends go to the new file. False on any failure; then the writer is closed.
  bool Start(const std::string& path, std::string_view bytes);
  // Writes the record before it returns, so it outlives a crash of the program; the sync
  // thread flushes it to the disk within a second, and this never waits for that. False on
  // failure (disk full, I/O error, closed); then the writer is closed, since the records
  // after a torn one would never be read.
  bool Append(std::string_view record);
  // Closes the file; Remove() also deletes it (a clean exit).
  void Close();
  void Remove();
  bool IsOpen() const { return file_ != nullptr; }
  uint64_t BytesWritten() const { return bytesWritten_; }  // since the last Start, with Start's bytes
  const std::string& Path() const { return path_; }

 private:
  struct OpenFile;  // the descriptor, closed by whichever thread drops the last reference
  void SyncLoop();

  std::string path_;
  uint64_t bytesWritten_ = 0;
  std::shared_ptr<OpenFile> file_;  // the window thread's alone

  // Shared with the sync thread. The mutex is held only to read or swap these, never
  // during I/O, so the window thread never waits for a sync in progress.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<OpenFile> unsynced_;              // appended to since its last sync
  std::chrono::steady_clock::time_point deadline_;  // when unsynced_ is synced
  bool stop_ = false;
  std::thread syncThread_;  // last, so it starts after the members it uses
};

}  // namespace kelmar
