#pragma once
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

// Makes objects of T in chunks and destroys them all with the pool, in the
// order made: a net of 10^6 pins makes some 10^7 Steiner candidates, and one
// allocation each costs more than the stage's own work.
template <class T, size_t chunkSize = 4096>
class ObjectPool {
 public:
  ObjectPool() = default;
  ObjectPool(const ObjectPool&) = delete;
  ObjectPool& operator=(const ObjectPool&) = delete;
  ~ObjectPool() { clear(); }

  template <class... Args>
  T* make(Args&&... args) {
    if (chunks_.empty() || used_ == chunkSize) {
      chunks_.push_back(static_cast<T*>(::operator new(sizeof(T) * chunkSize)));
      used_ = 0;
    }
    T* p = new (chunks_.back() + used_) T(std::forward<Args>(args)...);
    ++used_;
    return p;
  }

  size_t size() const {
    return chunks_.empty() ? 0 : (chunks_.size() - 1) * chunkSize + used_;
  }

  void clear() {
    for (size_t k = 0; k < chunks_.size(); ++k) {
      size_t n = k + 1 == chunks_.size() ? used_ : chunkSize;
      for (size_t i = 0; i < n; ++i) {
        chunks_[k][i].~T();
      }
      ::operator delete(chunks_[k]);
    }
    chunks_.clear();
    used_ = 0;
  }

 private:
  std::vector<T*> chunks_;
  size_t used_ = 0;
};
