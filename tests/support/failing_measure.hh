#pragma once
// Doubles that fail on demand, for the tests of what a failure does: the kinds of failure, and a
// measure that fails once, when armed, as soon as the layout asks it about a line (or after
// answering `spared` questions).
#include <new>
#include <stdexcept>
#include <utility>

#include "headless_ports.hh"
#include "platform/measure.hh"
#include "platform/ui_ports.hh"

namespace quilmar::testing_support {

// What an armed double throws.
enum class Fault { None, Error, NoMemory, Unknown };

inline void Raise(Fault fault, const char* reason) {
  switch (fault) {
    case Fault::None: return;
    case Fault::Error: throw std::runtime_error(reason);
    case Fault::NoMemory: throw std::bad_alloc();
    case Fault::Unknown: throw 42;
  }
}

class FailingMeasure final : public Measure {
 public:
  explicit FailingMeasure(Measure& real) : real_(real) {}
  double PlainAdvance(char32_t c) const override { return Fail(), real_.PlainAdvance(c); }
  double Shape(StringView piece, bool rtl, ClusterEndsFn ends, std::vector<ClusterBox>& boxes) const override {
    Fail();
    return real_.Shape(piece, rtl, ends, boxes);
  }
  double MaxAdvance() const override { return Fail(), real_.MaxAdvance(); }
  double CellWidth() const override { return real_.CellWidth(); }
  double VisibleWidth() const override { return real_.VisibleWidth(); }
  int VisibleLines() const override { return real_.VisibleLines(); }
  void SetFont(const FontSpec& font) override { real_.SetFont(font); }
  mutable Fault fault = Fault::None;  // "the font is gone" when Error
  mutable int spared = 0;             // questions answered while armed before the failure

 private:
  void Fail() const {
    if (fault != Fault::None && spared > 0) {
      --spared;
      return;
    }
    Raise(std::exchange(fault, Fault::None), "the font is gone");
  }
  Measure& real_;
};

// The headless dialogs, whose font dialog fails while armed.
class FailingDialogs final : public DialogPort {
 public:
  std::optional<String> ShowOpen(const CommonDialogState& dialog) override { return dialogs.ShowOpen(dialog); }
  std::optional<String> ShowSave(const CommonDialogState& dialog) override { return dialogs.ShowSave(dialog); }
  std::optional<FontSpec> ShowFont(const CommonDialogState& dialog) override {
    Raise(fault, "no fonts");
    return dialogs.ShowFont(dialog);
  }
  headless::Dialogs dialogs;
  Fault fault = Fault::None;
};

}  // namespace quilmar::testing_support
