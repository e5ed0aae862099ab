#include "app/export/audio_export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <cstring>

#include "app/access/control_names.h"

namespace kelmar {
namespace {

constexpr uint32_t kRates[] = {22050, 32000, 44100, 48000};

// The name with the format's suffix in place of a suffix of any format.
QString WithSuffix(const QString& path, AudioFormat format) {
  QString base = path;
  if (const auto had = FormatOfPath(path.toStdString())) base.chop(static_cast<int>(strlen(InfoOf(*had).suffix)));
  return base + QString::fromLatin1(InfoOf(format).suffix);
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

AudioExportDialog::AudioExportDialog(QWidget* parent, const ExportChoices& choices, const ExportRangeNames& ranges)
    : QDialog(parent) {
  setObjectName("AudioExportDialog");
  setWindowTitle(QStringLiteral("Export Audio"));
  Build(ranges);
  Show(choices);
}

void AudioExportDialog::Build(const ExportRangeNames& ranges) {
  auto* form = new QFormLayout(this);
  file_ = Named(new QLineEdit, "ExportFile");
  file_->setMinimumWidth(file_->fontMetrics().averageCharWidth() * 48);
  auto* browse = Named(new QPushButton(QStringLiteral("Browse...")), "ExportBrowse");
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_, 1);
  fileRow->addWidget(browse);
  form->addRow(QStringLiteral("File:"), fileRow);

  format_ = Named(new QComboBox, "ExportFormat");
  for (const AudioFormatInfo& info : AudioFormats()) {
    format_->addItem(QString::fromLatin1(info.caption), static_cast<int>(info.format));
    // A format the system's libsndfile cannot write is shown, but cannot be chosen.
    if (!FormatAvailable(info.format))
      qobject_cast<QStandardItemModel*>(format_->model())->item(format_->count() - 1)->setEnabled(false);
  }
  quality_ = Named(new QSpinBox, "ExportQuality");
  quality_->setRange(0, 10);
  quality_->setToolTip(QStringLiteral("Ogg Vorbis, Opus and MP3: 0 is the smallest file, 10 the best sound"));
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(format_, 1);
  formatRow->addWidget(Labelling(QStringLiteral("Quality:"), quality_));
  formatRow->addWidget(quality_);
  form->addRow(QStringLiteral("Format:"), formatRow);
  wavTags_ = Named(new QCheckBox(QStringLiteral("Tags in WAV files")), "ExportWavTags");
  wavTags_->setToolTip(QStringLiteral("The song's title and comment; FLAC, Ogg and MP3 always carry them"));
  form->addRow(QString(), wavTags_);

  rate_ = Named(new QComboBox, "ExportRate");
  for (uint32_t rate : kRates) rate_->addItem(QStringLiteral("%1 Hz").arg(rate), rate);
  connect(rate_, &QComboBox::activated, this, [this] { chosenRate_ = rate_->currentData().toUInt(); });
  form->addRow(QStringLiteral("Sample rate:"), rate_);

  range_ = Named(new QComboBox, "ExportRange");
  range_->addItem(QStringLiteral("The whole song"), static_cast<int>(ExportFrom::Song));
  range_->addItem(ranges.orderCursor, static_cast<int>(ExportFrom::OrderCursor));
  range_->addItem(ranges.pattern, static_cast<int>(ExportFrom::Pattern));
  if (!ranges.selection.isEmpty()) range_->addItem(ranges.selection, static_cast<int>(ExportFrom::Selection));
  form->addRow(QStringLiteral("Render:"), range_);

  loops_ = Named(new QSpinBox, "ExportLoops");
  loops_->setRange(1, 99);
  fade_ = Named(new QDoubleSpinBox, "ExportFade");
  fade_->setRange(0, 60);
  fade_->setDecimals(1);
  fade_->setSuffix(QStringLiteral(" s"));
  auto* loopRow = new QHBoxLayout;
  loopRow->addWidget(loops_);
  loopRow->addWidget(Labelling(QStringLiteral("Fade-out:"), fade_));
  loopRow->addWidget(fade_);
  loopRow->addStretch(1);
  form->addRow(QStringLiteral("Loops:"), loopRow);
  auto* loopNote = new QLabel(QStringLiteral("For a song that jumps back, or a pattern: how often the loop plays, and "
                                             "the fade over its last pass. A song that stops by itself plays once."));
  loopNote->setWordWrap(true);
  form->addRow(QString(), loopNote);

  stems_ = Named(new QCheckBox(QStringLiteral("Also save stems")), "ExportStems");
  stems_->setToolTip(QStringLiteral("One file per track beside the mix: name-track1 ... name-track8"));
  leaveMuted_ = Named(new QCheckBox(QStringLiteral("Leave muted tracks out")), "ExportLeaveMuted");
  form->addRow(QString(), stems_);
  form->addRow(QString(), leaveMuted_);

  result_ = Named(new QLabel, "ExportResult");
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(result_);

  auto* buttons = new QDialogButtonBox;
  auto* exportButton = Named(buttons->addButton(QStringLiteral("Export"), QDialogButtonBox::AcceptRole), "ExportButton");
  exportButton->setDefault(true);
  buttons->addButton(QDialogButtonBox::Close);
  connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  connect(format_, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
  LabelRowsOfLayouts(*form);
}

void AudioExportDialog::Show(const ExportChoices& choices) {
  file_->setText(choices.path);
  quality_->setValue(choices.quality);
  wavTags_->setChecked(choices.wavTags);
  chosenRate_ = choices.sampleRate;
  rate_->setCurrentIndex(std::max(0, rate_->findData(choices.sampleRate)));
  const int range = range_->findData(static_cast<int>(choices.from));
  range_->setCurrentIndex(range < 0 ? 0 : range);
  loops_->setValue(choices.loops);
  fade_->setValue(choices.fadeSeconds);
  stems_->setChecked(choices.stems);
  leaveMuted_->setChecked(choices.leaveMutedOut);
  format_->setCurrentIndex(format_->findData(static_cast<int>(choices.format)));
  FormatChanged();
}

ExportChoices AudioExportDialog::Choices() const {
  ExportChoices choices;
  choices.path = file_->text().trimmed();
  choices.format = static_cast<AudioFormat>(format_->currentData().toInt());
  choices.quality = quality_->value();
  choices.wavTags = wavTags_->isChecked();
  choices.sampleRate = rate_->currentData().toUInt();
  choices.from = static_cast<ExportFrom>(range_->currentData().toInt());
  choices.loops = loops_->value();
  choices.fadeSeconds = fade_->value();
  choices.stems = stems_->isChecked();
  choices.leaveMutedOut = leaveMuted_->isChecked();
  return choices;
}

void AudioExportDialog::FormatChanged() {
  const AudioFormatInfo& info = InfoOf(static_cast<AudioFormat>(format_->currentData().toInt()));
  quality_->setEnabled(info.lossy);
  wavTags_->setEnabled(info.format == AudioFormat::Wav16 || info.format == AudioFormat::Wav24);
  // Opus is written at 48000 Hz only; the rate chosen before comes back with another format.
  const uint32_t rate = info.onlyRate ? info.onlyRate : chosenRate_;
  rate_->setCurrentIndex(std::max(0, rate_->findData(rate)));
  rate_->setEnabled(info.onlyRate == 0);
  if (!file_->text().isEmpty()) file_->setText(WithSuffix(file_->text(), info.format));
}

void AudioExportDialog::Browse() {
  const AudioFormatInfo& info = InfoOf(static_cast<AudioFormat>(format_->currentData().toInt()));
  const QString filter = QStringLiteral("%1 (*%2)").arg(QString::fromLatin1(info.caption), info.suffix);
  const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Export Audio"), file_->text(), filter);
  if (!name.isEmpty()) file_->setText(WithSuffix(name, info.format));
}

void AudioExportDialog::Export() {
  if (run_) result_->setText(run_(Choices()));
}

}  // namespace kelmar
