// Placeholder so quilmar-batch links while the window is being built; replaced by the real code.
#include "qt_driver.hh"

namespace quilmar::batch {
std::unique_ptr<Driver> MakeQtDriver(const RunOptions&) { return nullptr; }
}  // namespace quilmar::batch
