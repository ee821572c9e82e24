#pragma once
// The editor's failure policy as a view uses it for its own work on the model it shows (a sync,
// a paint): the window hands it over, so a failure there is reported as an event's is and never
// reaches Qt's event loop. A view shown without an editor (a test's) runs the work as it is.
#include <functional>
#include <utility>

namespace quilmar {

class ViewGuard {
 public:
  using Runner = std::function<void(const char16_t* doing, const std::function<void()>& work)>;
  void Set(Runner run) { run_ = std::move(run); }
  void operator()(const char16_t* doing, const std::function<void()>& work) const {
    if (run_) run_(doing, work);
    else work();
  }

 private:
  Runner run_;
};

}  // namespace quilmar
