#pragma once
// The document's one font, as the font dialog and the settings file hold it.
#include "text/ustring.hh"

namespace quilmar {

// The largest size, in points, the font dialog accepts and the settings file keeps.
inline constexpr double kLargestFontSize = 1638;

struct FontSpec {
  String name = u"Monospace";
  bool bold = false;
  bool italic = false;
  double size = 10;  // points
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

}  // namespace quilmar
