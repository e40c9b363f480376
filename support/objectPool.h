#pragma once
#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>

#include "support/inlineList.h"

// Under AddressSanitizer storage is never handed on between objects or
// pools, so that a use after delete is still reported.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kReuseStorage = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kReuseStorage = false;
#else
inline constexpr bool kReuseStorage = true;
#endif
#else
inline constexpr bool kReuseStorage = true;
#endif

// One Held per thread, made on first use; null late in the thread's exit,
// once it is gone, for a pool or object destroyed after it.
template <class Held>
class PerThread {
 public:
  static Held* get() {
    if (gone()) {
      return nullptr;
    }
    static thread_local Owner o;
    return &o.held;
  }

 private:
  struct Owner {
    ~Owner() { gone() = true; }
    Held held;
  };
  // Trivially destructible, so it can still be read then.
  static bool& gone() {
    static thread_local bool g = false;
    return g;
  }
};

// Makes objects of T in chunks and destroys them all with the pool, in the
// order made: a net of 10^6 pins makes some 10^7 Steiner candidates, and one
// allocation each costs more than the stage's own work. Chunks double from
// a few objects up to chunkSize, so that a small net, which makes tens of
// objects, does not pay for a chunk sized for a large one. A pool that goes
// leaves its largest chunk to the next pool of its kind on the same thread:
// nets routed one after another then allocate nothing here.
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
      addChunk();
    }
    T* p = new (chunks_.back().objects + used_) T(std::forward<Args>(args)...);
    ++used_;
    ++size_;
    return p;
  }

  // Room for n more objects in the next chunk (up to chunkSize), where the
  // caller knows how many it will make.
  void reserve(size_t n) { wanted_ = std::min(n, chunkSize); }

  size_t size() const { return size_; }

  void clear() {
    for (size_t k = 0; k < chunks_.size(); ++k) {
      size_t n = k + 1 == chunks_.size() ? used_ : chunks_[k].capacity;
      for (size_t i = 0; i < n; ++i) {
        chunks_[k].objects[i].~T();
      }
      keepOrFree(chunks_[k]);
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
  // One chunk per thread, between pools.
  struct Spare {
    ~Spare() { ::operator delete(chunk.objects); }
    Chunk chunk{nullptr, 0};
  };

  void addChunk() {
    size_t capacity = chunks_.empty()
                          ? std::min(firstChunkSize, chunkSize)
                          : std::min(2 * chunks_.back().capacity, chunkSize);
    capacity = std::max(capacity, wanted_);
    wanted_ = 0;
    Spare* spare = kReuseStorage ? PerThread<Spare>::get() : nullptr;
    if (spare && spare->chunk.capacity >= capacity) {
      chunks_.push_back(spare->chunk);
      spare->chunk = {nullptr, 0};
    } else {
      chunks_.push_back(
          {static_cast<T*>(::operator new(sizeof(T) * capacity)), capacity});
    }
    used_ = 0;
  }

  static void keepOrFree(Chunk c) {
    Spare* spare = kReuseStorage ? PerThread<Spare>::get() : nullptr;
    if (!spare || c.capacity <= spare->chunk.capacity) {
      ::operator delete(c.objects);
      return;
    }
    ::operator delete(spare->chunk.objects);
    spare->chunk = c;
  }

  InlineList<Chunk, 8> chunks_;
  size_t used_ = 0;  // in the last chunk
  size_t size_ = 0;
  size_t wanted_ = 0;
};

// Keeps the storage of deleted objects of T for the next `new T` on the
// same thread, up to `most` of them: routing one small net after another
// makes and deletes the same few dozen vertices, edges and segments each
// time. A class opts in by declaring its own operator new and delete that
// call take and give.
template <class T, size_t most = 1024>
class FreeList {
 public:
  static void* take() {
    List* l = kReuseStorage ? PerThread<List>::get() : nullptr;
    if (!l || !l->head) {
      return ::operator new(sizeof(T));
    }
    Node* n = l->head;
    l->head = n->next;
    --l->count;
    return n;
  }

  static void give(void* p) {
    if (!p) {
      return;
    }
    List* l = kReuseStorage ? PerThread<List>::get() : nullptr;
    if (!l || l->count == most) {
      ::operator delete(p);
      return;
    }
    Node* n = static_cast<Node*>(p);
    n->next = l->head;
    l->head = n;
    ++l->count;
  }

 private:
  struct Node {
    Node* next;
  };
  static_assert(sizeof(T) >= sizeof(Node), "a freed object holds the link");
  struct List {
    ~List() {
      while (head) {
        Node* n = head;
        head = n->next;
        ::operator delete(n);
      }
    }
    Node* head = nullptr;
    size_t count = 0;
  };
};
