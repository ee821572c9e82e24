// The entry point of the module quilmar-batch loads for --qt: a QApplication and the real
// window, behind the same driver interface as a headless run.
#include <QApplication>
#include <QtGlobal>
#include <memory>

#include "qt_driver.hh"

namespace quilmar::batch {
namespace {

// The window's driver together with the application it needs, which outlives it.
class WindowRun final : public Driver {
 public:
  explicit WindowRun(const RunOptions& options)
      : application_(std::make_unique<QApplication>(argc_, argv_)), window_(MakeQtDriver(options)) {}

  void Start(const String& commandLine) override { window_->Start(commandLine); }
  void Send(const Event& event) override { window_->Send(event); }
  void Resize(int widthTwips, int heightTwips) override { window_->Resize(widthTwips, heightTwips); }
  void Wait(int milliseconds) override { window_->Wait(milliseconds); }
  Snapshot Read() override { return window_->Read(); }

 private:
  // Qt reads its own options from the arguments; it gets none of quilmar-batch's.
  static inline int argc_ = 1;
  static inline char name_[] = "quilmar-batch";
  static inline char* argv_[] = {name_, nullptr};

  std::unique_ptr<QApplication> application_;
  std::unique_ptr<Driver> window_;
};

}  // namespace
}  // namespace quilmar::batch

// Owned by the caller, who deletes it through the Driver interface.
extern "C" Q_DECL_EXPORT quilmar::batch::Driver* QuilmarBatchWindow(const quilmar::batch::RunOptions* options) {
  return new quilmar::batch::WindowRun(*options);
}
