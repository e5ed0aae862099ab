// The "Instrument Editor" page: instrument selector, synth mode, envelope editor, preview
// octave and detune, modulator pages, and the oscillator strip with its five scopes.
// The rules and pictures live in editors/instrument; this page builds the controls,
// moves them from the fields and turns user moves into field writes.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "app/app_context.h"
#include "editors/instrument/instrument_controls.h"
#include "editors/instrument/instrument_drawing.h"

class QButtonGroup;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QScrollBar;
class QTabWidget;

namespace kelmar {

class InstrumentPage : public QWidget {
  Q_OBJECT
 public:
  InstrumentPage(AppContext& ctx, QWidget* parent);

  // Oscillator panel, envelope panel, then the modulator page shown.
  void RefreshInstrumentPanel();
  void RefreshOscillatorPanel();
  void RefreshEnvelopePanel();
  void RefreshModulatorPage();
  // Rebuilds the current instrument's wave table and redraws the five scopes.
  void DrawOutputPreview();
  void DrawEnvelope();

  // The page's keys; true when the key was the page's own (note, F1..F4, + and -).
  bool FormKeyDown(QKeyEvent* event);
  // A note from a MIDI keyboard (0..107): sounds the current instrument at the keyboard's own pitch.
  void PlayNote(int note);

  void CopyInstrument1Click();
  void PasteInstrument1Click();
  void CopyEnvelope1Click();
  void PasteEnvelope1Click();
  void RandomWave1Click();

  uint8_t SweepPreview() const { return sweepPreview_; }
  // The preview octave's buttons follow the editing state.
  void ShowPreviewOctave();
  // An instrument file dropped on the page (from the browser, or a file manager).
  void SetDropHandler(std::function<void(const QString&)> handler) { dropHandler_ = std::move(handler); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct Row {
    const ControlInfo* Info;
    QScrollBar* Bar;
    QLabel* Label;
  };

  void BuildSelectorAndModes();
  void BuildEnvelopePanel();
  void BuildModulatorPages();
  void BuildOscillatorStrip();

  void SelectInstrument(uint8_t instrument);  // selector, caption, refresh
  void ShowSelector();
  Instrument& Current();
  // The user changed the current instrument: one undo step. A control's run belongs to
  // the instrument it edited.
  void Changed(std::string_view step, StepRun run = {}) {
    if (!run.key.empty()) run.key += ':' + std::to_string(ctx_.state.CurrentInstrument);
    ctx_.views.StepDone(step, std::move(run));
  }

  void OscillatorMoved(const Row& row, int position);
  void EnvelopeMoved(const Row& row, int position);
  void ModulatorMoved(const Row& row, int position, const std::string& step);
  void SweepPreviewMoved(int position);

  AppContext& ctx_;
  std::function<void(const QString&)> dropHandler_;
  uint8_t sweepPreview_ = kSweepPreviewStart;
  ScopeImages scopes_;
  QImage envelopeImage_;

  QGroupBox* instrumentBox_ = nullptr;
  QScrollBar* instrumentBar_ = nullptr;  // ScrollBar19
  QButtonGroup* synthMode_ = nullptr;
  QButtonGroup* octave_ = nullptr;
  QScrollBar* detuneBar_ = nullptr;      // ScrollBar10
  QTabWidget* envelopeTabs_ = nullptr;   // TabControl2
  QLabel* envelopeView_ = nullptr;       // ADSR
  QTabWidget* modulatorTabs_ = nullptr;
  std::array<std::vector<Row>, kModulatorPageCount> modulatorRows_;
  std::array<QCheckBox*, kModulatorPageCount> enableBoxes_{};
  std::vector<Row> envelopeRows_;
  std::vector<Row> oscillatorRows_;
  std::array<QLabel*, 4> oscillatorViews_{};  // Imageo1..Imageo4
  QLabel* outputView_ = nullptr;              // Image1
  QScrollBar* sweepBar_ = nullptr;            // ScrollBarP1
  QLabel* sweepLabel_ = nullptr;              // LabelSw
};

}  // namespace kelmar
