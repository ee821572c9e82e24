#pragma once
// Port adapters without a window: they record what the core showed and answer its questions
// from queues set up beforehand (quilmar-batch's options, a test's expectations).
#include <array>
#include <deque>
#include <optional>
#include <vector>

#include "platform/printer.hh"
#include "platform/ui_ports.hh"

namespace quilmar::headless {

// The five status panels' current texts (panel 1 at index 0).
class StatusBar final : public StatusBarPort {
 public:
  void SetPanelText(int panel, const String& text) override;
  const String& Panel(int panel) const;  // 1 to 5
  const std::array<String, 5>& Panels() const { return panels_; }
  int Writes() const { return writes_; }  // how often any panel was written

 private:
  std::array<String, 5> panels_;
  int writes_ = 0;
};

// The menu items' check marks as last pushed by the core.
class Menus final : public MenuPort {
 public:
  void SetChecked(MenuItem item, bool checked) override;
  bool Checked(MenuItem item) const;

 private:
  std::array<bool, kMenuItems.size()> checks_{};
};

// Which control has the focus; the document has it when the window first shows.
class Focus final : public FocusPort {
 public:
  Control Focused() const override { return focused_; }
  void SetFocus(Control control) override { focused_ = control; }

 private:
  Control focused_ = Control::txtMain;
};

// The main window's caption and whether it went away.
class Window final : public WindowPort {
 public:
  void SetCaption(const String& caption) override { caption_ = caption; }
  void Close() override { ++closeCount_; }
  const String& Caption() const { return caption_; }
  bool Closed() const { return closeCount_ > 0; }
  int CloseCount() const { return closeCount_; }

 private:
  String caption_ = u"Quilmar";
  int closeCount_ = 0;
};

// Message boxes: records every text shown; Yes/No questions take the next queued answer,
// Yes when none is left.
class MessageBox final : public MessageBoxPort {
 public:
  explicit MessageBox(std::deque<bool> answers = {}) : answers_(std::move(answers)) {}
  void ShowOk(const String& text) override { shown_.push_back(text); }
  bool AskYesNo(const String& text) override;
  const std::vector<String>& Shown() const { return shown_; }
  void QueueAnswer(bool yes) { answers_.push_back(yes); }

 private:
  std::deque<bool> answers_;
  std::vector<String> shown_;
};

// The common dialogs: file dialogs and the font dialog each take the next answer of their own
// queue (an empty optional is Cancel); a dialog with nothing queued is cancelled.
class Dialogs final : public DialogPort {
 public:
  Dialogs(std::deque<std::optional<String>> files = {},
          std::deque<std::optional<FontSpec>> fonts = {})
      : files_(std::move(files)), fonts_(std::move(fonts)) {}
  std::optional<String> ShowOpen(const CommonDialogState& dialog) override;
  std::optional<String> ShowSave(const CommonDialogState& dialog) override;
  std::optional<FontSpec> ShowFont(const CommonDialogState& dialog) override;
  void QueueFile(std::optional<String> answer) { files_.push_back(std::move(answer)); }
  void QueueFont(std::optional<FontSpec> answer) { fonts_.push_back(std::move(answer)); }

  // What the file and font dialogs were shown with, in order.
  const std::vector<CommonDialogState>& FileDialogsShown() const { return fileDialogs_; }
  const std::vector<CommonDialogState>& FontDialogsShown() const { return fontDialogs_; }
  std::vector<String> StartFolders() const;
  std::vector<FontSpec> FontsShown() const;

 private:
  std::optional<String> NextFile(const CommonDialogState& dialog);
  std::deque<std::optional<String>> files_;
  std::deque<std::optional<FontSpec>> fonts_;
  std::vector<CommonDialogState> fileDialogs_;
  std::vector<CommonDialogState> fontDialogs_;
};

// The secondary windows: the loading window's appearances and the Help and About windows.
class Windows final : public WindowsPort {
 public:
  void ShowLoading() override;
  void CloseLoading() override;
  bool HelpIsOpen() const override { return helpOpen_; }
  void ShowHelp(const String& text) override;
  void RaiseHelp() override { ++helpRaised_; }
  bool AboutIsOpen() const override { return aboutOpen_; }
  void ShowAbout(const String& credits) override;
  void RaiseAbout() override { ++aboutRaised_; }

  // The user closes them.
  void CloseHelp() { helpOpen_ = false; }
  void CloseAbout() { aboutOpen_ = false; }

  int LoadingShown() const { return loadingShown_; }
  int LoadingClosed() const { return loadingClosed_; }
  bool LoadingOpen() const { return loadingShown_ > loadingClosed_; }
  const String& HelpText() const { return helpText_; }
  const String& AboutCredits() const { return aboutCredits_; }
  int HelpRaised() const { return helpRaised_; }
  int AboutRaised() const { return aboutRaised_; }

 private:
  int loadingShown_ = 0, loadingClosed_ = 0;
  bool helpOpen_ = false, aboutOpen_ = false;
  String helpText_, aboutCredits_;
  int helpRaised_ = 0, aboutRaised_ = 0;
};

// The clipboard: one plain text.
class Clipboard final : public ClipboardPort {
 public:
  explicit Clipboard(String text = {}) : text_(std::move(text)) {}
  void Clear() override { text_.clear(); }
  void SetText(const String& text) override { text_ = text; }
  String GetText() const override { return text_; }

 private:
  String text_;
};

// Printers: a fixed list; every job printed is recorded. A test may make printing fail.
class Printer final : public PrinterPort {
 public:
  struct Job {
    String printer;
    String text;
    FontSpec font;
  };
  explicit Printer(std::vector<String> printers = {}) : printers_(std::move(printers)) {}
  std::vector<String> InstalledPrinters() const override { return printers_; }
  void PrintText(const String& printer, const String& text, const FontSpec& font) override;
  const std::vector<Job>& Jobs() const { return jobs_; }
  void FailNextJob() { failNext_ = true; }

 private:
  std::vector<String> printers_;
  std::vector<Job> jobs_;
  bool failNext_ = false;
};

}  // namespace quilmar::headless
