// Windows-1252 text conversion and the legacy instrument conversion.
#include <gtest/gtest.h>

#include <cstring>

#include "files/legacy_instrument.h"
#include "files/text_codepage.h"

namespace kelmar {
namespace {

TEST(TextCodepage, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Windows1252ToUtf8(all);
  EXPECT_EQ(Utf8Length(utf8), 256u);
  EXPECT_EQ(Utf8ToWindows1252(utf8), all);
}

TEST(TextCodepage, KnownCharacters) {
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x82\xAC"), "\x80");      // euro sign
  EXPECT_EQ(Utf8ToWindows1252("\xC5\xB8"), "\x9F");          // Y with diaeresis
  EXPECT_EQ(Utf8ToWindows1252("\xC3\xA9t\xC3\xA9"), "\xE9t\xE9");
  EXPECT_EQ(Windows1252ToUtf8("\x99"), "\xE2\x84\xA2");      // trade mark
  EXPECT_EQ(Utf8ToWindows1252("Songtitle"), "Songtitle");
}

TEST(TextCodepage, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToWindows1252("\xC4\x80"), "?");          // A with macron: not in the code page
  EXPECT_EQ(Utf8ToWindows1252("\xF0\x9F\x8E\xB5!"), "?!");  // a musical note emoji
  EXPECT_EQ(Utf8ToWindows1252("a\xFF" "b"), "a?b");         // not UTF-8
  EXPECT_EQ(Utf8ToWindows1252("a\xE2\x82"), "a??");          // cut short
  EXPECT_EQ(Utf8ToWindows1252("\xC0\x80"), "??");            // overlong
  EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");       // surrogate
}

TEST(LegacyInstrument, FieldsMoveAsTheOldLayoutSays) {
  uint8_t legacy[44];
  for (int k = 0; k < 44; ++k) legacy[k] = static_cast<uint8_t>(100 + k);
  legacy[1] = 0x9C;
  legacy[3] = 0x57;
  Song song{};
  song.SynthMode[12] = 0;
  ConvertLegacyInstrument(legacy, song, 12);
  const Instrument& ins = song.Instruments[12];
  EXPECT_EQ(song.SynthMode[12], 1);
  EXPECT_EQ(ins.Filter, 100);
  EXPECT_EQ(static_cast<uint8_t>(ins.SrcOsc1Amp), 0x90);
  EXPECT_EQ(ins.SrcOsc1Wave, 0xC0);
  EXPECT_EQ(ins.SrcOsc2Amp, 102);
  EXPECT_EQ(ins.SrcOsc2Wave, 0);
  EXPECT_EQ(ins.DstOsc1Amp, 0x50);
  EXPECT_EQ(ins.DstOsc1Wave, 0x70);
  EXPECT_EQ(ins.DstOsc2Amp, 104);
  EXPECT_EQ(ins.DstOsc2Wave, 0);
  EXPECT_EQ(std::memcmp(ins.bytes() + 9, legacy + 5, 18), 0);
  EXPECT_EQ(std::memcmp(ins.bytes() + 27, legacy + 23, 21), 0);
  EXPECT_EQ(ins.VibEnable, 143);
  EXPECT_EQ(song.Instruments[11].Filter, 0);  // neighbours untouched
  EXPECT_EQ(song.Instruments[13].Filter, 0);
}

}  // namespace
}  // namespace kelmar
