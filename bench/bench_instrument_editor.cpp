// Dragging an oscillator thumb runs one DrawOutputPreview per position: the wave table of
// the instrument is rebuilt and five scopes are drawn. It must stay far below a frame.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <memory>

#include "editors/instrument/instrument_drawing.h"

namespace kelmar {
namespace {

void EnsureGuiApp() {
  if (QCoreApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_instrument_editor";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);
}

void BM_DrawOutputPreview(benchmark::State& state) {
  EnsureGuiApp();
  auto engine = std::make_unique<Engine>();
  Instrument& ins = engine->song.Instruments[1];
  ins.SrcOsc1Amp = 100;
  ins.SrcOsc1Wave = 0x37;
  ins.SrcOsc2Amp = -60;
  ins.SrcOsc2Wave = 0x1E;
  ins.DstOsc1Amp = 127;
  ins.DstOsc1Wave = 0xF2;
  ins.DstOsc2Amp = -127;
  ins.DstOsc2Wave = 0x49;
  ScopeImages images;
  uint8_t sweep = 0;
  for (auto _ : state) {
    ins.SrcOsc1Amp = static_cast<int8_t>(sweep & 0x7F);  // as a dragged thumb would
    DrawOutputPreview(*engine, 1, sweep++, images);
    benchmark::DoNotOptimize(images.Output.constBits());
  }
}
BENCHMARK(BM_DrawOutputPreview)->Unit(benchmark::kMicrosecond);

void BM_DrawEnvelope(benchmark::State& state) {
  QImage image = NewBlackImage(kEnvelopeWidth, kEnvelopeHeight);
  const Envelope envelope{200, 30, 255, 90, 0, 255, 128, 200, 0};
  for (auto _ : state) {
    DrawEnvelope(image, envelope);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_DrawEnvelope)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelmar
