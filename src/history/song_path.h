// The file the song was loaded from or last saved to, which a quick save writes to.
//
// A load or a new song is an undo step, so the file follows the song through undo and redo
// of such steps: undoing a load brings back the file the song had before, and a quick save
// never writes one song over another song's file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelmar {

class SongPath {
 public:
  // The file a step moved the song from and to.
  struct Change {
    uint32_t serial;
    std::string before;
    std::string after;
  };

  // Empty while the song has no file (a new song).
  const std::string& path() const { return path_; }

  // Saved under `path`; no step was made.
  void Saved(std::string path) { path_ = std::move(path); }
  // The step with this serial replaced the song by one from `path` (empty for a new song).
  void Replaced(uint32_t serial, std::string path);
  // A step read back from a journal moves the file from `before` to `after` when it is
  // undone or redone; the file itself stays.
  void Known(uint32_t serial, std::string before, std::string after);
  // The step with this serial was undone or redone.
  void Undone(uint32_t serial);
  void Redone(uint32_t serial);
  // The change the step with this serial made, or nullptr when it moved no file.
  const Change* ChangeOf(uint32_t serial) const;
  // The timeline was replaced (recovery): no step of the old one comes back.
  void Forget();

 private:
  std::string path_;
  std::vector<Change> changes_;
};

}  // namespace kelmar
