#pragma once
// Text that several holders share without copying: the document's blocks, the edit history
// and the same paste made again all point at one set of characters. Storage is never changed
// while it is shared; appending to a text held alone grows it in place.
#include <cstddef>
#include <memory>

#include "text/ustring.hh"

namespace quilmar {

class SharedText {
 public:
  SharedText() = default;
  explicit SharedText(String text);
  explicit SharedText(StringView text) : SharedText(String(text)) {}

  StringView View() const;
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Part of this text, sharing its storage.
  SharedText Sub(std::size_t offset, std::size_t length) const;
  // Whether both are the same characters of the same storage (not merely equal texts).
  bool SameAs(const SharedText& other) const;

  void Append(StringView more);
  void Prepend(StringView more);

 private:
  // Whether this text alone holds all of its storage, so it may change it.
  bool Alone() const;

  std::shared_ptr<String> store_;
  std::size_t offset_ = 0;
  std::size_t size_ = 0;
};

}  // namespace quilmar
