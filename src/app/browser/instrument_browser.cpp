#include "app/browser/instrument_browser.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/app_context.h"
#include "app/browser/audition_player.h"
#include "app/message_box.h"
#include "app/platform_key.h"
#include "app/window_placement.h"
#include "editors/instrument/instrument_controls.h"
#include "editors/instrument/instrument_tools.h"
#include "files/instrument_file.h"
#include "midi/midi_note.h"

namespace kelmar {
namespace {

constexpr int kGap = 6;
constexpr int kEntryRole = Qt::UserRole;  // the LibraryEntry an item shows
constexpr int kRootRole = Qt::UserRole + 1;  // an added folder's path, on its top item

const LibraryEntry* EntryOf(const QTreeWidgetItem* item) {
  return item ? reinterpret_cast<const LibraryEntry*>(item->data(0, kEntryRole).value<quintptr>()) : nullptr;
}

QString FromLocal(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string ToLocal(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The list drags the files it shows, so that the instrument page (or any program) can take them.
class LibraryTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    QList<QUrl> urls;
    for (const QTreeWidgetItem* item : items)
      if (const LibraryEntry* entry = EntryOf(item); entry && !entry->folder)
        urls.push_back(QUrl::fromLocalFile(FromLocal(entry->path)));
    if (urls.isEmpty()) return nullptr;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
  }
};

QLabel* PictureLabel(QWidget* parent, const char* name, QSize size) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFixedSize(size);
  return label;
}

QLabel* Caption(QWidget* parent, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  return label;
}

QStringList ReadAddedFolders(const QString& file) {
  QFile in(file);
  if (file.isEmpty() || !in.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QStringList folders;
  for (const QByteArray& line : in.readAll().split('\n'))
    if (!line.trimmed().isEmpty()) folders.push_back(QString::fromUtf8(line.trimmed()));
  return folders;
}

// A name typed for the library, as a file name: no folders, no hidden files.
QString LibraryFileName(QString name) {
  name = name.trimmed();
  name.replace(QLatin1Char('/'), QLatin1Char('-'));
  while (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
  if (name.isEmpty()) return {};
  return name.endsWith(QStringLiteral(".kli"), Qt::CaseInsensitive) ? name : name + QStringLiteral(".kli");
}

}  // namespace

InstrumentBrowser::InstrumentBrowser(AppContext& ctx, AuditionPlayer& player, BrowserFolders folders,
                                     QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window),
      ctx_(ctx),
      player_(player),
      folders_(std::move(folders)),
      added_(ReadAddedFolders(folders_.added)),
      mainWindow_(mainWindow),
      picture_(std::make_unique<Engine>()) {
  setObjectName("InstrumentBrowser");
  setWindowTitle(QStringLiteral("Instrument Browser"));
  auto* layout = new QHBoxLayout(this);
  auto* column = new QWidget(this);
  BuildList(column);
  layout->addWidget(column, 1);
  layout->addWidget(BuildPicture());
  resize(640, 440);
  Rescan();
}

InstrumentBrowser::~InstrumentBrowser() = default;

void InstrumentBrowser::BuildList(QWidget* column) {
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  search_ = new QLineEdit(column);
  search_->setObjectName("BrowserSearch");
  search_->setPlaceholderText(QStringLiteral("Search"));
  search_->setClearButtonEnabled(true);
  search_->setAccessibleName(QStringLiteral("Search instruments"));
  connect(search_, &QLineEdit::textChanged, this, &InstrumentBrowser::ShowTree);
  tree_ = new LibraryTree(column);
  tree_->setObjectName("BrowserTree");
  tree_->setHeaderHidden(true);
  tree_->setAccessibleName(QStringLiteral("Instruments"));
  tree_->setDragEnabled(true);
  tree_->setDragDropMode(QAbstractItemView::DragOnly);
  tree_->installEventFilter(this);
  connect(tree_, &QTreeWidget::currentItemChanged, this, &InstrumentBrowser::HighlightChanged);
  connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (const LibraryEntry* entry = EntryOf(item); entry && !entry->folder) LoadHighlighted();
  });
  // Enter in the search field hands the keys to the list.
  connect(search_, &QLineEdit::returnPressed, tree_, qOverload<>(&QWidget::setFocus));
  auto* buttons = new QHBoxLayout;
  const auto button = [&](const char* name, const char* text, auto slot) {
    auto* b = new QPushButton(QString::fromUtf8(text), column);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
  };
  button("BrowserLoad", "Load", [this] { LoadHighlighted(); });
  button("BrowserSave", "Save to Library...", [this] { SaveToLibrary(); });
  button("BrowserAddFolder", "Add Folder...", [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder"), QDir::homePath(),
                                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!folder.isEmpty()) AddFolder(folder);
  });
  mute_ = new QCheckBox(QStringLiteral("Mute Preview"), column);
  mute_->setObjectName("BrowserMute");
  connect(mute_, &QCheckBox::toggled, this, [this](bool muted) { player_.SetMuted(muted); });
  about_ = new QLabel(column);
  about_->setObjectName("BrowserAbout");
  about_->setWordWrap(true);
  layout->addWidget(search_);
  layout->addWidget(tree_, 1);
  layout->addWidget(about_);
  layout->addLayout(buttons);
  layout->addWidget(mute_);
}

