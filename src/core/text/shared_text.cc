#include "text/shared_text.hh"

#include <algorithm>
#include <atomic>
#include <utility>

namespace quilmar {

SharedText::SharedText(String text) : size_(text.size()) {
  if (size_ > 0) store_ = std::make_shared<String>(std::move(text));
}

StringView SharedText::View() const {
  if (!store_) return StringView();
  return StringView(*store_).substr(offset_, size_);
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
  if (!store_ || store_.use_count() != 1 || offset_ != 0 || size_ != store_->size()) return false;
  // A holder on another thread (the recovery record's writer) may have read the storage just
  // before it let go of its share: its reads happen before this thread's writes.
  std::atomic_thread_fence(std::memory_order_acquire);
  return true;
}

void SharedText::Append(StringView more) {
  if (more.empty()) return;
  if (Alone()) {
    store_->append(more);
  } else {
    String joined;
    joined.reserve(size_ + more.size());
    joined.append(View()).append(more);
    *this = SharedText(std::move(joined));
    return;
  }
  size_ = store_->size();
}

void SharedText::Prepend(StringView more) {
  if (more.empty()) return;
  if (Alone()) {
    store_->insert(0, more);
  } else {
    String joined;
    joined.reserve(size_ + more.size());
    joined.append(more).append(View());
    *this = SharedText(std::move(joined));
    return;
  }
  size_ = store_->size();
}

}  // namespace quilmar
