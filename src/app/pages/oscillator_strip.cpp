// The oscillator strip of the instrument page: the five scopes and the ten scroll bars under them.
#include <QPixmap>

#include "app/access/control_names.h"
#include "app/pages/instrument_page.h"
#include "app/pages/instrument_widgets.h"

namespace kelmar {

namespace {
constexpr int kScopeLeft[5] = {3, 136, 269, 402, 535};
constexpr int kScopeTop = 322;
constexpr int kUpperRowY = 455;
constexpr int kLowerRowY = 470;
}  // namespace

void InstrumentPage::BuildOscillatorStrip() {
  static const char* const kCaptions[5] = {"Oscillator 1", "Oscillator 2", "Oscillator 3", "Oscillator 4", "Preview"};
  static const char* const kImages[5] = {"Imageo1", "Imageo2", "Imageo3", "Imageo4", "Image1"};
  for (int k = 0; k < 5; ++k) {
    MakeLabel(this, QString::fromLatin1(kCaptions[k]), QRect(kScopeLeft[k], 303, 127, 16));
    QLabel* view = MakeLabel(this, QString(), QRect(kScopeLeft[k], kScopeTop, kScopeSize, kScopeSize), kImages[k]);
    view->setAccessibleName(QStringLiteral("%1 wave").arg(QString::fromLatin1(kCaptions[k])));
    if (k < 4) {
      oscillatorViews_[k] = view;
    } else {
      outputView_ = view;
    }
  }

  // ScrollBar1..8: oscillator k's amplitude above its waveform; ScrollBar9 (filter) under "Preview".
  for (int c = 0; c < kOscillatorControlCount; ++c) {
    const ControlInfo& info = OscillatorControls()[c];
    const int left = kScopeLeft[c / 2];
    const int y = (c < 8 && c % 2 == 0) ? kUpperRowY : kLowerRowY;
    Row row{&info, MakeScrollBar(this, info.Name, info.Min, info.Max, info.LargeStep, QRect(left + 24, y, 103, 10)),
            MakeValueLabel(this, QRect(left, y - 2, 24, 13), info.Label)};
    row.Bar->setToolTip(QString::fromLatin1(info.Caption));
    // The filter's hint explains it; the undo step's name is what it is.
    if (info.Field == 0) {
      Describe(row.Bar, QStringLiteral("Filter"));
    } else {
      row.Bar->setAccessibleName(SpokenCaption(row.Bar->toolTip()));
    }
    oscillatorRows_.push_back(row);
    OnUserMove(row.Bar, [this, row](int position) { OscillatorMoved(row, position); });
  }

  sweepBar_ = MakeScrollBar(this, "ScrollBarP1", 0, 255, 16, QRect(kScopeLeft[4] + 24, kUpperRowY, 103, 10));
  SetPosition(sweepBar_, kSweepPreviewStart);
  sweepBar_->setToolTip(QString::fromLatin1(kSweepPreviewHint));
  Describe(sweepBar_, QStringLiteral("Sweep Preview"));
  sweepLabel_ = MakeValueLabel(this, QRect(kScopeLeft[4], kUpperRowY - 2, 24, 13), "LabelSw");
  sweepLabel_->setText(QString::fromStdString(Padded(kSweepPreviewStart)));
  OnUserMove(sweepBar_, [this](int position) { SweepPreviewMoved(position); });
}

void InstrumentPage::OscillatorMoved(const Row& row, int position) {
  std::string label;
  {
    EngineLock lock(ctx_.engine);
    label = StoreOscillatorValue(Current(), row.Info->Field, position, row.Info->Signed);
  }
  row.Label->setText(QString::fromStdString(label));
  Changed(row.Info->Field == 0 ? "Filter" : row.Info->Caption, BarRun(row.Bar));
  DrawOutputPreview();
}

void InstrumentPage::SweepPreviewMoved(int position) {
  sweepPreview_ = static_cast<uint8_t>(position);
  sweepBar_->setToolTip(QString::fromStdString(SweepPreviewHint(position)));
  sweepLabel_->setText(QString::fromStdString(Padded(position)));
  DrawOutputPreview();
}

void InstrumentPage::RefreshOscillatorPanel() {
  // Each control shows its field; the fields are not written back, so a value the control
  // cannot show (an amplitude of -128) keeps its meaning until the user moves that control.
  const Instrument& ins = Current();
  for (const Row& row : oscillatorRows_) {
    const ControlView view = OscillatorView(ins, *row.Info);
    SetPosition(row.Bar, view.Position);
    row.Label->setText(QString::fromStdString(view.Label));
  }
  DrawOutputPreview();
}

void InstrumentPage::DrawOutputPreview() {
  kelmar::DrawOutputPreview(ctx_.engine, ctx_.state.CurrentInstrument, sweepPreview_, scopes_);
  // In words, a wave is the settings it is drawn from: each oscillator its amplitude and
  // waveform, the preview all of them and the filter.
  QStringList settings;
  for (const Row& row : oscillatorRows_) settings << row.Bar->accessibleName() + ' ' + row.Label->text().trimmed();
  outputView_->setAccessibleDescription(settings.join(QStringLiteral(", ")));
  for (int k = 0; k < 4; ++k) {
    oscillatorViews_[k]->setAccessibleDescription(settings[2 * k] + QStringLiteral(", ") + settings[2 * k + 1]);
  }
  outputView_->setPixmap(QPixmap::fromImage(scopes_.Output));
  for (int k = 0; k < 4; ++k) {
    if (scopes_.OscillatorsVisible) oscillatorViews_[k]->setPixmap(QPixmap::fromImage(scopes_.Oscillators[k]));
    oscillatorViews_[k]->setVisible(scopes_.OscillatorsVisible);
  }
}

}  // namespace kelmar
