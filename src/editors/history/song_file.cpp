#include "editors/history/song_file.h"

#include <algorithm>

namespace kelmar {

void SongFile::Replaced(uint32_t serial, std::string path) {
  changes_.push_back({serial, path_, path});
  path_ = std::move(path);
}

void SongFile::Undone(uint32_t serial) {
  if (const Change* change = Find(serial)) path_ = change->before;
}

void SongFile::Redone(uint32_t serial) {
  if (const Change* change = Find(serial)) path_ = change->after;
}

void SongFile::Forget() {
  path_.clear();
  changes_.clear();
}

const SongFile::Change* SongFile::Find(uint32_t serial) const {
  auto it = std::find_if(changes_.rbegin(), changes_.rend(), [serial](const Change& c) { return c.serial == serial; });
  return it == changes_.rend() ? nullptr : &*it;
}

}  // namespace kelmar
