// Save > "Export Audio...": the file, its format, quality and sample rate, what to render,
// loops and fade-out, stems. Export runs the export with the dialog still open, which then
// shows the length and loudness of what was written; Close closes it.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "editors/pattern/play_start.h"
#include "files/audio_file.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kelmar {

struct ExportChoices {
  QString path;
  AudioFormat format = AudioFormat::Wav16;
  int quality = kDefaultQuality;
  bool wavTags = false;
  uint32_t sampleRate = 44100;
  ExportFrom from = ExportFrom::Song;
  int loops = 1;
  double fadeSeconds = 0;
  bool stems = false;
  bool leaveMutedOut = false;
};

// How each range is named in the dialog: "The song from order position 0C", "Pattern 05", ...
struct ExportRangeNames {
  QString orderCursor;
  QString pattern;
  QString selection;  // empty: nothing selected, the choice is not offered
};

class AudioExportDialog : public QDialog {
 public:
  AudioExportDialog(QWidget* parent, const ExportChoices& choices, const ExportRangeNames& ranges);

  ExportChoices Choices() const;
  // Export was pressed: runs the export and returns what the dialog shows after it.
  void SetExport(std::function<QString(const ExportChoices&)> run) { run_ = std::move(run); }
  void Export();

 private:
  void Build(const ExportRangeNames& ranges);
  void Show(const ExportChoices& choices);
  void FormatChanged();
  void Browse();

  QLineEdit* file_;
  QComboBox* format_;
  QSpinBox* quality_;
  QCheckBox* wavTags_;
  QComboBox* rate_;
  QComboBox* range_;
  QSpinBox* loops_;
  QDoubleSpinBox* fade_;
  QCheckBox* stems_;
  QCheckBox* leaveMuted_;
  QLabel* result_;
  uint32_t chosenRate_ = 44100;  // the rate to return to when a format written at one rate is left
  std::function<QString(const ExportChoices&)> run_;
};

}  // namespace kelmar
