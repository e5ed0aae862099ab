#include "app/file_commands.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cstring>
#include <memory>

#include "app/dialog_folders.h"
#include "app/message_box.h"
#include "editors/pattern/pattern_status.h"
#include "files/instrument_file.h"
#include "files/pattern_file.h"
#include "files/song_file.h"
#include "files/waveform_file.h"

namespace kelmar {

namespace {

// Qt's own dialog matches these without regard to case: "neon-run.sng" is listed too.
const char* const kSongFilter = "Kelmar Song (*.SNG)";
const char* const kPatternFilter = "Kelmar Pattern (*.KLP)";
const char* const kInstrumentFilter = "Kelmar Instrument (*.KLI)";
const char* const kWaveformFilter = "Kelmar Waveform (*.bmp)";

std::string LocalPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

bool ValidPair(int pair) { return pair == 0 || pair == 1; }

// Qt's own file dialog, never the platform's: a platform dialog asks about replacing the
// name as typed and the default suffix is added after it, so "mysong" would silently replace
// "mysong.SNG". Qt's dialog adds the suffix first; its questions are asked here, under the
// program's caption. A save needs a folder that exists.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const FileDialogRequest& request)
      : QFileDialog(parent, QString(), request.folder, request.filter) {
    setOptions(DontUseNativeDialog | DontConfirmOverwrite);
    setAcceptMode(request.save ? AcceptSave : AcceptOpen);
    setFileMode(request.save ? AnyFile : ExistingFile);
    setDefaultSuffix(request.defaultSuffix);
    if (!request.name.isEmpty()) selectFile(request.name);
  }

 protected:
  void accept() override {
    const QStringList files = selectedFiles();  // with the default suffix added
    const QFileInfo file(files.value(0));
    if (!files.isEmpty() && !file.isDir()) {
      if (acceptMode() == AcceptOpen && !file.exists()) {
        Tell(QStringLiteral("%1\nFile not found.").arg(QDir::toNativeSeparators(file.filePath())));
        return;
      }
      if (acceptMode() == AcceptSave && !file.dir().exists()) {
        Tell(QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(file.path())));
        return;
      }
      if (acceptMode() == AcceptSave && file.exists() && !ReplaceAsked(file.fileName())) return;
    }
    QFileDialog::accept();
  }

 private:
  void Tell(const QString& text) {
    QMessageBox box(QMessageBox::Warning, kMessageBoxCaption, text, QMessageBox::Ok, this);
    FitCaption(box);
    box.exec();
  }
  bool ReplaceAsked(const QString& fileName) {
    QMessageBox box(QMessageBox::Warning, kMessageBoxCaption,
                    QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(fileName),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    FitCaption(box);
    return box.exec() == QMessageBox::Yes;
  }
};

}  // namespace

FileCommands::FileCommands(AppContext& ctx, QWidget* window) : ctx_(ctx), window_(window) {}

QString FileCommands::AskFileName(bool save, const QString& filter, const QString& suffix,
                                  const QString& subfolder, const QString& suggested, bool preview) {
  FileDialogRequest request;
  request.save = save;
  request.filter = filter;
  request.defaultSuffix = suffix;
  request.name = suggested;
  request.preview = preview && previewHook_;
  if (!starterRoots_) starterRoots_ = InstalledStarterRoots();  // looked up at the first dialog, not at start
  request.folder = DialogFolder(QString::fromStdString(ctx_.state.StartFolder), subfolder, save, *starterRoots_);
  if (dialogHook_) return dialogHook_(request);

  FileDialog dialog(window_, request);
  if (request.preview) QObject::connect(&dialog, &QFileDialog::currentChanged, previewHook_);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (request.preview) previewHook_(QString());
  const QStringList files = accepted ? dialog.selectedFiles() : QStringList();
  return files.isEmpty() ? QString() : files.first();
}

// The message as the file functions word it; the box names the file below it.
void FileCommands::ShowError(const std::string& message, const QString& file) {
  ctx_.messages.Error(QString::fromStdString(message), QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()));
}

bool FileCommands::MayLoadSong() {
  return !ctx_.views.UnsavedChanges() || ctx_.messages.Question("Unsaved changes will be lost. Load Song?");
}

bool FileCommands::Song2Click() {
  if (!MayLoadSong()) return false;
  const QString name = AskFileName(false, kSongFilter, "SNG", "songs");
  return !name.isEmpty() && LoadSong(name);
}

bool FileCommands::OpenSong(const QString& name) { return MayLoadSong() && LoadSong(name); }

// The whole file is read and checked into a song of its own; the song that plays is
// replaced only when that worked.
bool FileCommands::LoadSong(const QString& name) {
  auto song = std::make_unique<Song>();
  SongSettings settings = ctx_.settings;
  if (FileError e = LoadSongFile(LocalPath(name), *song, settings)) {
    ShowError(e.message(), name);
    return false;
  }
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.StopPlayback();
    ctx_.engine.song = *song;
    // A tempo of 0 from a file plays at the default tempo instead of dividing by it.
    ctx_.engine.SamplesPerTick = ctx_.engine.SamplesPerTickFor(ctx_.engine.song.Tempo);
  }
  ctx_.settings = settings;
  ForgetInstrumentFiles(ctx_.state);
  ctx_.views.RefreshInstrumentPanel();
  ctx_.views.RefreshPatternView();
  ctx_.views.RefreshOrderList();
  ctx_.views.ApplyColors();
  lastSongFile_ = QFileInfo(name).absoluteFilePath();
  return true;
}

