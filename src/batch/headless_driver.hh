#pragma once
// quilmar-batch's default driver: the editor with headless ports and a cell measure.
#include <memory>

#include "driver.hh"
#include "platform/file_system.hh"

namespace quilmar::batch {

// The headless window has no frame and a status bar one cell high, so a window of W x H
// twips shows a document of W/120 cells across and H/240 - 1 - (the command box) lines.
std::unique_ptr<Driver> MakeHeadlessDriver(const RunOptions& options, FileSystemPort& fs);

}  // namespace quilmar::batch
