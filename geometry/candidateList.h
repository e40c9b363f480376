#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "support/objectPool.h"

class SteinerCandidate;

// Storage that the tree edges' candidate lists of one Router borrow, freed
// with it: a small net fills a dozen such lists with a few hundred entries,
// and an allocation per list (and per regrowth) cost more than filling
// them. Handed out in runs that are never given back one by one. A block
// that goes leaves its largest chunk to the next one on the same thread.
class CandidateBlock {
 public:
  CandidateBlock() = default;
  CandidateBlock(const CandidateBlock&) = delete;
  CandidateBlock& operator=(const CandidateBlock&) = delete;
  ~CandidateBlock() {
    while (last_) {
      Chunk* prev = last_->prev;
      keepOrFree(last_);
      last_ = prev;
    }
  }

  // Room for n entries, uninitialised.
  SteinerCandidate** take(size_t n) {
    if (n > left_) {
      addChunk(n);
    }
    SteinerCandidate** at = next_;
    next_ += n;
    left_ -= n;
    return at;
  }

 private:
  struct Chunk {
    Chunk* prev;
    size_t capacity;
    SteinerCandidate** slots() {
      return reinterpret_cast<SteinerCandidate**>(this + 1);
    }
  };
  struct Spare {
    ~Spare() { ::operator delete(chunk); }
    Chunk* chunk = nullptr;
  };
  static constexpr size_t firstChunkSize = 1024;
  static constexpr size_t largestChunkSize = size_t(1) << 20;

  void addChunk(size_t n) {
    size_t capacity = last_ ? std::min(2 * last_->capacity, largestChunkSize)
                            : firstChunkSize;
    capacity = std::max(capacity, n);
    Spare* spare = kReuseStorage ? PerThread<Spare>::get() : nullptr;
    Chunk* c = nullptr;
    if (spare && spare->chunk && spare->chunk->capacity >= capacity) {
      c = spare->chunk;
      spare->chunk = nullptr;
    } else {
      c = static_cast<Chunk*>(
          ::operator new(sizeof(Chunk) + capacity * sizeof(SteinerCandidate*)));
      c->capacity = capacity;
    }
    c->prev = last_;
    last_ = c;
    next_ = c->slots();
    left_ = c->capacity;
  }

  static void keepOrFree(Chunk* c) {
    Spare* spare = kReuseStorage ? PerThread<Spare>::get() : nullptr;
    if (!spare || (spare->chunk && c->capacity <= spare->chunk->capacity)) {
      ::operator delete(c);
      return;
    }
    ::operator delete(spare->chunk);
    spare->chunk = c;
  }

  Chunk* last_ = nullptr;
  SteinerCandidate** next_ = nullptr;
  size_t left_ = 0;
};

// A sequence of candidate pointers, used as a std::vector would be, whose
// storage is either its own or borrowed from a CandidateBlock that outlives
// it (the edges of a Router go before its block). Borrowed storage is never
// freed by the list; regrowth moves the entries to new room of the same
// kind.
class CandidateList {
 public:
  using value_type = SteinerCandidate*;
  using iterator = SteinerCandidate**;
  using const_iterator = SteinerCandidate* const*;

  CandidateList() = default;
  CandidateList(const CandidateList& other) { append(other); }
  CandidateList& operator=(const CandidateList& other) {
    if (this != &other) {
      clear();
      append(other);
    }
    return *this;
  }
  ~CandidateList() {
    if (owned_) {
      delete[] data_;
    }
  }

  void push_back(SteinerCandidate* c) {
    if (size_ == capacity_) {
      moveTo(nullptr, growth());
    }
    data_[size_++] = c;
  }
  // The same, any new room taken from block.
  void push_back(SteinerCandidate* c, CandidateBlock& block) {
    if (size_ == capacity_) {
      moveTo(&block, growth());
    }
    data_[size_++] = c;
  }
  void reserve(size_t capacity) {
    if (capacity > capacity_) {
      moveTo(nullptr, capacity);
    }
  }
  void reserve(size_t capacity, CandidateBlock& block) {
    if (capacity > capacity_) {
      moveTo(&block, capacity);
    }
  }
  void pop_back() { --size_; }
  // Keeps the storage.
  void clear() { size_ = 0; }

  operator std::vector<SteinerCandidate*>() const {  // NOLINT
    return std::vector<SteinerCandidate*>(begin(), end());
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_t capacity() const { return capacity_; }
  SteinerCandidate*& operator[](size_t i) { return data_[i]; }
  SteinerCandidate* operator[](size_t i) const { return data_[i]; }
  SteinerCandidate*& front() { return data_[0]; }
  SteinerCandidate* front() const { return data_[0]; }
  SteinerCandidate*& back() { return data_[size_ - 1]; }
  SteinerCandidate* back() const { return data_[size_ - 1]; }
  iterator begin() { return data_; }
  iterator end() { return data_ + size_; }
  const_iterator begin() const { return data_; }
  const_iterator end() const { return data_ + size_; }

 private:
  size_t growth() const { return capacity_ ? 2 * size_t(capacity_) : 4; }

  void append(const CandidateList& other) {
    reserve(size_ + other.size_);
    std::copy(other.begin(), other.end(), data_ + size_);
    size_ += other.size_;
  }

  void moveTo(CandidateBlock* block, size_t capacity) {
    SteinerCandidate** grown =
        block ? block->take(capacity) : new SteinerCandidate*[capacity];
    std::copy(data_, data_ + size_, grown);
    if (owned_) {
      delete[] data_;
    }
    data_ = grown;
    capacity_ = static_cast<std::uint32_t>(capacity);
    owned_ = !block;
  }

  SteinerCandidate** data_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 0;
  bool owned_ = false;
};
