// kelmar-make-starters [FOLDER]: writes the starter songs into FOLDER/songs and the starter
// instruments into their category folders under FOLDER/instruments (FOLDER defaults to the
// working folder), through the same file code the program saves with. The same build always
// writes the same bytes.
#include <cstdio>
#include <filesystem>
#include <string>

#include "files/instrument_file.h"
#include "files/song_file.h"
#include "tools/starters/starter_instruments.h"
#include "tools/starters/starter_songs.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace kelmar;
  if (argc > 2 || (argc == 2 && std::string(argv[1]).rfind("-", 0) == 0)) {
    std::fprintf(stderr, "usage: kelmar-make-starters [FOLDER]\n");
    return 2;
  }
  const fs::path root = argc == 2 ? fs::path(argv[1]) : fs::current_path();
  auto makeFolder = [](const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) std::fprintf(stderr, "kelmar-make-starters: %s: %s\n", dir.c_str(), ec.message().c_str());
    return !ec;
  };
  if (!makeFolder(root / "songs")) return 1;
  int written = 0;
  for (const auto& s : starters::Instruments()) {
    if (!makeFolder(root / "instruments" / s.folder)) return 1;
    const std::string path = (root / "instruments" / s.folder / s.file).string();
    if (FileError err = SaveInstrumentFile(path, s.ins, s.synthMode)) {
      std::fprintf(stderr, "kelmar-make-starters: %s: %s\n", path.c_str(), err.message().c_str());
      return 1;
    }
    ++written;
  }
  for (const auto& s : starters::Songs()) {
    const std::string path = (root / "songs" / s.file).string();
    if (FileError err = SaveSongFile(path, *s.song, s.settings)) {
      std::fprintf(stderr, "kelmar-make-starters: %s: %s\n", path.c_str(), err.message().c_str());
      return 1;
    }
    ++written;
  }
  std::printf("kelmar-make-starters: wrote %d files under %s\n", written, root.c_str());
  return 0;
}
