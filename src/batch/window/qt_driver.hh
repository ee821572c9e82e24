#pragma once
// quilmar-batch's --qt mode: the same key script through the real window.
#include <memory>

#include "driver.hh"

namespace quilmar::batch {

// The real window, offscreen unless a display is set; dialogs and message boxes answer from
// the options' queues. Needs a QApplication to exist.
std::unique_ptr<Driver> MakeQtDriver(const RunOptions& options);

}  // namespace quilmar::batch
