#pragma once
// Text that several holders share without copying: the document's blocks, the edit history
// and the same paste made again all point at one set of characters. Storage is never changed
// while it is shared; appending to a text held alone grows it in place. Storage holds one byte
// per unit where the text was made so (every character up to U+00FF: a loaded file, most
// substitutions), two otherwise; either way it is read as UTF-16 units (see UnitSpan).
#include <cstddef>
#include <memory>

#include "text/large_buffer.hh"
#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

class SharedText {
 public:
  SharedText() = default;
  explicit SharedText(String text);
  explicit SharedText(StringView text) : SharedText(String(text)) {}
  // The first `size` units of `units`: one-byte units (narrow), or two-byte ones.
  static SharedText FromBuffer(LargeBuffer units, std::size_t size, bool narrow);
  static SharedText Narrow(LargeBuffer bytes, std::size_t size) { return FromBuffer(std::move(bytes), size, true); }
  // A copy of `units`, stored one byte per unit where every unit fits in one.
  static SharedText Compact(UnitSpan units);

  UnitSpan View() const;
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  String ToString() const { return View().ToString(); }

  // Part of this text, sharing its storage.
  SharedText Sub(std::size_t offset, std::size_t length) const;
  // Whether both are the same characters of the same storage (not merely equal texts).
  bool SameAs(const SharedText& other) const;

  void Append(UnitSpan more);
  void Prepend(UnitSpan more);

 private:
  struct Store;
  // Whether this text alone holds all of its storage, so it may change it.
  bool Alone() const;
  void Join(UnitSpan before, UnitSpan after);

  std::shared_ptr<Store> store_;
  std::size_t offset_ = 0;
  std::size_t size_ = 0;
};

// Whether every unit fits in one byte.
bool FitsNarrow(UnitSpan units);

}  // namespace quilmar
