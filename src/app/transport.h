// "Play Song" (F5), "Play &Pattern" (F6), "Stop" (F8) and the play-position follow that
// the main window's 100 ms timer runs. The follow only reads the player's published
// position, never locks and never waits for the audio thread.
#pragma once

#include "app/app_context.h"

namespace kelmar {

class PatternPage;
class SongPage;

class Transport {
 public:
  Transport(AppContext& ctx, PatternPage& patternPage, SongPage& songPage);

  // Plays the song from the order position under the order cursor, row 0.
  void Song4Click();
  // Plays the shown pattern once, from row 0.
  void Pattern1Click();
  // Stops and redraws the pattern view (also while nothing plays).
  void Stop1Click();
  // The follow: clears the highlights while stopped; while playing, the pattern view
  // follows the song and highlights the player's row, or the order list highlights the
  // playing position.
  void Timer1Timer();

 private:
  void ClearHighlights();
  void ShowPattern(uint8_t pattern);

  AppContext& ctx_;
  PatternPage& patternPage_;
  SongPage& songPage_;
};

}  // namespace kelmar
