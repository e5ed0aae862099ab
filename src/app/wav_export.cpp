#include "app/wav_export.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QWidget>

#include "app/message_box.h"
#include "audio/audio_output.h"

namespace kelmar {

WavExport::WavExport(AppContext& ctx, QWidget* window) : ctx_(ctx), window_(window) {}

void WavExport::ExportWAV1Click() {
  Engine& engine = ctx_.engine;
  QWidget* pages = window_ ? window_->findChild<QWidget*>("PageControl2") : nullptr;
  if (pages) pages->hide();

  // Created up front but shown only once rendering runs; window-modal, so that while it
  // takes events for its Cancel button the editors and menus stay out of reach.
  QProgressDialog progress(QStringLiteral("Rendering %1 ...").arg(kFileName), QStringLiteral("Cancel"), 0, 0,
                           window_);
  progress.setObjectName("WavExportProgress");
  progress.setWindowTitle(QStringLiteral("Export .WAV"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);

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
    progress.show();
  };
  QElapsedTimer sinceUpdate;
  sinceUpdate.start();
  bool first = true;
  setup.render.progress = [&](const RenderProgress& p) {
    if (first || sinceUpdate.elapsed() >= 100) {
      first = false;
      sinceUpdate.restart();
      progress.setLabelText(QString::asprintf("Rendering %s: %.1f s, order %02X", kFileName, p.seconds(),
                                              static_cast<unsigned>(p.orderPos)));
      QCoreApplication::processEvents();
    }
    if (progressHook_) progressHook_(progress);
    return !progress.wasCanceled();
  };

  last_ = ExportSongToWav(engine, setup);

  // Playback is stopped by every way out of the export; the callback resumes and the pages
  // come back before any message is shown.
  progress.hide();
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
