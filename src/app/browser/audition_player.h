// Plays instruments on the output's audition voice, for the instrument browser and the
// Load > Instrument dialog alike: a highlighted instrument after a short pause, so that moving
// through a list is not loud; a note key or a MIDI note at once, held until it is let go.
// Nothing here changes the song, the current instrument or the history. Window thread.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "engine/song.h"

class QTimer;

namespace kelmar {

struct AppContext;

class AuditionPlayer : public QObject {
 public:
  static constexpr int kPauseMs = 150;

  AuditionPlayer(AppContext& ctx, QObject* parent);

  // The instrument highlighted (none: the note stops): its note follows after the pause.
  void Highlight(std::optional<Instrument> instrument, uint8_t synthMode = 0);
  // A highlighted file: the instrument it holds, or none when it holds no instrument.
  void HighlightFile(const QString& path);
  // The highlighted instrument's note at once, held (a note key, a MIDI note).
  void PlayNote(uint8_t semitone, uint8_t octave);
  void ReleaseNote();
  void Stop();
  void SetMuted(bool muted);
  // The pause's note, now (the timer runs it; tests need not wait).
  void PlayHighlighted();
  bool Waiting() const;

 private:
  void Start(uint8_t semitone, uint8_t octave, uint32_t frames);

  AppContext& ctx_;
  QTimer* pause_;
  std::optional<Instrument> instrument_;
  uint8_t synthMode_ = 0;
};

}  // namespace kelmar
