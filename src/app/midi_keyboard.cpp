#include "app/midi_keyboard.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "midi/midi_input.h"

namespace kelmar {

namespace {

constexpr int kSourceLookMs = 1000;

QString SourceCaption(const MidiSource& source) {
  return QString::fromStdString(source.name) + (source.system == MidiSystem::Alsa ? " (ALSA)" : " (JACK)");
}

}  // namespace

MidiKeyboard::MidiKeyboard(QMenu* option, std::function<void(const MidiNoteEvent&)> play, QObject* parent)
    : QObject(parent), menu_(option->addMenu("MIDI Input")), play_(std::move(play)) {
  menu_->setObjectName("MIDIInput1");
  ShowSources();
}

// The input is declared after what its notes reach, so its ports close first.
MidiKeyboard::~MidiKeyboard() = default;

void MidiKeyboard::Start() {
  if (input_) return;
  input_ = std::make_unique<MidiInput>([this](const MidiNoteEvent& note) { PostNote(note); });
  Refresh();
  timer_ = new QTimer(this);
  timer_->setInterval(kSourceLookMs);
  connect(timer_, &QTimer::timeout, this, &MidiKeyboard::Refresh);
  timer_->start();
}

void MidiKeyboard::Refresh() {
  const bool wasAvailable = input_ && input_->Available();
  if (input_ && (input_->Refresh() || input_->Available() != wasAvailable)) ShowSources();
}

void MidiKeyboard::PostNote(const MidiNoteEvent& note) {
  QMetaObject::invokeMethod(this, [this, note] { play_(note); }, Qt::QueuedConnection);
}

void MidiKeyboard::ShowSources() {
  menu_->clear();
  const bool available = input_ && input_->Available();
  if (!available || input_->Sources().empty()) {
    QAction* none = menu_->addAction(available ? "No MIDI sources" : "No MIDI input");
    none->setObjectName("NoMIDIInput1");
    none->setEnabled(false);
    return;
  }
  for (const MidiSource& source : input_->Sources()) {
    QAction* item = menu_->addAction(SourceCaption(source));
    item->setCheckable(true);
    item->setChecked(source.connected);
    connect(item, &QAction::triggered, this, [this, source](bool on) {
      input_->SetConnected(source.system, source.name, on);
      // Shown after the menu has closed: the item that was clicked must not go while it acts.
      QTimer::singleShot(0, this, &MidiKeyboard::ShowSources);
    });
  }
}

}  // namespace kelmar
