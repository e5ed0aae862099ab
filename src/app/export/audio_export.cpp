#include "app/export/audio_export.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cmath>
#include <memory>
#include <vector>

#include "app/dialog_folders.h"
#include "app/message_box.h"
#include "editors/pattern/pattern_text.h"
#include "files/wav_file.h"

namespace kelmar {
namespace {

QString Hex2(int value) { return QString::fromStdString(HexByte(value)); }

QString Seconds(uint64_t frames, uint32_t rate) {
  return QString::asprintf("%.1f s", static_cast<double>(frames) / rate);
}

// The mix first, then the stems that are written.
std::vector<std::string> Paths(const AudioExportSetup& setup) {
  std::vector<std::string> paths{setup.path};
  for (const std::string& stem : setup.stemPaths)
    if (!stem.empty()) paths.push_back(stem);
  return paths;
}

}  // namespace

AudioExport::AudioExport(AppContext& ctx, QWidget* window, std::function<QString()> suggestedSongFile,
                         std::function<void()> stopPlayback)
    : ctx_(ctx),
      window_(window),
      suggestedSongFile_(std::move(suggestedSongFile)),
      stopPlayback_(std::move(stopPlayback)) {}

ExportChoices AudioExport::StartingChoices() const {
  // The song's file (or title) with the format's suffix, beside the song or in the songs folder.
  const QString song = suggestedSongFile_();
  ExportChoices choices = chosen_.value_or(ExportChoices{});
  if (!chosen_ || chosenFor_ != song) {
    QFileInfo info(song);
    const QString folder = info.isAbsolute() ? info.absolutePath()
                                             : DialogFolder(QString::fromStdString(ctx_.state.StartFolder),
                                                            QStringLiteral("songs"), true, {});
    // A new song's title names nothing: "untitled".
    const QString name = info.completeBaseName().isEmpty() ? QStringLiteral("untitled") : info.completeBaseName();
    choices.path = QDir(folder).filePath(name + InfoOf(choices.format).suffix);
  }
  if (!chosen_) choices.sampleRate = ctx_.engine.SampleRate;
  if (choices.from == ExportFrom::Selection && !ExportRangeOf(ExportFrom::Selection, ctx_.state))
    choices.from = ExportFrom::Pattern;
  return choices;
}

ExportRangeNames AudioExport::RangeNames() const {
  ExportRangeNames names;
  names.orderCursor = QStringLiteral("The song from order position %1").arg(Hex2(ctx_.state.OrderRow));
  names.pattern = QStringLiteral("Pattern %1").arg(Hex2(ctx_.state.CurrentPattern));
  if (const auto rows = ExportRangeOf(ExportFrom::Selection, ctx_.state))
    names.selection = QStringLiteral("Rows %1 to %2 of pattern %3")
                          .arg(Hex2(rows->firstRow), Hex2(rows->lastRow), Hex2(ctx_.state.CurrentPattern));
  return names;
}

void AudioExport::ExportAudio1Click() {
  AudioExportDialog dialog(window_, StartingChoices(), RangeNames());
  dialog.SetExport([this](const ExportChoices& choices) {
    const QString outcome = Run(choices);
    ctx_.views.Announce(outcome);  // the dialog shows it under its controls
    return outcome;
  });
  if (dialogHook_) QTimer::singleShot(0, &dialog, [this, &dialog] { dialogHook_(dialog); });
  dialog.exec();
  chosen_ = dialog.Choices();
  chosenFor_ = suggestedSongFile_();
}

AudioExportSetup AudioExport::SetupOf(const ExportChoices& choices, const RenderRange& range) const {
  AudioExportSetup setup;
  setup.path = QDir::toNativeSeparators(choices.path).toStdString();
  setup.file.format = choices.format;
  setup.file.sampleRate = choices.sampleRate;
  setup.file.quality = choices.quality;
  setup.file.wavTags = choices.wavTags;
  setup.file.tagText = TagsOfSong(ctx_.settings, "Kelmar " KELMAR_VERSION);
  const uint8_t muted = choices.leaveMutedOut ? ctx_.engine.MutedTracks : 0;
  for (int c = 0; c < kChannelCount && choices.stems; ++c)
    if (!(muted & (1u << c))) setup.stemPaths[c] = StemPathBeside(setup.path, c);
  setup.render.range = range;
  setup.render.passes = choices.loops;
  setup.render.muted = muted;
  setup.render.maxSeconds = maxSeconds_;
  setup.fadeFrames = static_cast<uint32_t>(std::lround(choices.fadeSeconds * choices.sampleRate));
  setup.measureLoudness = true;  // shown after the export
  return setup;
}

QString AudioExport::Run(const ExportChoices& choices) {
  const std::optional<RenderRange> range = ExportRangeOf(choices.from, ctx_.state);
  if (choices.path.isEmpty() || !range) return QStringLiteral("Give the file a name first.");
  AudioExportSetup setup = SetupOf(choices, *range);
  for (const std::string& path : Paths(setup)) {
    const QFileInfo file(QString::fromStdString(path));
    if (!file.exists()) continue;
    if (!ctx_.messages.Ask(QStringLiteral("%1 already exists. Replace it?").arg(file.fileName()))) return {};
    break;  // one question for the mix and its stems
  }
  stopPlayback_();
  // What a freshly started program at this rate would render: the song as it stands, the
  // window's buffer size, voices and tick clock at rest.
  auto engine = std::make_unique<Engine>();
  ConfigureFreshEngine(*engine, static_cast<uint16_t>(choices.sampleRate), ctx_.engine.BufferSize);
  engine->song = ctx_.engine.song;
  // Over the export dialog while it is up, so that its Cancel can be reached.
  QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : window_;
  ExportProgress progress(owner, "AudioExportProgress", QStringLiteral("Export Audio"),
                          QFileInfo(choices.path).fileName(), progressHook_);
  progress.Show();
  setup.render.progress = [&](const RenderProgress& p) { return progress.Update(p); };
  last_ = ExportAudio(*engine, setup);
  progress.Hide();
  if (last_.end == RenderEnd::Failed) {
    ctx_.messages.Error(QString::fromStdString(last_.error.message()),
                        QDir::toNativeSeparators(QFileInfo(QString::fromStdString(last_.failedPath)).absoluteFilePath()));
    return {};
  }
  return Outcome(choices, static_cast<int>(Paths(setup).size()) - 1);
}

QString AudioExport::Outcome(const ExportChoices& choices, int stems) const {
  if (last_.end == RenderEnd::Cancelled) return QStringLiteral("Cancelled: nothing was written.");
  QString text = QStringLiteral("Wrote %1%2: %3, %4.")
                     .arg(QFileInfo(choices.path).fileName(),
                          stems ? QStringLiteral(" and %1 stems").arg(stems) : QString(),
                          Seconds(last_.frames, choices.sampleRate),
                          QString::fromStdString(LoudnessText(last_.loudness)));
  if (last_.end == RenderEnd::Limit)
    text += QStringLiteral(" The song does not stop by itself: it was cut at %1 minutes.").arg(maxSeconds_ / 60.0);
  return text;
}

}  // namespace kelmar
