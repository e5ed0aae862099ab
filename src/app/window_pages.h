// The main window's caption and its four pages, in tab order.
#pragma once

namespace kelmar {

inline constexpr char kWindowCaption[] = "Quorin.Kelmar";

enum Page { kAboutPage = 0, kInstrumentPage = 1, kPatternPage = 2, kSongPage = 3 };

}  // namespace kelmar
