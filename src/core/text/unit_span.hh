#pragma once
// A view of code units as the document stores them: one byte each where every character of a
// stretch fits in one (U+0000 to U+00FF, the unit is the byte), two bytes each otherwise. Either
// way a unit is a UTF-16 code unit and every offset counts units, so a caller that reads units
// one by one does not care which; hot loops ask which it is once and run on the raw units.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/ustring.hh"

namespace quilmar {

// One-byte units (Latin-1: each byte is the character of the same number).
using Byte = unsigned char;

class UnitSpan {
 public:
  static constexpr std::size_t npos = std::size_t(-1);

  constexpr UnitSpan() = default;
  constexpr UnitSpan(StringView wide) : data_(wide.data()), size_(wide.size()) {}
  UnitSpan(const String& wide) : UnitSpan(StringView(wide)) {}
  constexpr UnitSpan(const char16_t* wide) : UnitSpan(StringView(wide)) {}
  static constexpr UnitSpan Narrow(const Byte* bytes, std::size_t size) {
    UnitSpan s;
    s.data_ = bytes;
    s.size_ = size;
    s.narrow_ = true;
    return s;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool IsNarrow() const { return narrow_; }
  const Byte* NarrowData() const {
    assert(narrow_);
    return static_cast<const Byte*>(data_);
  }
  const char16_t* WideData() const {
    assert(!narrow_);
    return static_cast<const char16_t*>(data_);
  }
  StringView Wide() const { return StringView(WideData(), size_); }

  char16_t operator[](std::size_t i) const {
    assert(i < size_);
    return narrow_ ? static_cast<const Byte*>(data_)[i] : static_cast<const char16_t*>(data_)[i];
  }
  char16_t front() const { return (*this)[0]; }
  char16_t back() const { return (*this)[size_ - 1]; }
  // Clamped like std::string_view::substr, without the exception.
  UnitSpan substr(std::size_t pos, std::size_t count = npos) const {
    pos = pos < size_ ? pos : size_;
    UnitSpan s = *this;
    s.data_ = static_cast<const char*>(data_) + pos * (narrow_ ? 1 : 2);
    s.size_ = count < size_ - pos ? count : size_ - pos;
    return s;
  }
  // The address of the first unit: spans of one storage compare by it.
  const void* Address() const { return data_; }

  // Calls f(p, n) with the raw units, `p` a const Byte* or a const char16_t*.
  template <typename F>
  decltype(auto) Visit(F&& f) const {
    if (narrow_) return f(static_cast<const Byte*>(data_), size_);
    return f(static_cast<const char16_t*>(data_), size_);
  }

  void AppendTo(String& out) const {
    if (!narrow_) {
      out.append(Wide());
      return;
    }
    const Byte* p = NarrowData();
    out.append(p, p + size_);
  }
  String ToString() const {
    String out;
    AppendTo(out);
    return out;
  }

  friend bool operator==(UnitSpan a, UnitSpan b) {
    if (a.size_ != b.size_) return false;
    if (!a.narrow_ && !b.narrow_) return a.Wide() == b.Wide();
    for (std::size_t i = 0; i < a.size_; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }

 private:
  const void* data_ = u"";
  std::size_t size_ = 0;
  bool narrow_ = false;
};

}  // namespace quilmar