// The wave table beside the four oscillators, the two envelopes below, as on the instrument page.
QWidget* InstrumentBrowser::BuildPicture() {
  auto* panel = new QWidget(this);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  const QSize scope(kScopeSize, kScopeSize);
  output_ = PictureLabel(panel, "BrowserOutput", scope);
  grid->addWidget(Caption(panel, "Wave Table"), 0, 0);
  grid->addWidget(Caption(panel, "Oscillators"), 0, 1, 1, 2);
  grid->addWidget(output_, 1, 0);
  const char* oscillatorNames[] = {"BrowserOscillator1", "BrowserOscillator2", "BrowserOscillator3",
                                   "BrowserOscillator4"};
  for (int o = 0; o < 4; ++o) {
    oscillators_[o] = PictureLabel(panel, oscillatorNames[o], scope);
    QSizePolicy keep = oscillators_[o]->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // the old synth has none: the rest stays where it is
    oscillators_[o]->setSizePolicy(keep);
    grid->addWidget(oscillators_[o], 1 + o / 2, 1 + o % 2);
  }
  const QSize envelope(kEnvelopeWidth, kEnvelopeHeight);
  const char* captions[] = {"Volume Envelope", "Sweep Envelope"};
  const char* envelopeNames[] = {"BrowserVolumeEnvelope", "BrowserSweepEnvelope"};
  for (int e = 0; e < 2; ++e) {
    envelopes_[e] = PictureLabel(panel, envelopeNames[e], envelope);
    envelopes_[e]->setAccessibleName(QString::fromLatin1(captions[e]));
    grid->addWidget(Caption(panel, captions[e]), 3 + 2 * e, 0, 1, 3);
    grid->addWidget(envelopes_[e], 4 + 2 * e, 0, 1, 3);
  }
  grid->setRowStretch(7, 1);
  DrawPicture(nullptr);
  return panel;
}

void InstrumentBrowser::Rescan() {
  const LibraryEntry* highlighted = Highlighted();
  const std::string keep = highlighted ? highlighted->path : std::string();
  roots_.clear();
  QStringList seen;
  // The library shows before its first save too: it is where "Save to Library..." goes.
  const auto add = [&](const QString& path, const QString& name, bool evenMissing = false) {
    const QString canonical = evenMissing && !QFileInfo::exists(path) ? path : QFileInfo(path).canonicalFilePath();
    if (path.isEmpty() || canonical.isEmpty() || seen.contains(canonical)) return;
    seen.push_back(canonical);
    roots_.push_back(ListInstrumentFolder(ToLocal(path), name.toStdString()));
  };
  add(folders_.starters, QStringLiteral("Starter Instruments"));
  add(folders_.start, QStringLiteral("instruments (start folder)"));
  add(folders_.library, QStringLiteral("Library"), true);
  for (const QString& folder : added_) add(folder, QDir::toNativeSeparators(folder));
  ShowTree();
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if (const LibraryEntry* entry = EntryOf(*it); entry && !keep.empty() && entry->path == keep) {
      tree_->setCurrentItem(*it);
      break;
    }
  }
}

