#include "app/pages/instrument_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QRadioButton>
#include <QTabWidget>
#include <QUrl>

#include "app/access/control_names.h"
#include "app/pages/instrument_widgets.h"
#include "app/platform_key.h"
#include "editors/instrument/instrument_tools.h"

namespace kelmar {

namespace {

// A radio group as a titled box with its items in columns; the button ids are the item indexes.
QButtonGroup* MakeRadioGroup(QWidget* parent, const char* name, const QString& title, const QRect& geometry,
                             const QStringList& items, int columnWidth) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  auto* group = new QButtonGroup(box);
  for (int k = 0; k < items.size(); ++k) {
    auto* button = new QRadioButton(items[k], box);
    button->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(k));
    button->setGeometry(6 + k * columnWidth, 13, columnWidth - 2, 15);
    group->addButton(button, k);
  }
  return group;
}

void SelectRadio(QButtonGroup* group, int id) {
  QAbstractButton* button = group->button(id);
  if (button == nullptr || button->isChecked()) return;
  const QSignalBlocker blocker(group);
  button->setChecked(true);
}

}  // namespace

InstrumentPage::InstrumentPage(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), envelopeImage_(NewBlackImage(kEnvelopeWidth, kEnvelopeHeight)) {
  setMinimumSize(666, 485);
  // The controls are packed to the pixel; the small dialog font keeps the captions whole.
  QFont small = font();
  small.setPointSize(8);
  setFont(small);
  BuildSelectorAndModes();
  BuildEnvelopePanel();
  BuildModulatorPages();
  BuildOscillatorStrip();
  setAcceptDrops(true);  // an instrument file dropped here loads into the current slot
}

void InstrumentPage::BuildSelectorAndModes() {
  instrumentBox_ = new QGroupBox(QString::fromStdString(InstrumentCaption(0)), this);
  instrumentBox_->setObjectName(QStringLiteral("GroupBoxInstrument"));
  instrumentBox_->setGeometry(3, 3, 230, 30);
  instrumentBar_ = MakeScrollBar(instrumentBox_, "ScrollBar19", 0, 255, 1, QRect(6, 14, 218, 13));
  OnUserMove(instrumentBar_, [this](int position) { SelectInstrument(static_cast<uint8_t>(position)); });
  Describe(instrumentBar_, QStringLiteral("Instrument"));

  synthMode_ = MakeRadioGroup(this, "Synthmode", QStringLiteral("Synthmode"), QRect(3, 35, 230, 30),
                              {QStringLiteral("new (0.7.5)"), QStringLiteral("old (pre-0.7.3)")}, 110);
  synthMode_->button(0)->setChecked(true);
  NameButtons(synthMode_, QStringLiteral("Synthmode"));
  connect(synthMode_, &QButtonGroup::idClicked, this, [this](int id) {
    const auto mode = static_cast<uint8_t>(id == 1 ? 1 : 0);
    if (ctx_.engine.song.SynthMode[ctx_.state.CurrentInstrument] != mode) {
      {
        EngineLock lock(ctx_.engine);
        ctx_.engine.song.SynthMode[ctx_.state.CurrentInstrument] = mode;
      }
      Changed("Synth Mode");
    }
    RefreshOscillatorPanel();
  });

  QStringList octaves;
  for (int k = 0; k < 8; ++k) octaves << QString::number(k);
  octave_ = MakeRadioGroup(this, "RadioGroup1", QStringLiteral("Octave"), QRect(348, 3, 315, 30), octaves, 38);
  octave_->button(ctx_.state.PreviewOctave & 7)->setChecked(true);
  NameButtons(octave_, QStringLiteral("Octave"));
  connect(octave_, &QButtonGroup::idClicked, this,
          [this](int id) { ctx_.state.PreviewOctave = static_cast<uint8_t>(id); });

  detuneBar_ = MakeScrollBar(this, "ScrollBar10", 0, 15, 1, QRect(352, 56, 311, 17));
  SetPosition(detuneBar_, ctx_.state.PreviewDetune & 15);
  Describe(detuneBar_, QStringLiteral("Preview detune"));
  OnUserMove(detuneBar_, [this](int position) { ctx_.state.PreviewDetune = static_cast<uint8_t>(position); });
}

