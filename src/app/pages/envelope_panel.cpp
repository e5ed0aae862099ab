// The envelope editor of the instrument page: TabControl2 with its nine rows and ADSR.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QPixmap>
#include <QTabWidget>

#include "app/pages/instrument_page.h"
#include "app/pages/instrument_widgets.h"

namespace kelmar {

void InstrumentPage::BuildEnvelopePanel() {
  envelopeTabs_ = new QTabWidget(this);
  envelopeTabs_->setObjectName(QStringLiteral("TabControl2"));
  envelopeTabs_->setGeometry(3, 67, 315, 238);
  // One set of rows serves both tabs, so the tabs' own pages stay empty and the rows lie
  // on the tab control above them.
  envelopeTabs_->addTab(new QWidget, QStringLiteral("Volume"));
  envelopeTabs_->addTab(new QWidget, QStringLiteral("Sweep"));
  envelopeTabs_->setCurrentIndex(ctx_.state.EnvelopeTab & 1);

  // Rows from the top: Start, then length and value of each step.
  const auto& controls = EnvelopeControls();
  const int topDown[kEnvelopeControlCount] = {8, 0, 1, 2, 3, 4, 5, 6, 7};
  std::array<Row, kEnvelopeControlCount> rows{};
  for (int r = 0; r < kEnvelopeControlCount; ++r) {
    const ControlInfo& info = controls[topDown[r]];
    const int y = 30 + 18 * r;
    QLabel* caption = MakeLabel(envelopeTabs_, QString::fromLatin1(info.Caption), QRect(5, y - 1, 100, 14));
    if (r == 0) {
      caption->setGeometry(6, y - 1, 34, 14);
      MakeLabel(envelopeTabs_, QStringLiteral("Value"), QRect(42, y - 1, 36, 14));
    }
    Row row{&info, MakeScrollBar(envelopeTabs_, info.Name, 0, 255, 16, QRect(116, y, 196, 12)),
            MakeValueLabel(envelopeTabs_, QRect(80, y - 1, 26, 14), info.Label)};
    // A value row is named after the step above it: "Step 1 Value".
    row.Bar->setAccessibleName(r == 0   ? QStringLiteral("Start Value")
                               : r % 2 ? caption->text()
                                       : rows[topDown[r - 1]].Bar->accessibleName().replace("Length", "Value"));
    rows[topDown[r]] = row;
    OnUserMove(row.Bar, [this, row](int position) { EnvelopeMoved(row, position); });
  }
  envelopeRows_.assign(rows.begin(), rows.end());  // refresh order: As, Av, ..., Rv, ST

  envelopeView_ = MakeLabel(envelopeTabs_, QString(), QRect(32, 192, kEnvelopeWidth, kEnvelopeHeight), "ADSR");
  connect(envelopeTabs_, &QTabWidget::currentChanged, this, [this](int index) {
    ctx_.state.EnvelopeTab = static_cast<uint8_t>(index);
    RefreshEnvelopePanel();
  });
}

void InstrumentPage::EnvelopeMoved(const Row& row, int position) {
  std::string label;
  {
    EngineLock lock(ctx_.engine);
    label = StoreEnvelopeValue(CurrentEnvelope(Current(), ctx_.state.EnvelopeTab), row.Info->Field, position);
  }
  row.Label->setText(QString::fromStdString(label));
  StepRun run = BarRun(row.Bar);
  run.key += ctx_.state.EnvelopeTab == 0 ? "V" : "S";
  Changed(ctx_.state.EnvelopeTab == 0 ? "Volume Envelope" : "Sweep Envelope", std::move(run));
  DrawEnvelope();
}

void InstrumentPage::RefreshEnvelopePanel() {
  const int tab = ctx_.state.EnvelopeTab & 1;
  if (envelopeTabs_->currentIndex() != tab) {
    const QSignalBlocker blocker(envelopeTabs_);
    envelopeTabs_->setCurrentIndex(tab);
  }
  const uint8_t* envelope =
      reinterpret_cast<const uint8_t*>(&CurrentEnvelope(Current(), ctx_.state.EnvelopeTab));
  for (const Row& row : envelopeRows_) {
    const uint8_t value = envelope[row.Info->Field];
    SetPosition(row.Bar, value);
    row.Label->setText(QString::fromStdString(Padded(value)));
  }
  // The synth mode group shows the instrument's mode; showing it changes nothing.
  QAbstractButton* mode = synthMode_->button(ctx_.engine.song.SynthMode[ctx_.state.CurrentInstrument] != 0 ? 1 : 0);
  if (!mode->isChecked()) {
    const QSignalBlocker blocker(synthMode_);
    mode->setChecked(true);
  }
  DrawEnvelope();
}

void InstrumentPage::DrawEnvelope() {
  const Envelope& envelope = CurrentEnvelope(Current(), ctx_.state.EnvelopeTab);
  kelmar::DrawEnvelope(envelopeImage_, envelope);
  envelopeView_->setPixmap(QPixmap::fromImage(envelopeImage_));
  envelopeView_->setAccessibleName(ctx_.state.EnvelopeTab == 0 ? QStringLiteral("Volume envelope")
                                                               : QStringLiteral("Sweep envelope"));
  envelopeView_->setAccessibleDescription(QString::fromStdString(EnvelopeWords(envelope)));
}

}  // namespace kelmar