void InstrumentBrowser::ShowTree() {
  QSignalBlocker blocker(tree_);
  tree_->clear();
  shown_.clear();
  const std::string text = search_->text().trimmed().toStdString();
  for (const LibraryEntry& root : roots_) shown_.push_back(FilterLibrary(root, text));
  for (const LibraryEntry& root : shown_) AddItems(nullptr, root, true);
  if (!text.empty()) tree_->expandAll();
  blocker.unblock();
  HighlightChanged();
}

void InstrumentBrowser::AddItems(QTreeWidgetItem* parent, const LibraryEntry& folder, bool root) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
  item->setText(0, FromLocal(folder.name));
  item->setData(0, kEntryRole, QVariant::fromValue(reinterpret_cast<quintptr>(&folder)));
  item->setToolTip(0, QDir::toNativeSeparators(FromLocal(folder.path)));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (root) {
    item->setExpanded(true);
    const QString path = FromLocal(folder.path);
    if (added_.contains(path)) item->setData(0, kRootRole, path);
  }
  for (const LibraryEntry& child : folder.children) {
    if (child.folder) {
      AddItems(item, child, false);
      continue;
    }
    auto* file = new QTreeWidgetItem(item);
    file->setData(0, kEntryRole, QVariant::fromValue(reinterpret_cast<quintptr>(&child)));
    file->setToolTip(0, QDir::toNativeSeparators(FromLocal(child.path)));
    file->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    file->setText(0, FromLocal(child.name) + (child.readable() ? QString() : QStringLiteral(" (unreadable)")));
    if (!child.readable()) file->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
  }
}

const LibraryEntry* InstrumentBrowser::Highlighted() const {
  const LibraryEntry* entry = EntryOf(tree_->currentItem());
  return entry && !entry->folder ? entry : nullptr;
}

void InstrumentBrowser::HighlightChanged() {
  const LibraryEntry* entry = Highlighted();
  DrawPicture(entry && entry->readable() ? entry : nullptr);
  if (!entry) {
    about_->setText(QString());
  } else if (!entry->readable()) {
    about_->setText(QStringLiteral("%1: unreadable (%2)").arg(FromLocal(entry->name), FromLocal(entry->error)));
  } else {
    about_->setText(QStringLiteral("%1: %2 synth").arg(FromLocal(entry->name),
                                                      entry->synthMode != 0 ? QStringLiteral("old")
                                                                            : QStringLiteral("new")));
  }
  if (entry && entry->readable()) {
    player_.Highlight(entry->instrument, entry->synthMode);
  } else {
    player_.Highlight(std::nullopt);
  }
}

// The instrument page's own pictures, drawn from the highlighted instrument in slot 0 of the
// browser's engine; a blank picture without one.
void InstrumentBrowser::DrawPicture(const LibraryEntry* entry) {
  Engine& engine = *picture_;
  engine.song.Instruments[0] = entry ? entry->instrument : Instrument{};
  engine.song.SynthMode[0] = entry ? entry->synthMode : 0;
  DrawOutputPreview(engine, 0, kSweepPreviewStart, images_);
  output_->setPixmap(QPixmap::fromImage(images_.Output));
  for (int o = 0; o < 4; ++o) {
    oscillators_[o]->setPixmap(QPixmap::fromImage(images_.Oscillators[o]));
    oscillators_[o]->setVisible(entry && images_.OscillatorsVisible);
  }
  const Instrument& ins = engine.song.Instruments[0];
  for (int e = 0; e < 2; ++e) {
    QImage image = NewBlackImage(kEnvelopeWidth, kEnvelopeHeight);
    DrawEnvelope(image, e == 0 ? ins.VolEnv : ins.SweepEnv);
    envelopes_[e]->setPixmap(QPixmap::fromImage(image));
    envelopes_[e]->setAccessibleDescription(
        QString::fromStdString(EnvelopeWords(e == 0 ? ins.VolEnv : ins.SweepEnv)));
  }
}

void InstrumentBrowser::LoadHighlighted() {
  if (const LibraryEntry* entry = Highlighted()) emit loadRequested(FromLocal(entry->path));
}

bool InstrumentBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
    return TreeKey(static_cast<QKeyEvent*>(event));
  return QWidget::eventFilter(watched, event);
}

