// The "About" page, line by line, and the fixed-pitch font of the text boxes.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPlainTextEdit>

#include "app/about_text.h"
#include "app/fixed_font.h"
#include "window_fixture.h"

namespace kelmar {
namespace {

const QStringList kSections[] = {
    {"Pattern Order Commands:", "  Pxx: play pattern XX", "  Jxx: jump to order XX", "  S..: stop playback"},
    {"Pattern Order Keys:", " <INSERT>: insert empty line on track", " <DELETE>: remove line from track",
     "  <ENTER>: go to next line", "  0-9,A-F: parameter", "  P,J,S  : set command"},
    {"Pattern Effects:", "  Ixx: change Instrument to xx",
     "  Vxy: set Left Channel Volume to x and Right Chan. Volume to y",
     "  N00: play note without triggering the instrument", "  Txx: set tempo in hz", "  Sxx: set songspeed in frames",
     "  S00: stop playback", "  B..: pattern break", "  Jxx: jump to order xx"},
    {"Pattern Editor Keys:", "  + -    : next/previous pattern", " <INSERT>: insert empty line on track",
     " <DELETE>: remove line from track", " <CTRL+C>: mark track to be copied", " <CTRL+V>: paste marked track",
     "  <NUM+> : next instrument", "  <NUM-> : prev instrument"},
    {" on note column", " Q2W3... : note entry", " ZSXD... : note entry", " F1-F4   : octave 0,2,4,6 select",
     " +shift  : octave 1,3,5,7 select", "  .      : erase note+octave", "  <ENTER>: play note and go to next line"},
    {" on octave column", "  0-7    : octave", "  .      : erase note+octave",
     "  <ENTER>: play note and go to next line"},
    {" on effect select column", " <effect>: select effect", "  <SPACE>: erase effect", "  .      : erase effect",
     "  <ENTER>: play note and go to next line"},
    {" on effect parameter column", "  0-9,A-F: parameter", "  <ENTER>: play note and go to next line"},
    {"When pressing <ENTER> the note is played with the instrument", "currently selected in the instrument editor"},
};

TEST(AboutText, BannerSectionsAndCreditLineByLine) {
  const QStringList lines = AboutLines();
  // Six lines of banner, the last ending in the version, then an empty line.
  ASSERT_GT(lines.size(), 7);
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(lines[i].trimmed().isEmpty()) << i;
  EXPECT_TRUE(lines[5].endsWith("0.7.5.1"));
  EXPECT_EQ(lines[6], "");
  int at = 7;
  for (const QStringList& section : kSections) {
    for (const QString& expected : section) {
      ASSERT_LT(at, lines.size());
      EXPECT_EQ(lines[at], expected) << "line " << at;
      ++at;
    }
    ASSERT_LT(at, lines.size());
    EXPECT_EQ(lines[at], "") << "line " << at;
    ++at;
  }
  // The credit line ends the text.
  ASSERT_EQ(at, lines.size() - 1);
  EXPECT_TRUE(lines.last().contains("aPLib compression library"));
}

TEST(AboutText, TheAboutBoxShowsItReadOnlyInTheFixedFont) {
  testing::Window w;
  w.StartWindow();
  auto* memo = w.Find<QPlainTextEdit>("MemoAbout");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->toPlainText().split('\n'), AboutLines());
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->size(), QSize(660, 478));
  EXPECT_EQ(memo->font().pixelSize(), 16);
  EXPECT_EQ(w.window->TextBoxes().value(0), memo);
}

TEST(FixedPitchFont, CourierNewOrItsMetricTwinWithEqualAdvances) {
  const QFont font = FixedPitchFont(16);
  EXPECT_EQ(font.pixelSize(), 16);
  const QString family = QFontInfo(font).family();
  EXPECT_TRUE(family == "Courier New" || family == "Liberation Mono") << family.toStdString();
  EXPECT_TRUE(QFontInfo(font).fixedPitch());
  // Every character advances by the same width, so a caret column is a character column.
  const QFontMetrics metrics(font);
  const int w = metrics.horizontalAdvance('W');
  for (QChar c : QString(" .-#0123456789ABCDEFilm:P|")) EXPECT_EQ(metrics.horizontalAdvance(c), w) << c.toLatin1();
}

}  // namespace
}  // namespace kelmar
