#pragma once
#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

// Makes objects of T in chunks and destroys them all with the pool, in the
// order made: a net of 10^6 pins makes some 10^7 Steiner candidates, and one
// allocation each costs more than the stage's own work. Chunks double from
// a few objects up to chunkSize, so that a small net, which makes tens of
// objects, does not pay for a chunk sized for a large one.
template <class T, size_t chunkSize = 4096>
class ObjectPool {
 public:
  ObjectPool() = default;
  ObjectPool(const ObjectPool&) = delete;
  ObjectPool& operator=(const ObjectPool&) = delete;
  ~ObjectPool() { clear(); }

  template <class... Args>
  T* make(Args&&... args) {
    if (chunks_.empty() || used_ == chunks_.back().capacity) {
      size_t capacity = chunks_.empty()
                            ? std::min(firstChunkSize, chunkSize)
                            : std::min(2 * chunks_.back().capacity, chunkSize);
      chunks_.push_back(
          {static_cast<T*>(::operator new(sizeof(T) * capacity)), capacity});
      used_ = 0;
    }
    T* p = new (chunks_.back().objects + used_) T(std::forward<Args>(args)...);
    ++used_;
    ++size_;
    return p;
  }

  size_t size() const { return size_; }

  void clear() {
    for (size_t k = 0; k < chunks_.size(); ++k) {
      size_t n = k + 1 == chunks_.size() ? used_ : chunks_[k].capacity;
      for (size_t i = 0; i < n; ++i) {
        chunks_[k].objects[i].~T();
      }
      ::operator delete(chunks_[k].objects);
    }
    chunks_.clear();
    used_ = 0;
    size_ = 0;
  }

 private:
  static constexpr size_t firstChunkSize = 32;
  struct Chunk {
    T* objects;
    size_t capacity;
  };
  std::vector<Chunk> chunks_;
  size_t used_ = 0;  // in the last chunk
  size_t size_ = 0;
};
