#include "app/failure_policy.hh"

#include <exception>
#include <new>

#include "app/doing.hh"

namespace quilmar {

namespace {

// The message panel's line for a failure the policy caught.
String Message(const std::exception_ptr& failure, const char16_t* doing) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    const char16_t* failed = Doing::TakeFailed();
    return u"Err: not enough memory for " + String(failed ? failed : doing);
  } catch (const std::exception& error) {
    return u"Err: " + FromUtf8(error.what());
  } catch (...) {
    return u"Err: an unknown failure in " + String(doing);
  }
}

}  // namespace

void FailurePolicy::Run(const char16_t* doing, const std::function<void()>& work,
                        const std::function<void()>& settle) noexcept {
  Doing::TakeFailed();
  const TextModel::Checkpoint before = document_.MakeCheckpoint();
  Attempt(before, doing, work);
  if (settle) Attempt(before, doing, settle);
}

// The one catch-all of the editor. What the work did to the document is dropped whole, so the
// document is as it was before the key, the paste or the substitution; the other state a
// handler changes is changed only after the steps that can fail, or is put back by the handler's
// own guards as it unwinds.
bool FailurePolicy::Attempt(const TextModel::Checkpoint& before, const char16_t* doing,
                            const std::function<void()>& step) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    try {
      document_.RollBack(before);
      report_(Message(failure, doing));
    } catch (...) {
      // Without memory even for the message nothing more can be done; the next event finds
      // the state as it is.
    }
    return false;
  }
}

}  // namespace quilmar
