#include "history/song_path.h"

#include <algorithm>

namespace kelmar {

void SongPath::Replaced(uint32_t serial, std::string path) {
  changes_.push_back({serial, path_, path});
  path_ = std::move(path);
}

void SongPath::Known(uint32_t serial, std::string before, std::string after) {
  changes_.push_back({serial, std::move(before), std::move(after)});
}

void SongPath::Undone(uint32_t serial) {
  if (const Change* change = ChangeOf(serial)) path_ = change->before;
}

void SongPath::Redone(uint32_t serial) {
  if (const Change* change = ChangeOf(serial)) path_ = change->after;
}

void SongPath::Forget() {
  path_.clear();
  changes_.clear();
}

const SongPath::Change* SongPath::ChangeOf(uint32_t serial) const {
  auto it = std::find_if(changes_.rbegin(), changes_.rend(), [serial](const Change& c) { return c.serial == serial; });
  return it == changes_.rend() ? nullptr : &*it;
}

}  // namespace kelmar