// The list's keys: Enter loads, Delete forgets an added folder, the note keys play and the
// octave keys set the octave they play at; the rest move through the list as usual.
bool InstrumentBrowser::TreeKey(QKeyEvent* event) {
  const bool press = event->type() == QEvent::KeyPress;
  if (!press) {
    if (event->isAutoRepeat() || event->key() != heldKey_) return false;
    heldKey_ = 0;
    player_.ReleaseNote();
    return true;
  }
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    LoadHighlighted();
    return Highlighted() != nullptr;
  }
  if (event->key() == Qt::Key_Delete) {
    const QString folder = tree_->currentItem() ? tree_->currentItem()->data(0, kRootRole).toString() : QString();
    if (folder.isEmpty()) return false;
    RemoveFolder(folder);
    return true;
  }
  const PageKey key = ClassifyPageKey(PlatformKeyOf(event), ctx_.state.Keys);
  if (key.Action == PageKey::Kind::Octave) {
    ctx_.state.PreviewOctave = key.Octave;
    emit octaveChanged();
    return true;
  }
  if (key.Action != PageKey::Kind::Note) return false;
  if (!event->isAutoRepeat()) {
    heldKey_ = event->key();
    player_.PlayNote(key.Semitone, static_cast<uint8_t>(ctx_.state.PreviewOctave + key.OctaveOffset));
  }
  return true;
}

void InstrumentBrowser::PlayMidiNote(const MidiNoteEvent& note) {
  if (note.note < 0) return;
  if (!note.on) {
    player_.ReleaseNote();
    return;
  }
  player_.PlayNote(static_cast<uint8_t>(note.note % 12), static_cast<uint8_t>(note.note / 12));
}

void InstrumentBrowser::AddFolder(const QString& path) {
  const QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  if (!added_.contains(folder)) added_.push_back(folder);
  KeepAddedFolders();
  Rescan();
}

void InstrumentBrowser::RemoveFolder(const QString& path) {
  added_.removeAll(path);
  KeepAddedFolders();
  Rescan();
}

void InstrumentBrowser::KeepAddedFolders() const {
  if (folders_.added.isEmpty()) return;
  QDir().mkpath(QFileInfo(folders_.added).absolutePath());
  QSaveFile out(folders_.added);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) return;
  for (const QString& folder : added_) out.write(folder.toUtf8() + '\n');
  out.commit();  // a folder list that cannot be kept lasts until the end; nothing else is lost
}

QString InstrumentBrowser::AskName(const QString& suggested) {
  if (nameHook_) return nameHook_(suggested);
  bool ok = false;
  const QString name = QInputDialog::getText(this, QStringLiteral("Save to Library"), QStringLiteral("Name:"),
                                             QLineEdit::Normal, suggested, &ok);
  return ok ? name : QString();
}

QString InstrumentBrowser::SaveToLibrary() {
  if (folders_.library.isEmpty()) return {};
  const uint8_t current = ctx_.state.CurrentInstrument;
  const QString known = FromLocal(ctx_.state.InstrumentFiles[current]);
  const QString suggested = known.isEmpty() ? QStringLiteral("instrument-%1").arg(current, 2, 16, QLatin1Char('0'))
                                            : QFileInfo(known).completeBaseName();
  const QString file = LibraryFileName(AskName(suggested));
  if (file.isEmpty()) return {};
  const QString path = QDir(folders_.library).filePath(file);
  if (QFileInfo::exists(path) && !ctx_.messages.Question(QStringLiteral("%1 already exists. Replace it?").arg(file)))
    return {};
  QDir().mkpath(folders_.library);
  if (FileError e = SaveInstrumentFile(ToLocal(path), ctx_.engine.song.Instruments[current],
                                       ctx_.engine.song.SynthMode[current])) {
    ctx_.messages.Error(QString::fromStdString(e.message()), QDir::toNativeSeparators(path));
    return {};
  }
  ctx_.state.InstrumentFiles[current] = ToLocal(QFileInfo(path).absoluteFilePath());
  ctx_.views.ShowStatus();
  Rescan();
  return path;
}

void InstrumentBrowser::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) PlaceBeside(*this, mainWindow_, Side::Left, kGap);
  placed_ = true;
  tree_->setFocus();
  emit shownChanged(true);
}

void InstrumentBrowser::hideEvent(QHideEvent* event) {
  player_.Stop();
  QWidget::hideEvent(event);
  emit shownChanged(false);
}

}  // namespace kelmar
