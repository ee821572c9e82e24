#pragma once
// Names what the running event is doing, for the message when memory runs out ("the paste",
// "the substitution", "loading the file"). A Doing left by an exception leaves its name behind
// for the event's dispatcher; the innermost one counts.
#include <exception>

namespace quilmar {

class Doing {
 public:
  explicit Doing(const char16_t* what) : what_(what), unwinding_(std::uncaught_exceptions()) {}
  ~Doing() {
    if (std::uncaught_exceptions() > unwinding_ && !failed_) failed_ = what_;
  }
  Doing(const Doing&) = delete;
  Doing& operator=(const Doing&) = delete;

  // The name a failure left behind since the last call, or null; clears it. Events run one at
  // a time on one thread, so one slot is enough.
  static const char16_t* TakeFailed() {
    const char16_t* failed = failed_;
    failed_ = nullptr;
    return failed;
  }

 private:
  const char16_t* what_;
  int unwinding_;
  static inline const char16_t* failed_ = nullptr;
};

}  // namespace quilmar
