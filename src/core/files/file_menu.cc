// The File menu's handlers.
#include "app/app.hh"
#include "files/open_file.hh"
#include "files/save_file.hh"

namespace quilmar {

// Cancel changes nothing, and so does a file that cannot be read or resolved: it ends quietly,
// the previous CurrentFile in place, so a later plain write still goes to the document's own
// file. Any other failure is the event's and reported as such.
void App::mnuOpen_Click() {
  try {
    std::optional<String> chosen = ports.dialogs.ShowOpen(CommonDialog1.InitDir);
    if (!chosen) return;
    chosen = ports.fs.ResolveShown(*chosen);  // the file the dialog showed; several: refused
    const String previousFile = modHeader.CurrentFile;
    modHeader.CurrentFile = *chosen;
    OpenFile(Files(), *chosen, previousFile);
  } catch (const FileError&) {
  }
}

// Without a file of its own the document goes through the save dialog, replacing whatever
// file is chosen; with one, its refusals and failures show in the message panel.
void App::mnuSave_Click() {
  if (modHeader.CurrentFile.empty())
    SaveFileAs(Files(), true);
  else
    SaveFile(Files(), modHeader.CurrentFile, false, false);
}

void App::mnuSaveAs_Click() { SaveFileAs(Files(), false); }

// The caption and the line-count panel keep naming the closed file; TextChanged is set by
// the emptying like by any other change. What remains is a new document, written as one.
// Unsaved changes of the closed document stay in its recovery record, offered when it is next
// opened; a document without changes leaves none, and neither does the emptied one (a record
// starts with its first edit).
void App::mnuClose_Click() {
  if (modHeader.TextChanged)
    recovery.Detach();
  else
    recovery.Clear();
  modHeader.CurrentFile.clear();
  txtMain.SetText(String());
  recovery.Clear();
  file.format = TextFormat{};
  file.stamp.reset();
  file.textIsFile = false;
  SetPanel(panel::Message, String());
  mode.Show(ModeText::None);
  SetPanel(panel::File, String());
  SetPanel(panel::Position, String());
}

// On the first installed printer, in the document's font, without a dialog. A print that
// did not happen says so in the message panel, as a failed save does; the document is as it was.
void App::mnuPrint_Click() {
  String printer;
  try {
    const std::vector<String> printers = ports.printer.InstalledPrinters();
    if (printers.empty()) {
      SetPanel(panel::Message, u"No printer is installed");
      return;
    }
    printer = printers.front();
    ports.printer.PrintText(printer, txtMain.Text(), txtMain.Font());
  } catch (const PrintError& error) {
    const String where = printer.empty() ? String() : u" on " + Shown(printer);
    SetPanel(panel::Message, u"Can't print" + where + u": " + FromUtf8(error.what()));
  }
}

void App::mnuExit_Click() { CloseWindow(); }

}  // namespace quilmar
