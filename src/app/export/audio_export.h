// Save > "Export Audio..." (ExportAudio1Click): the dialog, then the export of the song as it
// stands, rendered from rest on an engine of its own at the chosen rate (the window's engine
// only stops playing), into the chosen format with the song's tags, with the progress dialog
// and Cancel. The dialog remembers its choices for the session.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/app_context.h"
#include "app/export/audio_export_dialog.h"
#include "app/export/export_progress.h"
#include "files/audio_export.h"

namespace kelmar {

class AudioExport {
 public:
  // suggestedSongFile: the song's file, else its title as a file name (the song's save dialog's suggestion).
  AudioExport(AppContext& ctx, QWidget* window, std::function<QString()> suggestedSongFile,
              std::function<void()> stopPlayback);
  void ExportAudio1Click();

  // One export with these choices, as the dialog's Export button runs it; returns what the
  // dialog shows afterwards (empty after a failure, which a message box tells).
  QString Run(const ExportChoices& choices);

  // Test seams: a hook run once the dialog is up (a test fills it in and presses its buttons),
  // one run with the progress dialog after every block, a shorter limit, the last outcome.
  void SetDialogHook(std::function<void(AudioExportDialog&)> hook) { dialogHook_ = std::move(hook); }
  void SetProgressHook(ExportProgress::Hook hook) { progressHook_ = std::move(hook); }
  void SetMaxSeconds(uint32_t seconds) { maxSeconds_ = seconds; }
  const AudioExportResult& LastResult() const { return last_; }

 private:
  ExportChoices StartingChoices() const;
  ExportRangeNames RangeNames() const;
  AudioExportSetup SetupOf(const ExportChoices& choices, const RenderRange& range) const;
  QString Outcome(const ExportChoices& choices, int stems) const;

  AppContext& ctx_;
  QWidget* window_;
  std::function<QString()> suggestedSongFile_;
  std::function<void()> stopPlayback_;
  std::optional<ExportChoices> chosen_;  // the last dialog's choices
  QString chosenFor_;                    // the song file they were made for
  std::function<void(AudioExportDialog&)> dialogHook_;
  ExportProgress::Hook progressHook_;
  uint32_t maxSeconds_ = kRenderMaxSeconds;
  AudioExportResult last_;
};

}  // namespace kelmar
