// A growable array of plain values for large blocks: a call list's records
// and texts, a decoder's tables.
//
// A million calls fill about a hundred megabytes. On a virtual machine the
// first touch of each 4 KiB page costs microseconds, which is most of the
// time an import or restore takes; blocks this large are therefore aligned to
// 2 MiB and the kernel is asked to back them with huge pages, which cuts the
// page faults five-hundredfold where transparent huge pages are available
// (and changes nothing where they are not).
#pragma once

#include <sys/mman.h>

#include <QtGlobal>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

template <typename T>
class LargeArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  LargeArray() = default;
  LargeArray(const LargeArray& other) { assign(other.data_, other.size_); }
  LargeArray(LargeArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  LargeArray& operator=(LargeArray other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }
  ~LargeArray() { std::free(data_); }

  [[nodiscard]] qsizetype size() const { return size_; }
  [[nodiscard]] bool isEmpty() const { return size_ == 0; }
  [[nodiscard]] const T* data() const { return data_; }
  [[nodiscard]] T* data() { return data_; }
  [[nodiscard]] const T& operator[](qsizetype i) const { return data_[i]; }
  [[nodiscard]] T& operator[](qsizetype i) { return data_[i]; }

  void reserve(qsizetype capacity) {
    if (capacity > capacity_) reallocate(capacity);
  }
  // Makes room for `count` more values and answers where they go; the caller
  // fills them.
  T* grow(qsizetype count) {
    if (size_ + count > capacity_) reallocate(std::max(size_ + count, capacity_ + capacity_ / 2 + 16));
    T* at = data_ + size_;
    size_ += count;
    return at;
  }
  void append(const T& value) { *grow(1) = value; }
  // Makes the size `size`: new values are left unset, for the caller to fill.
  void resize(qsizetype size) {
    if (size > size_) grow(size - size_);
    size_ = size;
  }
  // Drops the values from `size` on; the capacity stays.
  void shrink(qsizetype size) { size_ = std::min(size_, size); }
  void append(const T* values, qsizetype count) {
    if (count > 0) std::memcpy(grow(count), values, size_t(count) * sizeof(T));
  }
  // Makes the array `count` copies of `value`.
  void fill(qsizetype count, const T& value) {
    *this = LargeArray();
    reserve(count);
    std::fill_n(grow(count), count, value);
  }
  // Gives back capacity far beyond the size, as after reserving for the
  // worst case. Capacity never written costs address space, not memory, so
  // only a block with most of it unused and at least 64 MiB spare is copied.
  void squeeze() {
    const qsizetype spare = capacity_ - size_;
    if (spare > 3 * size_ && size_t(spare) * sizeof(T) >= (size_t(64) << 20)) reallocate(size_);
  }

 private:
  static constexpr size_t kHugePage = size_t(2) << 20;

  static T* allocate(qsizetype count) {
    const size_t bytes = std::max<size_t>(1, size_t(count) * sizeof(T));
    void* block = nullptr;
    if (bytes >= 2 * kHugePage) {
      const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
      if (posix_memalign(&block, kHugePage, rounded) != 0) throw std::bad_alloc();
      madvise(block, rounded, MADV_HUGEPAGE);
    } else if (!(block = std::malloc(bytes))) {
      throw std::bad_alloc();
    }
    return static_cast<T*>(block);
  }

  void reallocate(qsizetype capacity) {
    T* block = allocate(capacity);
    if (size_ > 0) std::memcpy(block, data_, size_t(size_) * sizeof(T));
    std::free(data_);
    data_ = block;
    capacity_ = capacity;
  }

  void assign(const T* values, qsizetype count) {
    if (count == 0) return;
    data_ = allocate(count);
    capacity_ = size_ = count;
    std::memcpy(data_, values, size_t(count) * sizeof(T));
  }

  T* data_ = nullptr;
  qsizetype size_ = 0;
  qsizetype capacity_ = 0;
};