void InstrumentPage::BuildModulatorPages() {
  modulatorTabs_ = new QTabWidget(this);
  modulatorTabs_->setObjectName(QStringLiteral("PageControlModulators"));
  modulatorTabs_->setGeometry(348, 121, 315, 135);
  for (int p = 0; p < kModulatorPageCount; ++p) {
    const ModulatorPageInfo& info = ModulatorPages()[p];
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(QString::fromLatin1(info.Title)));
    for (int r = 0; r < info.RowCount; ++r) {
      const ControlInfo& rowInfo = info.Rows[r];
      const int y = 2 + 18 * r;
      MakeLabel(page, QString::fromLatin1(rowInfo.Caption), QRect(3, y - 1, 100, 14))->lower();  // may run under the value label
      Row row{&rowInfo, MakeScrollBar(page, rowInfo.Name, rowInfo.Min, rowInfo.Max, rowInfo.LargeStep,
                                       QRect(110, y, 196, 12)),
              MakeValueLabel(page, QRect(80, y - 1, 26, 14), rowInfo.Label)};
      row.Bar->setAccessibleName(QString::fromLatin1(info.Title) + ' ' + QString::fromLatin1(rowInfo.Caption));
      modulatorRows_[p].push_back(row);
      const std::string step = std::string(info.Title) + ' ' + rowInfo.Caption;
      OnUserMove(row.Bar, [this, row, step](int position) { ModulatorMoved(row, position, step); });
    }
    if (info.EnableBox != nullptr) {
      auto* box = new QCheckBox(QStringLiteral("Enable"), page);
      box->setObjectName(QString::fromLatin1(info.EnableBox));
      box->setGeometry(246, 90, 60, 16);
      box->setAccessibleName(QStringLiteral("%1 Enable").arg(QString::fromLatin1(info.Title)));
      const int field = info.EnableField;
      const std::string step = std::string(info.Title) + " Enable";
      // clicked: only the user's toggles store; the program's setChecked stays a display.
      connect(box, &QCheckBox::clicked, this, [this, field, step](bool checked) {
        {
          EngineLock lock(ctx_.engine);
          Current().bytes()[field] = checked ? 1 : 0;
        }
        Changed(step);
      });
      enableBoxes_[p] = box;
    }
    modulatorTabs_->addTab(page, QString::fromLatin1(info.Title));
  }
  modulatorTabs_->setCurrentIndex(ctx_.state.ModulatorPage & 3);
  connect(modulatorTabs_, &QTabWidget::currentChanged, this, [this](int index) {
    ctx_.state.ModulatorPage = static_cast<uint8_t>(index);
    RefreshModulatorPage();
  });
}

Instrument& InstrumentPage::Current() { return ctx_.engine.song.Instruments[ctx_.state.CurrentInstrument]; }

void InstrumentPage::ModulatorMoved(const Row& row, int position, const std::string& step) {
  row.Label->setText(QString::fromStdString(ModulatorLabel(*row.Info, position)));
  {
    EngineLock lock(ctx_.engine);
    Current().bytes()[row.Info->Field] = static_cast<uint8_t>(position & 0xFF);
  }
  Changed(step, BarRun(row.Bar));
}

void InstrumentPage::RefreshInstrumentPanel() {
  ShowSelector();
  RefreshOscillatorPanel();
  RefreshEnvelopePanel();
  RefreshModulatorPage();
}

void InstrumentPage::RefreshModulatorPage() {
  const int page = ctx_.state.ModulatorPage & 3;
  if (modulatorTabs_->currentIndex() != page) {
    const QSignalBlocker blocker(modulatorTabs_);
    modulatorTabs_->setCurrentIndex(page);
  }
  const Instrument& ins = Current();
  for (const Row& row : modulatorRows_[page]) {
    // The label shows the field as it is; a value beyond the control stays in the field.
    const int value = FieldValue(ins, *row.Info);
    SetPosition(row.Bar, std::clamp(value, row.Info->Min, row.Info->Max));
    row.Label->setText(QString::fromStdString(ModulatorLabel(*row.Info, value)));
  }
  if (QCheckBox* box = enableBoxes_[page]) {
    const QSignalBlocker blocker(box);
    box->setChecked(ins.bytes()[ModulatorPages()[page].EnableField] != 0);
  }
}

void InstrumentPage::ShowSelector() {
  SetPosition(instrumentBar_, ctx_.state.CurrentInstrument);
  instrumentBox_->setTitle(QString::fromStdString(InstrumentCaption(ctx_.state.CurrentInstrument)));
}

void InstrumentPage::SelectInstrument(uint8_t instrument) {
  ctx_.state.CurrentInstrument = instrument;
  RefreshInstrumentPanel();  // moves the selector and sets the caption first
}

void InstrumentPage::ShowPreviewOctave() { SelectRadio(octave_, ctx_.state.PreviewOctave & 7); }

bool InstrumentPage::FormKeyDown(QKeyEvent* event) {
  const PageKey::Kind kind = ApplyPageKey(ctx_.engine, ctx_.state, PlatformKeyOf(event));
  if (kind == PageKey::Kind::NextInstrument || kind == PageKey::Kind::PreviousInstrument) {
    SelectInstrument(ctx_.state.CurrentInstrument);
  }
  ShowPreviewOctave();
  return kind != PageKey::Kind::None;
}

void InstrumentPage::PlayNote(int note) {
  PreviewNoteAt(ctx_.engine, ctx_.state, static_cast<uint8_t>(note % 12), static_cast<uint8_t>(note / 12));
}

namespace {

// One local file dragged onto the page: an instrument to load.
QString DroppedFile(const QMimeData* data) {
  const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
  return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

}  // namespace

void InstrumentPage::dragEnterEvent(QDragEnterEvent* event) {
  if (dropHandler_ && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void InstrumentPage::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (!dropHandler_ || file.isEmpty()) return;
  event->acceptProposedAction();
  dropHandler_(file);
}

void InstrumentPage::CopyInstrument1Click() { CopyInstrument(ctx_.state); }

void InstrumentPage::PasteInstrument1Click() {
  PasteInstrument(ctx_.engine, ctx_.state);
  RefreshInstrumentPanel();
}

void InstrumentPage::CopyEnvelope1Click() { CopyEnvelope(ctx_.state); }

void InstrumentPage::PasteEnvelope1Click() {
  PasteEnvelope(ctx_.engine, ctx_.state);
  RefreshInstrumentPanel();
}

void InstrumentPage::RandomWave1Click() {
  RandomWave(ctx_.engine, ctx_.state);
  RefreshOscillatorPanel();
}

}  // namespace kelmar
