// Scratch memory for the packer: the caller's work area first, the heap after it.
#pragma once

#include <cstddef>
#include <memory>

namespace kelmar::packed {

// Hands out the caller's work memory, aligned, while it lasts, and after that memory of its
// own, which `own` keeps.
class WorkArea {
 public:
  WorkArea(void* memory, size_t size) : next_(memory), left_(memory != nullptr ? size : 0) {}

  template <typename T>
  T* Take(size_t count, std::unique_ptr<T[]>& own) {
    const size_t bytes = count * sizeof(T);
    if (next_ != nullptr && std::align(alignof(T), bytes, next_, left_) != nullptr) {
      T* taken = static_cast<T*>(next_);
      next_ = static_cast<char*>(next_) + bytes;
      left_ -= bytes;
      return taken;
    }
    own = std::make_unique_for_overwrite<T[]>(count);
    return own.get();
  }

 private:
  void* next_;
  size_t left_;
};

}  // namespace kelmar::packed
