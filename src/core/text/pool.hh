#pragma once
// Slots of one kind reused after they are freed, named by handles of a type of their own:
// the document's tree nodes, blocks and edited paragraphs live in pools, and a handle of one
// pool does not index another.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quilmar {

template <typename Tag>
class PoolHandle {
 public:
  constexpr PoolHandle() = default;  // no slot
  constexpr explicit PoolHandle(std::int32_t index) : index_(index) {}
  constexpr explicit operator bool() const { return index_ >= 0; }
  constexpr std::size_t Index() const {
    assert(index_ >= 0);
    return static_cast<std::size_t>(index_);
  }
  friend constexpr bool operator==(PoolHandle, PoolHandle) = default;

 private:
  std::int32_t index_ = -1;
};

template <typename T, typename Handle>
class Pool {
 public:
  // A slot holding `value`: a freed one where there is one.
  Handle Add(T value) {
    if (!free_.empty()) {
      const Handle h = free_.back();
      free_.pop_back();
      items_[h.Index()] = std::move(value);
      return h;
    }
    items_.push_back(std::move(value));
    return Handle(static_cast<std::int32_t>(items_.size() - 1));
  }
  // Frees the slot; what it held is dropped at once.
  void Remove(Handle h) {
    (*this)[h] = T();
    free_.push_back(h);
  }
  void Clear() {
    items_ = {};
    free_ = {};
  }

  T& operator[](Handle h) {
    assert(h.Index() < items_.size());
    return items_[h.Index()];
  }
  const T& operator[](Handle h) const {
    assert(h.Index() < items_.size());
    return items_[h.Index()];
  }

  // Every slot, freed ones too (they hold an empty T), with its handle: f(Handle, T&).
  template <typename F>
  void ForEach(F&& f) {
    for (std::size_t i = 0; i < items_.size(); ++i) f(Handle(static_cast<std::int32_t>(i)), items_[i]);
  }
  template <typename F>
  void ForEach(F&& f) const {
    for (std::size_t i = 0; i < items_.size(); ++i) f(Handle(static_cast<std::int32_t>(i)), items_[i]);
  }
  // Bytes of the pool's own arrays (not what the items point to).
  std::size_t MemoryUse() const { return items_.capacity() * sizeof(T) + free_.capacity() * sizeof(Handle); }

 private:
  std::vector<T> items_;
  std::vector<Handle> free_;
};

}  // namespace quilmar