bool FileCommands::Song3Click(const QString& suggested) {
  const QString name = AskFileName(true, kSongFilter, "SNG", "songs", suggested);
  return !name.isEmpty() && SaveSongTo(name);
}

bool FileCommands::SaveSongTo(const QString& name) {
  // Only the window thread writes the song, so reading it here needs no lock.
  if (FileError e = SaveSongFile(LocalPath(name), ctx_.engine.song, ctx_.settings)) {
    ShowError(e.message(), name);
    return false;
  }
  lastSongFile_ = QFileInfo(name).absoluteFilePath();
  return true;
}

void FileCommands::LoadPattern1Click() {
  const QString name = AskFileName(false, kPatternFilter, "KLP", "songs");
  if (name.isEmpty()) return;
  Pattern pattern;
  if (FileError e = LoadPatternFile(LocalPath(name), pattern)) {
    ShowError(e.message(), name);
    return;
  }
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.song.Patterns[ctx_.state.CurrentPattern] = pattern;
  }
  ctx_.views.RefreshPatternView();
}

void FileCommands::SavePattern1Click() {
  const QString name = AskFileName(true, kPatternFilter, "KLP", "songs");
  if (name.isEmpty()) return;
  if (FileError e = SavePatternFile(LocalPath(name), ctx_.engine.song.Patterns[ctx_.state.CurrentPattern]))
    ShowError(e.message(), name);
}

void FileCommands::NewPattern1Click() {
  if (!ctx_.messages.Question("Clear Pattern?")) return;
  {
    EngineLock lock(ctx_.engine);
    for (Track& track : ctx_.engine.song.Patterns[ctx_.state.CurrentPattern])
      for (PatternCell& cell : track) cell = PatternCell{kEmptyNote, 0, 0, 0};
  }
  ctx_.views.RefreshPatternView();
}

void FileCommands::Instrument1Click() {
  if (!ctx_.messages.Question("Clear Instrument?")) return;
  {
    EngineLock lock(ctx_.engine);
    // The synth mode stays as it is.
    std::memset(ctx_.engine.song.Instruments[ctx_.state.CurrentInstrument].bytes(), 0, sizeof(Instrument));
  }
  ctx_.views.RefreshInstrumentPanel();
}

void FileCommands::Instrument2Click() {
  const QString name = AskFileName(false, kInstrumentFilter, "KLI", "instruments", {}, true);
  if (!name.isEmpty()) LoadInstrumentFrom(name);
}

bool FileCommands::LoadInstrumentFrom(const QString& name) {
  Instrument instrument;
  uint8_t synthMode = 0;
  if (FileError e = LoadInstrumentFile(LocalPath(name), instrument, synthMode)) {
    ShowError(e.message(), name);
    return false;
  }
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.song.Instruments[ctx_.state.CurrentInstrument] = instrument;
    ctx_.engine.song.SynthMode[ctx_.state.CurrentInstrument] = synthMode;
  }
  ctx_.state.InstrumentFiles[ctx_.state.CurrentInstrument] = QFileInfo(name).absoluteFilePath().toStdString();
  ctx_.views.RefreshInstrumentPanel();
  return true;
}

void FileCommands::Instrument3Click() {
  const QString name = AskFileName(true, kInstrumentFilter, "KLI", "instruments");
  if (name.isEmpty()) return;
  const uint8_t current = ctx_.state.CurrentInstrument;
  if (FileError e = SaveInstrumentFile(LocalPath(name), ctx_.engine.song.Instruments[current],
                                       ctx_.engine.song.SynthMode[current])) {
    ShowError(e.message(), name);
    return;
  }
  ctx_.state.InstrumentFiles[current] = QFileInfo(name).absoluteFilePath().toStdString();
  ctx_.views.ShowStatus();
}

void FileCommands::OSC1Wave1Click(int pair) {
  if (!ValidPair(pair)) return;
  const QString name = AskFileName(false, kWaveformFilter, "BMP", "waveform");
  if (name.isEmpty()) return;
  Instrument instrument = ctx_.engine.song.Instruments[ctx_.state.CurrentInstrument];
  if (FileError e = LoadWaveformFile(LocalPath(name), pair, instrument)) {
    ShowError(e.message(), name);
    return;
  }
  {
    EngineLock lock(ctx_.engine);
    ctx_.engine.song.Instruments[ctx_.state.CurrentInstrument] = instrument;
  }
  ctx_.views.RefreshInstrumentPanel();  // the oscillator panel is part of it
}

void FileCommands::OSC1Wave2Click(int pair) {
  if (!ValidPair(pair)) return;
  const QString name = AskFileName(true, kWaveformFilter, "BMP", "waveform");
  if (name.isEmpty()) return;
  if (FileError e = SaveWaveformFile(LocalPath(name), ctx_.engine.song.Instruments[ctx_.state.CurrentInstrument], pair))
    ShowError(e.message(), name);
}

}  // namespace kelmar
