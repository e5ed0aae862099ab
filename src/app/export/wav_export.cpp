#include "app/export/wav_export.h"

#include <QWidget>

#include "app/export/export_progress.h"
#include "app/message_box.h"
#include "audio/audio_output.h"

namespace kelmar {

WavExport::WavExport(AppContext& ctx, QWidget* window) : ctx_(ctx), window_(window) {}

void WavExport::ExportWAV1Click() {
  Engine& engine = ctx_.engine;
  QWidget* pages = window_ ? window_->findChild<QWidget*>("PageControl2") : nullptr;
  if (pages) pages->hide();

  ExportProgress progress(window_, "WavExportProgress", QStringLiteral("Export .WAV"), kFileName, progressHook_);

  bool paused = false;
  WavExportSetup setup;
  setup.path = kFileName;  // relative: the process's working folder
  setup.render.maxSeconds = maxSeconds_;
  setup.beforeStart = [&] {
    ctx_.audio.PauseAudio(true);
    paused = true;
    {
      // A callback already inside RenderBuffer finishes before the export renders.
      EngineLock wait(engine);
    }
    progress.Show();
  };
  setup.render.progress = [&](const RenderProgress& p) { return progress.Update(p); };

  last_ = ExportSongToWav(engine, setup);

  // Playback is stopped by every way out of the export; the callback resumes and the pages
  // come back before any message is shown.
  progress.Hide();
  if (paused) ctx_.audio.PauseAudio(false);
  if (pages) pages->show();
  if (last_.end == RenderEnd::Failed) ctx_.messages.Error(QString::fromStdString(last_.error.message()));
  // A cut file must not pass for the whole song.
  if (last_.end == RenderEnd::Limit)
    ctx_.messages.Info(QStringLiteral("The export stopped at the %1-minute limit: %2 holds only the start of the song.")
                           .arg(kWavExportMaxSeconds / 60)
                           .arg(kFileName));
}

}  // namespace kelmar
