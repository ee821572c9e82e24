#pragma once
// The document's file: its name (CurrentFile), whether the text changed since it was last
// loaded or written (TextChanged), how it was encoded and stamped, the recovery record of
// unsaved work and where the file dialogs start; with the File menu's handlers, the load at
// start-up, and the command line's writes and quit. Nothing else changes this state.
#include <functional>
#include <optional>
#include <vector>

#include "app/editor_mode.hh"
#include "app/options.hh"
#include "files/file_context.hh"
#include "files/recovery.hh"

namespace quilmar {

class EditorFiles {
 public:
  // `closeWindow` closes the main window (a write that quits, a quit).
  EditorFiles(TextModel& document, FilePorts ports, EditorOptions& options, EditorMode& mode,
              std::function<void()> closeWindow);

  const String& CurrentFile() const { return state_.CurrentFile; }
  bool TextChanged() const { return state_.TextChanged; }
  const DocumentFile& File() const { return state_.file; }
  const CommonDialogState& CommonDialog() const { return state_.CommonDialog1; }
  // The recovery records found at loads, and what became of each.
  const std::vector<RecoveryOffer>& RecoveryOffers() const { return recovery_.Offers(); }

  // ---- Start-up and shut-down: the dialogs' setup and the settings file, then the file the
  // command line names (or the unsaved work of a new document); the settings at the end.
  void PrepareDialogs();
  void LoadSettings();
  void SaveSettings();
  void OpenAtStart(const String& commandLine);

  // ---- The document's edits: each one is a change and goes into the recovery record, which
  // is brought up to date when the event is over (its failure, if any, as a message).
  void txtMain_Change() { state_.TextChanged = true; }
  void Edited(CharPos start, CharPos removed, const SharedText& inserted, const BreakRuns& forms);
  std::optional<String> AfterEvent();
  // The document's layout went on: the line-count panel of a load shows once it is done.
  void LaidOut();
  // Waits until the record holds everything handed to its writer (the window closes).
  void FlushRecord();

  // ---- The command line: a write to the document's own file (no name) or another one; a quit
  // that refuses unsaved changes unless forced.
  void Write(const std::optional<String>& name, bool override_, bool quitAfter);
  void Quit(bool force);

  // ---- The File menu.
  void mnuOpen_Click();
  void mnuSave_Click();
  void mnuSaveAs_Click();
  void mnuClose_Click();
  void mnuPrint_Click();

 private:
  friend struct AppTestAccess;
  FileContext Context();
  Recovery::Source RecordSource() const { return {txtMain_, state_.file, state_.CurrentFile}; }

  TextModel& txtMain_;
  FilePorts ports_;
  EditorOptions& options_;
  EditorMode& mode_;
  std::function<void()> closeWindow_;
  FileState state_;
  Recovery recovery_;  // keeps unsaved work on disk
};

}  // namespace quilmar
