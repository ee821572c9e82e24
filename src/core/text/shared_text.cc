#include "text/shared_text.hh"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <atomic>
#include <utility>

namespace quilmar {

// The characters: two-byte units in a string that may grow (typed text), or units of either
// size in a buffer made once (a load, a substitution).
struct SharedText::Store {
  enum class Kind : std::uint8_t { Growing, Narrow, Wide };
  String growing;
  LargeBuffer fixed;
  std::size_t fixedSize = 0;
  Kind kind = Kind::Growing;

  std::size_t Size() const { return kind == Kind::Growing ? growing.size() : fixedSize; }
  UnitSpan Units() const {
    switch (kind) {
      case Kind::Narrow: return UnitSpan::Narrow(reinterpret_cast<const Byte*>(fixed.data()), fixedSize);
      case Kind::Wide: return StringView(reinterpret_cast<const char16_t*>(fixed.data()), fixedSize);
      case Kind::Growing: break;
    }
    return UnitSpan(growing);
  }
};

bool FitsNarrow(UnitSpan units) {
  if (units.IsNarrow()) return true;
  const StringView w = units.Wide();
  return std::all_of(w.begin(), w.end(), [](char16_t u) { return u <= 0xFF; });
}

SharedText::SharedText(String text) : size_(text.size()) {
  if (size_ == 0) return;
  store_ = std::make_shared<Store>();
  store_->growing = std::move(text);
}

SharedText SharedText::FromBuffer(LargeBuffer units, std::size_t size, bool narrow) {
  SharedText t;
  if (size == 0) return t;
  t.store_ = std::make_shared<Store>();
  t.store_->fixed = std::move(units);
  t.store_->fixedSize = size;
  t.store_->kind = narrow ? Store::Kind::Narrow : Store::Kind::Wide;
  t.size_ = size;
  return t;
}

SharedText SharedText::Compact(UnitSpan units) {
  if (!FitsNarrow(units)) return SharedText(units.ToString());
  LargeBuffer bytes(units.size());
  units.Visit([&](const auto* p, std::size_t n) { std::copy(p, p + n, reinterpret_cast<Byte*>(bytes.data())); });
  return Narrow(std::move(bytes), units.size());
}

UnitSpan SharedText::View() const {
  if (!store_) return UnitSpan();
  return store_->Units().substr(offset_, size_);
}

SharedText SharedText::Sub(std::size_t offset, std::size_t length) const {
  offset = std::min(offset, size_);
  length = std::min(length, size_ - offset);
  SharedText part;
  if (length == 0) return part;
  part.store_ = store_;
  part.offset_ = offset_ + offset;
  part.size_ = length;
  return part;
}

bool SharedText::SameAs(const SharedText& other) const {
  return store_ == other.store_ && offset_ == other.offset_ && size_ == other.size_;
}

bool SharedText::Alone() const {
  if (!store_ || store_.use_count() != 1 || offset_ != 0 || size_ != store_->Size()) return false;
  // A holder on another thread (the recovery record's writer) may have read the storage just
  // before it let go of its share: its reads happen before this thread's writes.
  std::atomic_thread_fence(std::memory_order_acquire);
  return true;
}

void SharedText::Join(UnitSpan before, UnitSpan after) {
  // A text typed into is small: it becomes two-byte units, which may grow in place.
  String joined;
  joined.reserve(before.size() + after.size());
  before.AppendTo(joined);
  after.AppendTo(joined);
  *this = SharedText(std::move(joined));
}

void SharedText::Append(UnitSpan more) {
  if (more.empty()) return;
  if (Alone() && store_->kind == Store::Kind::Growing) {
    more.AppendTo(store_->growing);
    size_ = store_->growing.size();
    return;
  }
  Join(View(), more);
}

void SharedText::Prepend(UnitSpan more) {
  if (more.empty()) return;
  if (Alone() && store_->kind == Store::Kind::Growing) {
    store_->growing.insert(0, more.ToString());
    size_ = store_->growing.size();
    return;
  }
  Join(more, View());
}

}  // namespace quilmar
