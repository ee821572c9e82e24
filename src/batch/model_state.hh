#pragma once
// The part of a snapshot read from the editor's own state, not from what a window shows:
// both drivers take it the same way and add what their widgets display.
#include "app/app.hh"
#include "driver.hh"

namespace quilmar::batch {

inline Snapshot ModelState(const App& app, bool withText) {
  Snapshot s;
  if (withText) s.text = app.txtMain.Text();  // a whole copy: skipped when not printed
  s.selStart = app.txtMain.SelStart();
  s.selLength = app.txtMain.SelLength();
  s.commandMode = app.mode.CommandMode();
  s.locked = app.txtMain.Locked();
  s.pendingDelete = app.PendingDelete;
  s.currentFile = app.modHeader.CurrentFile;
  s.textChanged = app.modHeader.TextChanged;
  s.lastPattern = app.modHeader.LastPattern;
  s.searchPos = app.modHeader.SearchPos;
  s.tabSpaces = app.modHeader.TabSpaces;
  s.cmdStart = app.modHeader.CmdStart;
  s.lineCount = app.txtMain.GetLineCount();
  s.cmdText = app.CommandBox().Text();
  s.cmdSelStart = app.CommandBox().SelStart();
  s.cmdSelLength = app.CommandBox().SelLength();
  return s;
}

// The check marks the snapshot reports.
inline constexpr MenuItem kReportedChecks[] = {MenuItem::mnuWordWrap, MenuItem::mnuFindCase,
                                               MenuItem::mnuReplaceCase, MenuItem::mnuStCmdMode};

}  // namespace quilmar::batch
