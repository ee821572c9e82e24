#pragma once
// The tests' door into the editor's state, for setting a case up (a document with a selection,
// a flag) and for calling a handler alone. What a case checks is read through App's public,
// read-only accessors; what it does goes through App::Dispatch.
#include "app/app.hh"

namespace quilmar {

struct AppTestAccess {
  static TextModel& Document(App& app) { return app.txtMain; }
  static LineEdit& CommandBox(App& app) { return app.commandLine.txtCmd; }
  static CharPos& SearchPos(App& app) { return app.search.SearchPos_; }
  static String& LastPattern(App& app) { return app.search.LastPattern_; }
  static EditorMode& Mode(App& app) { return app.mode; }
  static MenuChecks& Checks(App& app) { return app.options.checks; }
  static EditorOptions& Options(App& app) { return app.options; }
  static FileContext Files(App& app) { return app.files.Context(); }
  static CommandContext Commands(App& app) { return app.commandLine.Commands(); }
  static void OpenCommandBox(App& app, const String& leader, ModeText text) { app.commandLine.OpenCommandBox(leader, text); }
  static void LeaveCommandBox(App& app, bool clearModePanel) { app.commandLine.LeaveCommandBox(clearModePanel); }
  // Waits until the recovery record holds everything handed to its writer.
  static void FlushRecord(App& app) { app.files.FlushRecord(); }
};

}  // namespace quilmar
