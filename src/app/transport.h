// "Play Song" (F5), "Play &Pattern" (F6), "Play from Cursor" (F7), "Stop" (F8), Option >
// "Loop Pattern", and the play-position follow that the main window's 100 ms timer runs.
// The follow reads the player's published position without the lock; only while Record is
// on does it ask the recorder for the row being heard.
#pragma once

#include "app/app_context.h"
#include "editors/pattern/play_start.h"

namespace kelmar {

class PatternPage;
class SongPage;

class Transport {
 public:
  Transport(AppContext& ctx, PatternPage& patternPage, SongPage& songPage);

  // Plays the song from the order position under the order cursor, row 0.
  void Song4Click();
  // Plays the shown pattern once, from row 0; looping, from the selection's first row.
  void Pattern1Click();
  // Plays the shown pattern from the cursor's row: on in the song when the order cursor's
  // entry plays that pattern, else the pattern alone.
  void PlayFromCursorClick();
  // Loop Pattern switched: in force at once, also for what plays.
  void LoopPatternClick(bool on);
  // Stops and redraws the pattern view (also while nothing plays).
  void Stop1Click();
  // The follow: clears the highlights while stopped; while playing, the pattern view
  // follows the song and highlights the player's row, or the order list highlights the
  // playing position.
  void Timer1Timer();

 private:
  void Play(PlayFrom from);
  void ClearHighlights();
  void ShowPattern(uint8_t pattern);

  AppContext& ctx_;
  PatternPage& patternPage_;
  SongPage& songPage_;
};

}  // namespace kelmar
