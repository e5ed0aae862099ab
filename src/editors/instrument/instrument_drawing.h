// The instrument editor's pictures: the envelope, the four oscillator scopes and the
// "Output" preview. Everything is drawn into QImage surfaces (white pen in XOR mode on
// black), so the page only has to show the images and tests can read their pixels.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "engine/song.h"

namespace kelmar {

constexpr int kScopeSize = 127;      // the five scope images are 127 x 127
constexpr int kScopeTextY = 114;     // waveform name / "Output" at the image's bottom lines
constexpr int kEnvelopeWidth = 256;  // ADSR image
constexpr int kEnvelopeHeight = 32;
constexpr int kSweepPreviewStart = 128;

// A black image of the given size in the format the drawing routines use.
QImage NewBlackImage(int width, int height);

// White pen in XOR mode, toolkit style: the end point is not set. Clipped to the image.
void XorLine(QImage& image, int x0, int y0, int x1, int y1);
// The same with a plain white pen.
void SolidLine(QImage& image, int x0, int y0, int x1, int y1);
// Opaque white text on black with its top-left corner at (x, y), the scopes' small
// fixed-pitch font, without smoothing so the picture stays two-coloured.
void DrawScopeText(QImage& image, int x, int y, const std::string& text);

// "SIN-MAX@0.5f" style name of an oscillator waveform byte.
std::string WaveName(uint8_t wave);

// The envelope as four line steps from Start over Val1..Val4 into a 256 x 32 image
// (solid white pen on black).
void DrawEnvelope(QImage& image, const Envelope& envelope);

// One oscillator (pair 0/1, osc 0/1) of an instrument into a 127 x 127 image.
void DrawOscillator(QImage& image, const Engine& engine, uint8_t instrument, int pair, int osc);

// The five scope images of the page, and whether the four oscillator ones are shown.
struct ScopeImages {
  QImage Output;                      // Image1
  std::array<QImage, 4> Oscillators;  // Imageo1..Imageo4
  bool OscillatorsVisible = true;
  ScopeImages();
};

// Rebuilds the instrument's wave table (under the engine lock: the audio thread reads it),
// draws the "Output" image through the morph table at the sweep preview column, and draws
// the oscillator images, or hides them in the old synth mode.
void DrawOutputPreview(Engine& engine, uint8_t instrument, uint8_t sweepPreview, ScopeImages& images);

}  // namespace kelmar
