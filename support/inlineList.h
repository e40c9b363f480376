#pragma once
#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <type_traits>
#include <vector>

// A growable list of a trivially copyable T that keeps its first n entries
// inside itself and only allocates past them: a segment's legs at one end
// and a vertex's segments are one to four entries, and one allocation each
// cost more than the work done with them.
template <class T, size_t n>
class InlineList {
  static_assert(std::is_trivially_copyable<T>::value,
                "entries are copied as bytes");

 public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  InlineList() = default;
  InlineList(std::initializer_list<T> items) {
    assign(items.begin(), items.end());
  }
  InlineList(const InlineList& other) { assign(other.begin(), other.end()); }
  InlineList& operator=(const InlineList& other) {
    if (this != &other) {
      clear();
      assign(other.begin(), other.end());
    }
    return *this;
  }
  InlineList& operator=(std::initializer_list<T> items) {
    clear();
    assign(items.begin(), items.end());
    return *this;
  }
  ~InlineList() {
    if (data_ != inline_) {
      delete[] data_;
    }
  }

  void push_back(const T& x) {
    if (size_ == capacity_) {
      reserve(2 * capacity_);
    }
    data_[size_++] = x;
  }
  void pop_back() { --size_; }
  // Keeps the storage.
  void clear() { size_ = 0; }
  void reserve(size_t capacity) {
    if (capacity <= capacity_) {
      return;
    }
    T* grown = new T[capacity];
    std::copy(data_, data_ + size_, grown);
    if (data_ != inline_) {
      delete[] data_;
    }
    data_ = grown;
    capacity_ = capacity;
  }

  // A copy of the entries, wherever a std::vector is wanted: these lists
  // replaced vectors that callers still read as such.
  operator std::vector<T>() const {  // NOLINT(google-explicit-constructor)
    return std::vector<T>(begin(), end());
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_t capacity() const { return capacity_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  T& front() { return data_[0]; }
  const T& front() const { return data_[0]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

  friend bool operator==(const InlineList& a, const InlineList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  friend bool operator!=(const InlineList& a, const InlineList& b) {
    return !(a == b);
  }
  // Against a std::vector of the same entries, as the lists were once kept.
  friend bool operator==(const InlineList& a, const std::vector<T>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  friend bool operator==(const std::vector<T>& a, const InlineList& b) {
    return b == a;
  }

 private:
  void assign(const T* first, const T* last) {
    reserve(static_cast<size_t>(last - first));
    std::copy(first, last, data_);
    size_ = static_cast<size_t>(last - first);
  }

  T inline_[n];
  T* data_ = inline_;
  size_t size_ = 0;
  size_t capacity_ = n;
};
