#include "files/editor_files.hh"

#include "app/panels.hh"
#include "files/document_panels.hh"
#include "files/open_file.hh"
#include "files/recovery_offer.hh"
#include "files/save_file.hh"
#include "files/settings.hh"

namespace quilmar {

namespace {

// The dialogs' one filter. It must hide nothing: a "*.*" pattern would hide names without a
// dot on this platform, so every name matches "*".
constexpr char16_t kDialogFilter[] = u"All (*)";

}  // namespace

EditorFiles::EditorFiles(TextModel& document, FilePorts ports, EditorOptions& options, EditorMode& mode,
                         std::function<void()> closeWindow)
    : txtMain_(document),
      ports_(ports),
      options_(options),
      mode_(mode),
      closeWindow_(std::move(closeWindow)),
      recovery_(ports.fs) {}

FileContext EditorFiles::Context() {
  return FileContext{ports_, txtMain_, state_, recovery_, options_, closeWindow_};
}

void EditorFiles::PrepareDialogs() {
  state_.TextChanged = false;
  state_.CommonDialog1.Filter = kDialogFilter;
  state_.CommonDialog1.CancelError = true;
}

void EditorFiles::LoadSettings() { quilmar::LoadSettings(SettingsContext{ports_.fs, options_, state_.CommonDialog1.InitDir}); }

void EditorFiles::SaveSettings() { quilmar::SaveSettings(SettingsContext{ports_.fs, options_, state_.CommonDialog1.InitDir}); }

// The argument is one path exactly as passed: not split, trimmed or unquoted.
void EditorFiles::OpenAtStart(const String& commandLine) {
  if (!commandLine.empty()) {
    state_.CurrentFile = commandLine;
    OpenFile(Context(), commandLine);
  } else {
    OfferRecords(Context(), std::nullopt);  // unsaved work of a new document, from a run that ended
  }
}

void EditorFiles::Edited(CharPos start, CharPos removed, const SharedText& inserted, const BreakRuns& forms) {
  recovery_.Edited(RecordSource(), start, removed, inserted, forms);
}

std::optional<String> EditorFiles::AfterEvent() { return recovery_.AfterEvent(RecordSource()); }

void EditorFiles::LaidOut() {
  if (state_.LineCountDue && !txtMain_.LayoutPending()) ShowLineCount(Context());
}

void EditorFiles::FlushRecord() { recovery_.Flush(RecordSource()); }

// The document's own file, or the save dialog when there is none (which never quits).
void EditorFiles::Write(const std::optional<String>& name, bool override_, bool quitAfter) {
  if (name) return SaveFile(Context(), *name, override_, quitAfter);
  const String file = state_.CurrentFile;  // a copy: the write may replace it
  if (file.empty()) SaveFileAs(Context(), override_);
  else SaveFile(Context(), file, override_, quitAfter);
}

void EditorFiles::Quit(bool force) {
  if (!force && state_.TextChanged) {
    ports_.statusBar.SetPanelText(panel::Message, u"Unsaved changes, use q! to override");
    return;
  }
  recovery_.Clear();  // the user threw the changes away
  closeWindow_();
}

// Cancel changes nothing, and so does a file that cannot be read or resolved: it ends quietly,
// the previous CurrentFile in place, so a later plain write still goes to the document's own
// file. Any other failure is the event's and reported as such.
void EditorFiles::mnuOpen_Click() {
  try {
    std::optional<String> chosen = ports_.dialogs.ShowOpen(state_.CommonDialog1);
    if (!chosen) return;
    chosen = ports_.fs.ResolveShown(*chosen);  // the file the dialog showed; several: refused
    const String previousFile = state_.CurrentFile;
    state_.CurrentFile = *chosen;
    OpenFile(Context(), *chosen, previousFile);
  } catch (const FileError&) {
  }
}

// Without a file of its own the document goes through the save dialog, replacing whatever
// file is chosen; with one, its refusals and failures show in the message panel.
void EditorFiles::mnuSave_Click() {
  if (state_.CurrentFile.empty())
    SaveFileAs(Context(), true);
  else
    SaveFile(Context(), state_.CurrentFile, false, false);
}

void EditorFiles::mnuSaveAs_Click() { SaveFileAs(Context(), false); }

// The caption and the line-count panel keep naming the closed file; TextChanged is set by
// the emptying like by any other change. What remains is a new document, written as one.
// Unsaved changes of the closed document stay in its recovery record, offered when it is next
// opened; a document without changes leaves none, and neither does the emptied one (a record
// starts with its first edit).
void EditorFiles::mnuClose_Click() {
  if (state_.TextChanged)
    recovery_.Detach();
  else
    recovery_.Clear();
  state_.CurrentFile.clear();
  txtMain_.SetText(String());
  recovery_.Clear();
  state_.file = DocumentFile{};
  ports_.statusBar.SetPanelText(panel::Message, String());
  mode_.Show(ModeText::None);
  ports_.statusBar.SetPanelText(panel::File, String());
  ports_.statusBar.SetPanelText(panel::Position, String());
}

// On the first installed printer, in the document's font, without a dialog. A print that
// did not happen says so in the message panel, as a failed save does; the document is as it was.
void EditorFiles::mnuPrint_Click() {
  String printer;
  try {
    const std::vector<String> printers = ports_.printer.InstalledPrinters();
    if (printers.empty()) {
      ports_.statusBar.SetPanelText(panel::Message, u"No printer is installed");
      return;
    }
    printer = printers.front();
    ports_.printer.PrintText(printer, txtMain_.Text(), txtMain_.Font());
  } catch (const PrintError& error) {
    const String where = printer.empty() ? String() : u" on " + Shown(printer);
    ports_.statusBar.SetPanelText(panel::Message, u"Can't print" + where + u": " + FromUtf8(error.what()));
  }
}

}  // namespace quilmar
