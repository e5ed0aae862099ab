// The recovery journal: records read back as written, damage ends the reading at the last good record.
#include "files/journal_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <thread>

#include "files/crc32.h"
#include "files_test_util.h"

namespace kelmar {
namespace {

using namespace testing;

HistoryStep MakeStep(uint32_t serial, std::string name) {
  HistoryStep step{std::move(name), {}, serial, static_cast<uint8_t>(serial % 5)};
  AppendSplice(step.changes, DocumentPart::Song, serial * 1000, std::string(serial, '\0'), std::string(serial, 'n'));
  AppendSplice(step.changes, DocumentPart::Title, 2, "old", "a longer title");
  return step;
}

// A record with a good checksum around any payload.
std::string Frame(const std::string& payload) {
  std::string out;
  for (uint32_t v : {static_cast<uint32_t>(payload.size()), Crc32(payload)})
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(v >> shift));
  return out + payload;
}

struct Sample {
  std::unique_ptr<Song> song = VariedSong();
  SongSettings settings{"T\xC3\xADtulo", "one\r\ntwo", 0x00112233, 0x00445566};
  std::vector<JournalEntry> entries = {{JournalOp::Past, MakeStep(1, "Note Entry")},
                                       {JournalOp::Future, MakeStep(9, "Tempo")},
                                       {JournalOp::Amend, MakeStep(3, "Paste Instrument")},
                                       {JournalOp::Undo, {}},
                                       {JournalOp::Redo, {}},
                                       {JournalOp::Step, MakeStep(4, std::string(254, 'x') + "\xC3\xA9")},
                                       {JournalOp::File, {}, {"/a/old.sng", "/b/n\xC3\xA9w.sng"}}};
  std::string start = JournalHeader() + BaseRecord(*song, settings);
  std::vector<std::string> records;
  std::string whole = start;
  Sample() {
    for (const auto& e : entries)
      records.push_back(e.op == JournalOp::File ? FileRecord(e.file)
                        : e.step.name.empty()   ? MarkRecord(e.op)
                                                : StepRecord(e.op, e.step));
    for (const auto& r : records) whole += r;
  }
};

TEST(JournalFile, ReadsBackEveryKindOfRecord) {
  Sample s;
  s.entries[5].step.name.resize(254);  // cut to 255 bytes, between characters
  auto got = ReadJournal(s.whole);
  ASSERT_TRUE(got);
  EXPECT_TRUE(SameSong(*got->song, *s.song));
  EXPECT_EQ(std::tie(got->settings.Title, got->settings.Comment, got->settings.TextColor, got->settings.BackColor),
            std::tie(s.settings.Title, s.settings.Comment, s.settings.TextColor, s.settings.BackColor));
  EXPECT_FALSE(got->damagedTail);
  ASSERT_EQ(got->entries.size(), s.entries.size());
  for (size_t i = 0; i < s.entries.size(); ++i) {
    const JournalEntry &a = got->entries[i], &b = s.entries[i];
    EXPECT_EQ(std::tie(a.op, a.step.name, a.step.changes, a.step.serial, a.step.page, a.file.before, a.file.after),
              std::tie(b.op, b.step.name, b.step.changes, b.step.serial, b.step.page, b.file.before, b.file.after));
  }
}

TEST(JournalFile, DamageEndsTheReadingAtTheLastGoodRecord) {
  Sample s;
  const std::string head = s.start + s.records[0];
  const std::string base = BaseRecord(*s.song, s.settings);
  std::vector<std::pair<std::string, size_t>> cases;  // journal, entries kept
  for (size_t cut = s.whole.size() - s.records.back().size() + 1; cut < s.whole.size(); ++cut)
    cases.emplace_back(s.whole.substr(0, cut), s.records.size() - 1);  // torn last record
  for (size_t at = head.size() + s.records[1].size(); at < head.size() + s.records[1].size() + s.records[2].size();
       ++at) {
    std::string flipped = s.whole;
    flipped[at] ^= 0x10;
    cases.emplace_back(flipped, 2);  // any byte of the third record
  }
  for (const std::string& bad :
       {base, StepRecord(static_cast<JournalOp>('X'), s.entries[0].step), Frame(""), Frame("U!"),
        Frame(std::string("S\2\1\0\0\0\5ab", 9)), Frame(std::string("S\2\1\0\0", 5)),
        StepRecord(JournalOp::Step, {"n", "\x09", 1, 0}), Frame(std::string("L\5\0\0\0/a", 7))})
    cases.emplace_back(head + bad + s.records[1], 1);  // good frames, bad bodies
  for (const auto& [bytes, kept] : cases) {
    auto got = ReadJournal(bytes);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->entries.size(), kept) << bytes.size();
    EXPECT_TRUE(got->damagedTail) << bytes.size();
    JournalContents records;  // the records alone read the same
    ReadJournalRecords(std::string_view(bytes).substr(s.start.size()), records);
    EXPECT_EQ(std::make_pair(records.entries.size(), records.damagedTail), std::make_pair(kept, true));
  }
  std::string flippedBase = s.start;
  flippedBase[1000] ^= 1;
  for (const std::string& bad :
       {std::string(), JournalHeader(), "KELMARJ1" + base + s.records[0], s.start.substr(0, 5000),
        JournalHeader() + s.records[0], JournalHeader() + Frame(base.substr(8) + "x"), flippedBase})
    EXPECT_FALSE(ReadJournal(bad)) << bad.size();
}

TEST(JournalWriter, StartsAppendsStartsAgainAndFails) {
  ScratchDir dir;
  const std::string path = dir.File("song.journal");
  Sample s;
  JournalWriter writer;
  ASSERT_TRUE(writer.Start(path, s.start));
  for (const auto& record : s.records) ASSERT_TRUE(writer.Append(record));
  EXPECT_EQ(writer.BytesWritten(), s.whole.size());
  EXPECT_EQ(ReadAll(path), Bytes(s.whole));
  ASSERT_TRUE(writer.Start(path, s.start + s.records[0]));
  EXPECT_EQ(ReadAll(path), Bytes(s.start + s.records[0]));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"song.journal"});  // no temporary file left

  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead of killing
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const rlimit small{writer.BytesWritten() + 5, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool appended = writer.Append(s.records[1]);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(appended);
  EXPECT_FALSE(writer.IsOpen());
  auto got = ReadJournalFile(path);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->entries.size(), 1u);
  EXPECT_TRUE(got->damagedTail);

  writer.Remove();
  EXPECT_TRUE(dir.Names().empty());
  EXPECT_FALSE(writer.Start(dir.File("missing/song.journal"), s.start));
  EXPECT_FALSE(writer.Append(s.records[0]));
}

// Long enough for the sync thread to flush (and close) files while appends and starts go on.
TEST(JournalWriter, AppendsRunAlongsideTheSyncThread) {
  ScratchDir dir;
  Sample s;
  JournalWriter writer;
  ASSERT_TRUE(writer.Start(dir.File("j"), s.start));
  size_t appended = 0;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1300);
       std::chrono::steady_clock::now() < end; ++appended) {
    ASSERT_TRUE(writer.Append(s.records[appended % s.records.size()]));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(ReadJournalFile(dir.File("j")).value().entries.size(), appended);
  ASSERT_TRUE(writer.Start(dir.File("j"), s.start));
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(writer.Append(s.records[3]));
}

}  // namespace
}  // namespace kelmar
