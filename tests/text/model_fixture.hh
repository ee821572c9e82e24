#pragma once
// Shared helpers of the text tests: a model on a cell measure, readable literals and key
// scripts; documents are marked text (marked_text.hh).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <variant>

#include "key_script.hh"
#include "marked_text.hh"
#include "platform/measure.hh"
#include "text/text_model.hh"

namespace quilmar::testing {

inline String U(const char* utf8) { return FromUtf8(utf8); }
inline std::string S(StringView s) { return ToUtf8(s); }
// A position as a search answers it, from the tables' and std::string::find's conventions:
// a negative position or npos is "not found".
inline std::optional<CharPos> Found(long long pos) {
  if (pos < 0 || static_cast<std::size_t>(pos) == String::npos) return std::nullopt;
  return static_cast<std::int32_t>(pos);
}
// The end of a search range: -1 for the end of the text.
inline std::optional<CharPos> EndAt(int end) { return end < 0 ? std::nullopt : std::optional<CharPos>(end); }

// A model on a headless measure, counting the edits and selection moves it tells of.
struct ModelRig : ModelObserver {
  explicit ModelRig(int cols = 80, int rows = 25) : measure(cols, rows), model(measure) { model.AddObserver(this); }
  void TextChanged(TextCause cause) override { changes += cause == TextCause::Edit ? 1 : 0; }
  void SelectionChanged() override { ++selChanges; }
  // Wrap at the visible width (right margin 0) or not at all (the editor's 10000 cells).
  void Wrap(bool on) { model.SetRightMargin(on ? 0 : 10000); }
  void ResetCounts() { changes = selChanges = 0; }

  CellMeasure measure;
  TextModel model;
  int changes = 0;
  int selChanges = 0;
};

// A key script on marked text: the control before, the keys (quilmar-batch's notation), the
// control after, and the clipboard after where it matters.
struct ScriptCase {
  const char* name;
  const char* before;
  const char* keys;
  const char* after;
  const char* clipboard = nullptr;
};
inline void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

// Key scripts in quilmar-batch's notation ("ab<C-S-Left><BS>"), delivered to a control.
template <typename Control>
void Press(Control& control, std::string_view script) {
  const batch::KeyScript parsed = batch::ParseKeyScript(script);
  if (parsed.error) throw std::invalid_argument(*parsed.error);
  for (const batch::ScriptStep& step : parsed.steps) control.KeyDown(std::get<KeyDownEvent>(std::get<Event>(step)).key);
}

}  // namespace quilmar::testing
