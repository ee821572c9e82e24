#include "driver.hh"

namespace quilmar::batch {

void Deliver(Driver& driver, const ScriptStep& step, const std::function<void()>& atPause) {
  if (const auto* event = std::get_if<Event>(&step)) {
    driver.Send(*event);
  } else if (const auto* resize = std::get_if<ResizeStep>(&step)) {
    driver.Resize(resize->width, resize->height);
  } else if (const auto* wait = std::get_if<WaitStep>(&step)) {
    if (atPause) atPause();
    driver.Wait(wait->milliseconds);
  }
}

}  // namespace quilmar::batch
