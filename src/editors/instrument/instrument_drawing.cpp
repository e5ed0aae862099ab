#include "editors/instrument/instrument_drawing.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "engine/tables.h"

namespace kelmar {

namespace {

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kXorWhite = 0x00FFFFFFu;

constexpr QRgb kWhite = 0xFFFFFFFFu;

enum class Pen { Xor, Solid };

// Bresenham from (x0, y0) towards (x1, y1), stopping before the end point as the
// toolkit's line drawing does.
void PenLine(QImage& image, int x0, int y0, int x1, int y1, Pen pen) {
  // bits() once per line: every scanLine() call on a writable image checks for sharing.
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const int width = image.width();
  const int height = image.height();
  if (x0 == x1) {  // vertical, as every scope bar: the same pixels, without the stepping
    if (x0 < 0 || x0 >= width) return;
    const int step = y0 < y1 ? 1 : -1;
    for (int y = y0; y != y1; y += step) {
      if (y < 0 || y >= height) continue;
      QRgb& pixel = reinterpret_cast<QRgb*>(bits + y * stride)[x0];
      pixel = pen == Pen::Xor ? (pixel ^ kXorWhite) : kWhite;
    }
    return;
  }
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0;
  int y = y0;
  while (x != x1 || y != y1) {
    if (x >= 0 && y >= 0 && x < width && y < height) {
      QRgb& pixel = reinterpret_cast<QRgb*>(bits + y * stride)[x];
      pixel = pen == Pen::Xor ? (pixel ^ kXorWhite) : kWhite;
    }
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// The vertical bar of one scope column: from the sample's height towards the centre row.
void ScopeBar(QImage& image, int column, uint8_t sample) {
  XorLine(image, column, 127 - sample / 2, column, 64);
}

}  // namespace

QImage NewBlackImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(kBlack);
  return image;
}

void XorLine(QImage& image, int x0, int y0, int x1, int y1) { PenLine(image, x0, y0, x1, y1, Pen::Xor); }

void SolidLine(QImage& image, int x0, int y0, int x1, int y1) { PenLine(image, x0, y0, x1, y1, Pen::Solid); }

namespace {

// The text as the toolkit draws it, white on black, in a strip as wide as a scope and tall
// enough for the bottom lines. Rendering text is by far the dearest part of a redraw, and
// only 257 different texts ever appear, so each is rendered once and then copied.
const QImage& TextStamp(const std::string& text) {
  static std::unordered_map<std::string, QImage> stamps;
  auto found = stamps.find(text);
  if (found != stamps.end()) return found->second;
  QImage stamp = NewBlackImage(kScopeSize, kScopeSize - kScopeTextY);
  {
    QPainter painter(&stamp);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(11);  // 8 point on a 96 dpi screen
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(QRect(0, 0, stamp.width(), stamp.height()), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(text));
  }
  return stamps.emplace(text, std::move(stamp)).first->second;
}

}  // namespace

void DrawScopeText(QImage& image, int x, int y, const std::string& text) {
  // Fonts need the GUI application; without one (a command-line tool) the picture has no text.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
  const QImage& stamp = TextStamp(text);
  // Opaque text: the stamp's black background replaces what lies under it.
  const int rows = std::min(stamp.height(), image.height() - y);
  const int first = std::max(0, -x);
  const int last = std::min(stamp.width(), image.width() - x);
  for (int row = std::max(0, -y); row < rows; ++row) {
    const auto* from = reinterpret_cast<const QRgb*>(stamp.constScanLine(row));
    auto* to = reinterpret_cast<QRgb*>(image.scanLine(y + row));
    std::copy(from + first, from + last, to + x + first);
  }
}

std::string WaveName(uint8_t wave) {
  static const char* const kShapes[4] = {"SIN-", "COS-", "SAW-", "SQR-"};
  static const char* const kAmpShapes[4] = {"MAX@", "RUP@", "RDN@", "TRI@"};
  const int n = wave >> 4;
  std::string name = kShapes[wave & 3];
  name += kAmpShapes[(wave >> 2) & 3];
  name += static_cast<char>('0' + (n + 1) / 2);
  name += '.';
  name += (n % 2 == 0) ? '5' : '0';
  name += 'f';
  return name;
}

void DrawEnvelope(QImage& image, const Envelope& envelope) {
  image.fill(kBlack);
  const int total = envelope.Len1 + envelope.Len2 + envelope.Len3 + envelope.Len4;
  const int divisor = total / 256 + 1;
  int x = 0;
  int previous = envelope.Start;
  for (int step = 0; step < 4; ++step) {
    const int fromY = 31 - previous / 8;
    const int value = envelope.Val(step);
    const int toX = x + envelope.Len(step) / divisor;
    // A solid pen: where a step turns back over the previous one the line must stay visible.
    SolidLine(image, x, fromY, toX, 31 - value / 8);
    x = toX;
    previous = value;
  }
}

void DrawOscillator(QImage& image, const Engine& engine, uint8_t instrument, int pair, int osc) {
  image.fill(kBlack);
  const Instrument& ins = engine.song.Instruments[instrument];
  const uint8_t wave = ins.bytes()[(osc == 0 ? 2 : 4) + 4 * pair];
  DrawScopeText(image, 0, kScopeTextY, WaveName(wave));
  for (int i = 0; i < 128; ++i) {
    const uint8_t s = engine.WaveSample(static_cast<uint8_t>(2 * i), instrument, pair, static_cast<uint8_t>(osc),
                                        static_cast<uint8_t>(osc));
    ScopeBar(image, i, s);
  }
}

ScopeImages::ScopeImages() : Output(NewBlackImage(kScopeSize, kScopeSize)) {
  for (auto& image : Oscillators) image = NewBlackImage(kScopeSize, kScopeSize);
}

void DrawOutputPreview(Engine& engine, uint8_t instrument, uint8_t sweepPreview, ScopeImages& images) {
  {
    EngineLock lock(engine);
    engine.BuildWaveTable(instrument);
  }
  QImage& out = images.Output;
  out.fill(kBlack);
  DrawScopeText(out, 0, kScopeTextY, "Output");
  const auto& morph = Tables().MorphTable;
  const auto& table = engine.WaveTables[instrument];
  for (int j = 0; j < 128; ++j) ScopeBar(out, j, table[morph[2 * j][sweepPreview]]);

  if (engine.song.SynthMode[instrument] != 0) {
    // The old model computes each pair as one unit: there is no single oscillator to show.
    images.OscillatorsVisible = false;
    return;
  }
  images.OscillatorsVisible = true;
  for (int k = 0; k < 4; ++k) DrawOscillator(images.Oscillators[k], engine, instrument, k / 2, k % 2);
}

}  // namespace kelmar
