#pragma once
// What the file procedures work on: the settings file reads into and writes from the options;
// loading and writing change the document, its file and the panels that show it.
#include <functional>
#include <optional>

#include "app/options.hh"
#include "files/disk_stamp.hh"
#include "files/text_format.hh"
#include "platform/file_system.hh"
#include "platform/printer.hh"
#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

class Recovery;  // the recovery record of unsaved work (files/recovery.hh)

// What the editor knows of the file the document came from: how it was encoded, and how it
// stood on disk when it was last read or written.
struct DocumentFile {
  TextFormat format;
  std::optional<DiskStamp> stamp;
  // The stamped file decodes to the document as it was last loaded or written (a write that
  // will read back as another text leaves it false): a recovery record that starts then may
  // name that file instead of copying it.
  bool textIsFile = false;
};

// What the settings file is read into and written from.
struct SettingsContext {
  FileSystemPort& fs;
  EditorOptions& options;
  String& startFolder;  // where the file dialogs start
};

// The files component's own state (EditorFiles, files/editor_files.hh): only its procedures
// change it.
struct FileState {
  String CurrentFile;        // the document's full path; empty when there is none
  bool TextChanged = false;  // unsaved changes
  DocumentFile file;         // the file the document came from
  bool LineCountDue = false;  // the line-count panel waits for the loaded text's layout
  CommonDialogState CommonDialog1;
};

// The ports the files component uses.
struct FilePorts {
  FileSystemPort& fs;
  MessageBoxPort& messageBox;
  DialogPort& dialogs;
  WindowsPort& windows;
  StatusBarPort& statusBar;
  WindowPort& window;
  PrinterPort& printer;
};

// What the file procedures (loading, writing, the recovery offers) work on: the files component's
// ports, the document, the component's own state and recovery record, and the options they read and
// reload.
struct FileContext {
  FilePorts ports;
  TextModel& txtMain;
  FileState& state;
  Recovery& recovery;                // cleared by a write, offered back by a load
  EditorOptions& options;             // the tab stops after a load; read again after the editor
                                      // writes its own settings file
  std::function<void()> closeWindow;  // a write that quits
};

}  // namespace quilmar
