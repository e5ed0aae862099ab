// The instrument browser's listing: the instruments of a folder and its subfolders, each read
// whole as it is listed (an instrument file is 128 bytes), so that highlighting one plays it
// without touching the disk. A file that is not an instrument is left out, unless its name
// says it is one: then it is listed as unreadable, with the reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/song.h"

namespace kelmar {

struct LibraryEntry {
  std::string name;  // shown: a folder's name, or a file's name without ".kli"
  std::string path;
  bool folder = false;
  std::vector<LibraryEntry> children;  // folders first, then files, each by name
  // Files only.
  std::string error;  // empty when the file is an instrument
  Instrument instrument{};
  uint8_t synthMode = 0;

  bool readable() const { return !folder && error.empty(); }
};

// Bounds on what one listing reads, so that a folder like a home folder stays quick.
constexpr int kLibraryDepth = 8;
constexpr int kLibraryEntries = 4000;

// The folder at `path`, shown as `name`. A folder that cannot be read lists nothing.
LibraryEntry ListInstrumentFolder(const std::string& path, const std::string& name);

// The entries whose names hold `text` (any case), with the folders that lead to them; a
// folder whose own name holds it keeps all it holds. An empty text keeps everything.
LibraryEntry FilterLibrary(const LibraryEntry& folder, std::string_view text);

}  // namespace kelmar
