#include "files/journal_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "files/crc32.h"

namespace kelmar {

namespace {

constexpr char kMagic[] = "KELMARJ0";
constexpr size_t kMagicSize = sizeof(kMagic) - 1;
constexpr size_t kFrameHeaderSize = 8;  // payload length, CRC-32
constexpr size_t kMaxNameSize = 255;
constexpr size_t kMaxJournalFileSize = size_t{1} << 30;
constexpr auto kSyncDelay = std::chrono::seconds(1);

void PutU32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

std::string Frame(std::string_view payload) {
  std::string out;
  out.reserve(kFrameHeaderSize + payload.size());
  PutU32(out, static_cast<uint32_t>(payload.size()));
  PutU32(out, Crc32(payload));
  out.append(payload);
  return out;
}

// Takes fields from the front of a byte string; every take checks what remains first.
class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : rest_(bytes) {}
  bool Take(size_t size, std::string_view& out) {
    if (rest_.size() < size) return false;
    out = rest_.substr(0, size);
    rest_.remove_prefix(size);
    return true;
  }
  bool U8(uint8_t& value) {
    std::string_view b;
    if (!Take(1, b)) return false;
    value = static_cast<uint8_t>(b[0]);
    return true;
  }
  bool U32(uint32_t& value) {
    std::string_view b;
    if (!Take(4, b)) return false;
    value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(b[i]);
    return true;
  }
  bool Text(uint32_t size, std::string& out) {
    std::string_view b;
    if (!Take(size, b)) return false;
    out.assign(b);
    return true;
  }
  std::string_view Rest() { return std::exchange(rest_, {}); }
  bool AtEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// Takes the next whole, checking frame from the front of bytes.
bool NextPayload(Cursor& bytes, std::string_view& payload) {
  uint32_t size = 0, crc = 0;
  return bytes.U32(size) && bytes.U32(crc) && bytes.Take(size, payload) && Crc32(payload) == crc;
}

bool ReadBase(std::string_view payload, JournalContents& contents) {
  Cursor in(payload);
  uint8_t op = 0;
  std::string_view song;
  uint32_t titleSize = 0, commentSize = 0;
  SongSettings& s = contents.settings;
  if (!in.U8(op) || op != static_cast<uint8_t>(JournalOp::Base) || !in.Take(sizeof(Song), song) ||
      !in.U32(s.TextColor) || !in.U32(s.BackColor) || !in.U32(titleSize) || !in.Text(titleSize, s.Title) ||
      !in.U32(commentSize) || !in.Text(commentSize, s.Comment) || !in.AtEnd())
    return false;
  contents.song = std::make_unique_for_overwrite<Song>();  // every byte is copied in
  std::memcpy(contents.song.get(), song.data(), sizeof(Song));
  return true;
}

bool HasStep(JournalOp op) {
  return op == JournalOp::Step || op == JournalOp::Amend || op == JournalOp::Past || op == JournalOp::Future;
}

bool ReadFileChange(Cursor& in, SongFileChange& file) {
  uint32_t beforeSize = 0;
  if (!in.U32(beforeSize) || !in.Text(beforeSize, file.before)) return false;
  file.after.assign(in.Rest());
  return true;
}

bool ReadEntry(std::string_view payload, JournalEntry& entry) {
  Cursor in(payload);
  uint8_t op = 0, nameSize = 0;
  if (!in.U8(op)) return false;
  entry.op = static_cast<JournalOp>(op);
  if (entry.op == JournalOp::Undo || entry.op == JournalOp::Redo) return in.AtEnd();
  if (entry.op == JournalOp::File) return ReadFileChange(in, entry.file);
  HistoryStep& step = entry.step;
  if (!HasStep(entry.op) || !in.U8(step.page) || !in.U32(step.serial) || !in.U8(nameSize) ||
      !in.Text(nameSize, step.name))
    return false;
  step.changes = in.Rest();
  return ChangesAreWellFormed(step.changes);
}

// Cuts UTF-8 text to at most size bytes without splitting a character.
std::string_view CutName(std::string_view name, size_t size) {
  if (name.size() <= size) return name;
  while (size > 0 && (static_cast<uint8_t>(name[size]) & 0xC0) == 0x80) --size;
  return name.substr(0, size);
}

// Writes all bytes; a write that takes fewer is continued, one that takes none is a full disk.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) <= kMaxJournalFileSize;
  if (ok) out.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (ok && got < out.size()) {
    const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;  // at 0 the file was cut short meanwhile: keep what is there
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  ::close(fd);
  return ok;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string JournalHeader() { return kMagic; }

std::string BaseRecord(const Song& song, const SongSettings& settings) {
  std::string payload(1, static_cast<char>(JournalOp::Base));
  payload.append(reinterpret_cast<const char*>(&song), sizeof(Song));
  PutU32(payload, settings.TextColor);
  PutU32(payload, settings.BackColor);
  for (const std::string* text : {&settings.Title, &settings.Comment}) {
    PutU32(payload, static_cast<uint32_t>(text->size()));
    payload.append(*text);
  }
  return Frame(payload);
}

std::string StepRecord(JournalOp op, const HistoryStep& step) {
  const std::string_view name = CutName(step.name, kMaxNameSize);
  std::string payload(1, static_cast<char>(op));
  payload.push_back(static_cast<char>(step.page));
  PutU32(payload, step.serial);
  payload.push_back(static_cast<char>(name.size()));
  payload.append(name);
  payload.append(step.changes);
  return Frame(payload);
}

std::string MarkRecord(JournalOp op) { return Frame(std::string(1, static_cast<char>(op))); }

std::string FileRecord(const SongFileChange& file) {
  std::string payload(1, static_cast<char>(JournalOp::File));
  PutU32(payload, static_cast<uint32_t>(file.before.size()));
  payload.append(file.before);
  payload.append(file.after);
  return Frame(payload);
}

std::optional<JournalContents> ReadJournal(std::string_view bytes) {
  if (!bytes.starts_with(std::string_view(kMagic, kMagicSize))) return std::nullopt;
  Cursor in(bytes.substr(kMagicSize));
  JournalContents contents;
  std::string_view payload;
  if (!NextPayload(in, payload) || !ReadBase(payload, contents)) return std::nullopt;
  ReadJournalRecords(in.Rest(), contents);
  return contents;
}

void ReadJournalRecords(std::string_view bytes, JournalContents& contents) {
  Cursor in(bytes);
  std::string_view payload;
  while (!in.AtEnd()) {
    JournalEntry entry;
    if (!NextPayload(in, payload) || !ReadEntry(payload, entry)) {
      contents.damagedTail = true;
      break;
    }
    contents.entries.push_back(std::move(entry));
  }
}

std::optional<JournalContents> ReadJournalFile(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return std::nullopt;
  return ReadJournal(bytes);
}

struct JournalWriter::OpenFile {
  explicit OpenFile(int descriptor) : fd(descriptor) {}
  ~OpenFile() { ::close(fd); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  const int fd;
  std::atomic<bool> syncFailed{false};  // set by the sync thread, reported by the next Append
};

JournalWriter::JournalWriter() {
  try {
    syncThread_ = std::thread([this] { SyncLoop(); });
  } catch (...) {
    // Without a thread the records still outlive a crash of the program, only not of the system.
  }
}

// A sync still due is dropped: the records are written already, and exit should not wait for the disk.
JournalWriter::~JournalWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (syncThread_.joinable()) syncThread_.join();
}

bool JournalWriter::Start(const std::string& path, std::string_view bytes) {
  Close();
  path_ = path;
  bytesWritten_ = 0;
  // A short name, so that a path near the length limit still has room for it.
  std::string temp = FolderOf(path) + "/.journal-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  auto file = std::make_shared<OpenFile>(fd);
  if (!WriteAll(fd, bytes) || ::fdatasync(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  file_ = std::move(file);
  bytesWritten_ = bytes.size();
  return true;
}

bool JournalWriter::Append(std::string_view record) {
  if (!file_ || file_->syncFailed || !WriteAll(file_->fd, record)) {
    Close();
    return false;
  }
  bytesWritten_ += record.size();
  // An older file still due a sync (Start replaced it) is dropped, and as it is declared before
  // the lock, a last reference closes the file after the unlock.
  std::shared_ptr<OpenFile> replaced;
  std::lock_guard lock(mutex_);
  if (unsynced_ == file_) return true;  // the sync already due covers this record too
  if (!unsynced_) deadline_ = std::chrono::steady_clock::now() + kSyncDelay;
  replaced = std::exchange(unsynced_, file_);
  wake_.notify_one();
  return true;
}

// A pending sync of the closed file still runs: its records deserve the disk as much.
void JournalWriter::Close() { file_.reset(); }

void JournalWriter::Remove() {
  Close();
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
}

void JournalWriter::SyncLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stop_ || unsynced_; });
    if (wake_.wait_until(lock, deadline_, [this] { return stop_; })) return;
    std::shared_ptr<OpenFile> file = std::move(unsynced_);
    lock.unlock();
    if (::fdatasync(file->fd) != 0) file->syncFailed = true;
    file.reset();  // closes it here when the window thread has let go of it
    lock.lock();
  }
}

}  // namespace kelmar
