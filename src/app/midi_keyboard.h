// A MIDI keyboard in the window: Option > "MIDI Input", the look for new sources every
// second, and the hand-over of each note from the MIDI library's thread to the window
// thread, where it is played as a key is. The MIDI thread never touches the song.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "midi/midi_note.h"

class QMenu;
class QTimer;

namespace kelmar {

class MidiInput;

class MidiKeyboard : public QObject {
  Q_OBJECT
 public:
  // Adds the "MIDI Input" submenu to `option`; it says "No MIDI input" until Start finds a
  // MIDI system. `play` runs on the window thread for each note played or released.
  MidiKeyboard(QMenu* option, std::function<void(const MidiNoteEvent& note)> play, QObject* parent);
  ~MidiKeyboard() override;  // the ports close first: no note arrives afterwards

  // Opens Kelmar's port on each MIDI system there is and connects every source to it.
  void Start();
  // What the timer does every second: systems and sources that came or went.
  void Refresh();
  // Any thread: plays the note on the window thread, after every note posted before it.
  void PostNote(const MidiNoteEvent& note);
  QMenu* menu() const { return menu_; }

 private:
  void ShowSources();

  QMenu* menu_;
  std::function<void(const MidiNoteEvent&)> play_;
  std::unique_ptr<MidiInput> input_;
  QTimer* timer_ = nullptr;
};

}  // namespace kelmar
