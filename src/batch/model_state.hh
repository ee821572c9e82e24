#pragma once
// The part of a snapshot read from the editor's own state, not from what a window shows:
// both drivers take it the same way and add what their widgets display.
#include "app/app.hh"
#include "driver.hh"

namespace quilmar::batch {

inline Snapshot ModelState(const App& app, bool withText) {
  Snapshot s;
  const TextModel& document = app.Document();
  if (withText) s.text = document.Text();  // a whole copy: skipped when not printed
  s.selStart = document.SelStart().value();
  s.selLength = document.SelLength().value();
  s.caret = document.CaretPos().value();
  s.commandMode = app.Mode().CommandMode();
  s.locked = document.Locked();
  s.pendingDelete = app.DeletePending();
  s.currentFile = app.Files().CurrentFile();
  s.textChanged = app.Files().TextChanged();
  s.lastPattern = app.Search().LastPattern();
  s.searchPos = app.Search().SearchPos().value();
  s.tabSpaces = app.Options().TabSpaces();
  s.cmdStart = app.Options().CmdStart();
  s.lineCount = document.GetLineCount().value();
  s.cmdText = app.CommandBox().Text();
  s.cmdSelStart = app.CommandBox().SelStart();
  s.cmdSelLength = app.CommandBox().SelLength();
  s.recoveryRecords = app.Files().RecoveryOffers();
  return s;
}

// The check marks the snapshot reports.
inline constexpr MenuItem kReportedChecks[] = {MenuItem::mnuWordWrap, MenuItem::mnuFindCase,
                                               MenuItem::mnuReplaceCase, MenuItem::mnuStCmdMode};

}  // namespace quilmar::batch
