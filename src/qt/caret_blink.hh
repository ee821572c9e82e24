#pragma once
// The caret's blinking, one rule for every text control: shown at once after each change and
// on focus, then on and off at half the platform's flash time while its control has the focus.
#include <QTimer>

#include <functional>

namespace quilmar {

class CaretBlink {
 public:
  // `repaint` redraws the caret after each change of phase.
  explicit CaretBlink(std::function<void()> repaint);

  bool Shown() const { return shown_; }
  // Shows the caret; a focused control's caret blinks again from here.
  void Restart(bool focused);
  // The control lost the focus: no more phases.
  void Stop() { timer_.stop(); }

 private:
  QTimer timer_;
  std::function<void()> repaint_;
  bool shown_ = true;
};

}  // namespace quilmar
