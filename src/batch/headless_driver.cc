#include "headless_driver.hh"

#include "model_state.hh"

#include <chrono>
#include <cmath>
#include <thread>

#include "app/window_layout.hh"
#include "headless_editor.hh"

namespace quilmar::batch {

namespace {

constexpr float kStatusBarCells = 1.0f;

headless::EditorSetup SetupFrom(const RunOptions& o) {
  headless::EditorSetup setup;
  setup.cols = o.cols;
  setup.rows = o.rows;
  setup.fileDialogs = o.dialogs;
  setup.fontDialogs = o.fontDialogs;
  setup.answers = o.answers;
  setup.clipboard = o.clipboard;
  return setup;
}

class HeadlessDriver final : public Driver {
 public:
  HeadlessDriver(const RunOptions& options, FileSystemPort& fs)
      : editor_(fs, SetupFrom(options)), omitText_(options.omitText) {}

  void Start(const String& commandLine) override {
    editor_.app.Dispatch(quilmar::StartEvent{commandLine});
    FinishLayout();
  }
  void Send(const Event& event) override {
    editor_.app.Dispatch(event);
    FinishLayout();
  }

  void Resize(int widthTwips, int heightTwips) override {
    App& app = editor_.app;
    if (app.Closed()) return;
    WindowGeometry geometry;
    geometry.outerWidth = static_cast<float>(widthTwips);
    geometry.outerHeight = static_cast<float>(heightTwips);
    geometry.statusBarHeight = kStatusBarCells;
    const auto layout = Form_Resize(geometry);
    if (!layout) return;
    editor_.measure.Resize(static_cast<int>(std::floor(layout->documentWidth)),
                           static_cast<int>(std::floor(layout->documentHeight)));
    app.Dispatch(quilmar::ViewResizedEvent{});
    FinishLayout();
  }

  void Wait(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

  Snapshot Read() override {
    Snapshot s = ModelState(editor_.app, !omitText_);
    s.panels.assign(editor_.statusBar.Panels().begin(), editor_.statusBar.Panels().end());
    s.caption = editor_.window.Caption();
    for (MenuItem item : kReportedChecks)
      s.checks[std::string(InfoOf(item).name)] = editor_.menus.Checked(item);
    s.focus = editor_.focus.Focused() == Control::txtMain ? "txtMain" : "txtCmd";
    s.clipboard = editor_.clipboard.GetText();
    s.messageBoxes = editor_.messageBox.Shown();
    s.closed = editor_.window.Closed();
    // Secondary windows go with the main window, as the real ones do.
    if (!s.closed && editor_.windows.HelpIsOpen()) s.helpText = editor_.windows.HelpText();
    return s;
  }

 private:
  // A script's next step finds a big text wholly laid out, as a window's would after the
  // idle time between two keys: the same answer with and without --qt.
  void FinishLayout() {
    App& app = editor_.app;
    if (!app.Closed() && app.Document().LayoutPending()) app.Dispatch(quilmar::IdleEvent{0});
  }

  headless::HeadlessEditor editor_;
  bool omitText_;
};

}  // namespace

std::unique_ptr<Driver> MakeHeadlessDriver(const RunOptions& options, FileSystemPort& fs) {
  return std::make_unique<HeadlessDriver>(options, fs);
}

}  // namespace quilmar::batch
