#pragma once
// The editor's one answer to a failure. Every event, and every repaint or scroll a front end
// makes of the models, runs through Run: whatever it throws is caught there, the document's
// edits since the work began are undone, and the reason is shown in the message panel. Nothing
// else in the editor catches a failure it cannot name, so a key, a menu command and a paint
// fail alike in every front end.
#include <functional>

#include "text/text_model.hh"
#include "text/ustring.hh"

namespace quilmar {

class FailurePolicy {
 public:
  using Report = std::function<void(const String& message)>;
  FailurePolicy(TextModel& document, Report report) : document_(document), report_(std::move(report)) {}

  // Takes one checkpoint of the document, then runs `work` and, whether or not it failed,
  // `settle` (what is due once the work is over: a panel to bring up to date). A failure of
  // either puts the document back to the checkpoint and reports "Err: " and its reason; running
  // out of memory reports "Err: not enough memory for " and what was being done: the innermost
  // `Doing` that the failure unwound, else `doing`. Never throws.
  void Run(const char16_t* doing, const std::function<void()>& work, const std::function<void()>& settle = {}) noexcept;

 private:
  // One attempt: true when `step` ran through.
  bool Attempt(const TextModel::Checkpoint& before, const char16_t* doing, const std::function<void()>& step) noexcept;

  TextModel& document_;
  Report report_;
};

}  // namespace quilmar
