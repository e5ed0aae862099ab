// "&Save" / "Export .WAV" (ExportWAV1Click): renders the song from its start into
// "outfile.wav" in the working folder, with the editor pages hidden and the audio callback
// paused, through the same render loop as kelmar-render. A progress dialog shows the seconds
// rendered and the order position and can cancel; a song that never stops ends at 30 minutes,
// and a box says so.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "app/app_context.h"
#include "files/wav_file.h"

class QProgressDialog;
class QWidget;

namespace kelmar {

class WavExport {
 public:
  static constexpr const char* kFileName = "outfile.wav";

  WavExport(AppContext& ctx, QWidget* window);
  void ExportWAV1Click();

  // Test seams: a shorter limit, a hook run with the progress dialog after every rendered
  // block (a test may press Cancel there), and the outcome of the last export.
  void SetMaxSeconds(uint32_t seconds) { maxSeconds_ = seconds; }
  void SetProgressHook(std::function<void(QProgressDialog&)> hook) { progressHook_ = std::move(hook); }
  const WavRenderResult& LastResult() const { return last_; }

 private:
  AppContext& ctx_;
  QWidget* window_;
  uint32_t maxSeconds_ = kWavExportMaxSeconds;
  std::function<void(QProgressDialog&)> progressHook_;
  WavRenderResult last_;
};

}  // namespace kelmar
