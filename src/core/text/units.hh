#pragma once
// Numbers that count one kind of thing: a position in the text, a laid-out line, a paragraph.
// Each kind is its own type, so a line number cannot be passed where a position is wanted,
// added to one or compared with one. A plain integer becomes any kind implicitly (literals,
// sizes and loop counters read naturally); getting the integer back is explicit (`value()` or
// a cast), which marks every place where the kind is left behind. All three are 64-bit: a
// document may hold more than 2^31 characters (and lines), while the per-line arrays that make
// up most of its memory keep 32-bit offsets inside blocks of their own (text/document.cc).
#include <compare>
#include <concepts>
#include <cstdint>
#include <ostream>

namespace quilmar {

template <typename Tag>
class Counted {
 public:
  constexpr Counted() = default;
  constexpr Counted(std::int64_t value) : value_(value) {}  // NOLINT: implicit by design

  constexpr std::int64_t value() const { return value_; }
  template <std::integral T>
  constexpr explicit operator T() const {
    return static_cast<T>(value_);
  }

  friend constexpr bool operator==(Counted, Counted) = default;
  friend constexpr auto operator<=>(Counted, Counted) = default;

  friend constexpr Counted operator+(Counted a, Counted b) { return a.value_ + b.value_; }
  friend constexpr Counted operator-(Counted a, Counted b) { return a.value_ - b.value_; }
  friend constexpr Counted operator*(Counted a, Counted b) { return a.value_ * b.value_; }
  friend constexpr Counted operator/(Counted a, Counted b) { return a.value_ / b.value_; }
  friend constexpr Counted operator%(Counted a, Counted b) { return a.value_ % b.value_; }
  constexpr Counted operator-() const { return -value_; }
  constexpr Counted& operator+=(Counted b) { return value_ += b.value_, *this; }
  constexpr Counted& operator-=(Counted b) { return value_ -= b.value_, *this; }
  constexpr Counted& operator++() { return ++value_, *this; }
  constexpr Counted& operator--() { return --value_, *this; }
  constexpr Counted operator++(int) { return value_++; }
  constexpr Counted operator--(int) { return value_--; }

  friend std::ostream& operator<<(std::ostream& out, Counted c) { return out << c.value_; }

 private:
  std::int64_t value_ = 0;
};

// A 0-based offset into the document, in UTF-16 code units; a line break "\r\n" counts two.
// Also a count of such units (a length).
using CharPos = Counted<struct CharPosTag>;
// A 0-based laid-out line number (a wrapped paragraph is several lines).
using LineNo = Counted<struct LineNoTag>;
// A 0-based paragraph number (a paragraph is the text between two "\r\n" breaks).
using ParaNo = Counted<struct ParaNoTag>;

}  // namespace quilmar
