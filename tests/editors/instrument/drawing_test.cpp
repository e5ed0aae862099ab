#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "editors/instrument/instrument_drawing.h"
#include "gui_app.h"

namespace kelmar {
namespace {

bool White(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; }

// Every white pixel of the image as a set of (x, y), for exact comparisons.
std::vector<std::pair<int, int>> WhitePixels(const QImage& image) {
  std::vector<std::pair<int, int>> pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (White(image, x, y)) pixels.emplace_back(x, y);
  return pixels;
}

Envelope MakeEnvelope(std::array<int, 4> lengths, int start, std::array<int, 4> values) {
  Envelope e{};
  uint8_t* b = reinterpret_cast<uint8_t*>(&e);
  for (int k = 0; k < 4; ++k) {
    b[k] = static_cast<uint8_t>(lengths[k]);
    b[5 + k] = static_cast<uint8_t>(values[k]);
  }
  e.Start = static_cast<uint8_t>(start);
  return e;
}

QImage EnvelopePicture(const Envelope& e) {
  QImage image = NewBlackImage(kEnvelopeWidth, kEnvelopeHeight);
  image.fill(Qt::red);  // whatever was there before must go
  DrawEnvelope(image, e);
  return image;
}

TEST(WaveNameTest, NamesShapeAmplitudeShapeAndMultiple) {
  EXPECT_EQ(WaveName(0x00), "SIN-MAX@0.5f");
  EXPECT_EQ(WaveName(0x16), "SAW-RUP@1.0f");
  EXPECT_EQ(WaveName(0xFF), "SQR-TRI@8.0f");
  EXPECT_EQ(WaveName(0x10), "SIN-MAX@1.0f");
  EXPECT_EQ(WaveName(0x30), "SIN-MAX@2.0f");
  EXPECT_EQ(WaveName(0x09), "COS-RDN@0.5f");
  EXPECT_EQ(WaveName(0xE3), "SQR-MAX@7.5f");
}

TEST(DrawEnvelopeTest, AllLengthsZeroAreVerticalLinesAtTheLeftEdge) {
  // 0 (row 31) up to 255 (row 0), then standing still: the end point of a line is not set.
  const QImage image = EnvelopePicture(MakeEnvelope({0, 0, 0, 0}, 0, {255, 255, 255, 255}));
  std::vector<std::pair<int, int>> expected;
  for (int y = 1; y <= 31; ++y) expected.emplace_back(0, y);
  EXPECT_EQ(WhitePixels(image), expected);
}

TEST(DrawEnvelopeTest, FirstStepOfFullLengthSpansTheWholeWidth) {
  // Lengths 255,0,0,0: the flat first step covers x 0..254; the rest are vertical at x 255.
  const QImage image = EnvelopePicture(MakeEnvelope({255, 0, 0, 0}, 0, {0, 255, 255, 0}));
  for (int x = 0; x < 255; ++x) EXPECT_TRUE(White(image, x, 31)) << x;
  for (int y = 0; y < 32; ++y) EXPECT_TRUE(White(image, 255, y)) << y;
  EXPECT_EQ(WhitePixels(image).size(), 255u + 32u);
}

TEST(DrawEnvelopeTest, FourFullLengthsAreDividedByFourAndEndAtX252) {
  const QImage flat = EnvelopePicture(MakeEnvelope({255, 255, 255, 255}, 128, {128, 128, 128, 128}));
  for (int x = 0; x < 252; ++x) EXPECT_TRUE(White(flat, x, 15)) << x;
  EXPECT_EQ(WhitePixels(flat).size(), 252u);

  // Each step is 63 columns wide: the steps turn at x 63, 126 and 189.
  const QImage steps = EnvelopePicture(MakeEnvelope({255, 255, 255, 255}, 0, {0, 255, 255, 0}));
  EXPECT_TRUE(White(steps, 62, 31));
  EXPECT_TRUE(White(steps, 63, 31));   // start of the rising second step
  EXPECT_TRUE(White(steps, 126, 0));   // third step, flat at the top
  EXPECT_TRUE(White(steps, 188, 0));
  EXPECT_TRUE(White(steps, 251, 30) || White(steps, 251, 31));
  for (int x = 252; x < kEnvelopeWidth; ++x)
    for (int y = 0; y < kEnvelopeHeight; ++y) EXPECT_FALSE(White(steps, x, y)) << x << "," << y;
}

TEST(DrawEnvelopeTest, TotalLength256HalvesTheSteps) {
  const QImage image = EnvelopePicture(MakeEnvelope({128, 128, 0, 0}, 0, {0, 255, 255, 255}));
  for (int x = 0; x < 64; ++x) EXPECT_TRUE(White(image, x, 31)) << x;  // first step: 64 columns
  EXPECT_TRUE(White(image, 64, 31));                       // the second step starts at x 64
  EXPECT_TRUE(White(image, 127, 0) || White(image, 127, 1));  // and rises to row 0 at x 128
  EXPECT_FALSE(White(image, 128, 0));                       // end point not set
  for (int x = 128; x < kEnvelopeWidth; ++x)
    for (int y = 0; y < kEnvelopeHeight; ++y) EXPECT_FALSE(White(image, x, y)) << x << "," << y;
}

TEST(DrawEnvelopeTest, ValuesMapToRowsInStepsOfEight) {
  // Start 255 to value 0 over 31 columns: the diagonal from row 0 to row 31.
  const QImage diagonal = EnvelopePicture(MakeEnvelope({31, 0, 0, 0}, 255, {0, 0, 0, 0}));
  std::vector<std::pair<int, int>> expected;
  for (int k = 0; k < 31; ++k) expected.emplace_back(k, k);
  EXPECT_EQ(WhitePixels(diagonal), expected);
  // 248 lies on row 0 like 255, 7 on row 31 like 0.
  EXPECT_EQ(EnvelopePicture(MakeEnvelope({31, 0, 0, 0}, 248, {7, 7, 7, 7})), diagonal);
}

class ScopeTest : public ::testing::Test {
 protected:
  void SetUp() override { test::EnsureGuiApp(); }
  std::unique_ptr<Engine> engine_ = std::make_unique<Engine>();
  Instrument& Ins(int n) { return engine_->song.Instruments[n]; }
};

// Columns whose bar rises above the centre (+1), falls below it (-1) or stays at it (0).
std::vector<int> BarDirections(const QImage& image) {
  std::vector<int> dirs;
  for (int x = 0; x < 127; ++x) dirs.push_back(White(image, x, 62) ? 1 : White(image, x, 65) ? -1 : 0);
  return dirs;
}

// Runs of rising or falling bars, in order (+1 / -1), ignoring centre columns.
std::vector<int> HalfPeriods(const QImage& image) {
  std::vector<int> runs;
  for (int d : BarDirections(image))
    if (d != 0 && (runs.empty() || runs.back() != d)) runs.push_back(d);
  return runs;
}

TEST_F(ScopeTest, AmplitudeZeroIsOnePixelOnRow63) {
  Ins(4).SrcOsc1Amp = 0;
  Ins(4).SrcOsc1Wave = 0x30;
  QImage image = NewBlackImage(kScopeSize, kScopeSize);
  DrawOscillator(image, *engine_, 4, 0, 0);
  for (int x = 0; x < kScopeSize; ++x)
    for (int y = 0; y < kScopeTextY; ++y) EXPECT_EQ(White(image, x, y), y == 63) << x << "," << y;
  // The name sits in the bottom lines.
  bool text = false;
  for (int y = kScopeTextY; y < kScopeSize; ++y)
    for (int x = 0; x < kScopeSize; ++x) text = text || White(image, x, y);
  EXPECT_TRUE(text);
}

TEST_F(ScopeTest, MultipliersShowHalfOneAndTwoSinePeriods) {
  const struct {
    uint8_t wave;
    std::vector<int> runs;
  } cases[] = {{0x00, {1}}, {0x10, {1, -1}}, {0x30, {1, -1, 1, -1}}};
  for (const auto& c : cases) {
    Ins(2).DstOsc2Amp = 127;
    Ins(2).DstOsc2Wave = c.wave;
    QImage image = NewBlackImage(kScopeSize, kScopeSize);
    DrawOscillator(image, *engine_, 2, 1, 1);
    EXPECT_EQ(HalfPeriods(image), c.runs) << int(c.wave);
  }
}

TEST_F(ScopeTest, NegativeAmplitudeInvertsAndOscillatorsAreDrawnAlone) {
  Ins(1).SrcOsc1Amp = -127;
  Ins(1).SrcOsc1Wave = 0x10;
  Ins(1).SrcOsc2Amp = 127;  // the other oscillator of the pair must not show
  Ins(1).SrcOsc2Wave = 0x02;
  QImage image = NewBlackImage(kScopeSize, kScopeSize);
  DrawOscillator(image, *engine_, 1, 0, 0);
  EXPECT_EQ(HalfPeriods(image), (std::vector<int>{-1, 1}));
}

TEST_F(ScopeTest, OutputPreviewRebuildsTheWaveTableAndDrawsAllFive) {
  Ins(9).SrcOsc1Amp = 127;
  Ins(9).SrcOsc1Wave = 0x10;
  Ins(9).DstOsc1Amp = -127;
  Ins(9).DstOsc1Wave = 0x10;
  ScopeImages images;
  DrawOutputPreview(*engine_, 9, 0, images);
  for (int j = 0; j < 256; ++j) {
    EXPECT_EQ(engine_->WaveTables[9][j], engine_->WaveSample(j, 9, 0, 1, 0));
    EXPECT_EQ(engine_->WaveTables[9][256 + j], engine_->WaveSample(j, 9, 1, 1, 0));
  }
  EXPECT_TRUE(images.OscillatorsVisible);
  EXPECT_EQ(HalfPeriods(images.Output), (std::vector<int>{1, -1}));  // sweep 0: the source cycle
  EXPECT_EQ(HalfPeriods(images.Oscillators[0]), (std::vector<int>{1, -1}));
  EXPECT_EQ(HalfPeriods(images.Oscillators[2]), (std::vector<int>{-1, 1}));
  EXPECT_EQ(HalfPeriods(images.Oscillators[1]), std::vector<int>{});  // amplitude 0

  // The sweep preview changes the output only.
  const ScopeImages before = images;
  DrawOutputPreview(*engine_, 9, 255, images);
  EXPECT_EQ(HalfPeriods(images.Output), (std::vector<int>{-1, 1}));  // nearly all destination
  for (int k = 0; k < 4; ++k) EXPECT_EQ(images.Oscillators[k], before.Oscillators[k]) << k;
}

TEST_F(ScopeTest, OldSynthModeHidesTheOscillatorImages) {
  engine_->song.SynthMode[3] = 1;
  ScopeImages images;
  DrawOutputPreview(*engine_, 3, 128, images);
  EXPECT_FALSE(images.OscillatorsVisible);
  // All bytes 0 in the old model: every sample is 0, the bars reach the bottom rows.
  for (int x = 0; x < kScopeSize; ++x) EXPECT_TRUE(White(images.Output, x, 100)) << x;
  engine_->song.SynthMode[3] = 0;
  DrawOutputPreview(*engine_, 3, 128, images);
  EXPECT_TRUE(images.OscillatorsVisible);
}

TEST(XorLineTest, DrawingTwiceRestoresTheImage) {
  QImage image = NewBlackImage(20, 20);
  XorLine(image, 2, 3, 17, 11);
  EXPECT_FALSE(WhitePixels(image).empty());
  EXPECT_FALSE(White(image, 17, 11));  // end point not set
  XorLine(image, 2, 3, 17, 11);
  EXPECT_TRUE(WhitePixels(image).empty());
  XorLine(image, 5, 5, 5, 5);  // a line to its own start sets nothing
  EXPECT_TRUE(WhitePixels(image).empty());
}

}  // namespace
}  // namespace kelmar
