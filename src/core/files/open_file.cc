#include "files/open_file.hh"

#include <exception>
#include <limits>
#include <utility>

#include "app/app.hh"
#include "app/options.hh"
#include "files/document_panels.hh"
#include "files/encoding.hh"

namespace quilmar {

namespace {

String MissingFileText(const String& path) { return u"Err: " + path + u" couldn't be opened"; }

String LargeFileQuestion(std::int64_t size) {
  return u"This file is " + Decimal(size) +
         u" bytes, (10000000 bytes = 10 Megabytes) and may take a very long time to load, or may "
         u"crash Quilmar. Do you want to continue?";
}

// The waiting window is on the screen exactly while the file is read and decoded, and goes
// away also when reading fails.
class LoadingWindow {
 public:
  explicit LoadingWindow(WindowsPort& windows) : windows_(windows) { windows_.ShowLoading(); }
  ~LoadingWindow() { windows_.CloseLoading(); }
  LoadingWindow(const LoadingWindow&) = delete;
  LoadingWindow& operator=(const LoadingWindow&) = delete;

 private:
  WindowsPort& windows_;
};

// Reads and decodes the file into the document. The bytes are released before the text
// goes into the model, so the raw file and the model's copy never coexist.
void LoadDocument(App& app, const String& path) {
  Decoded decoded;
  {
    LoadingWindow loading(app.ports.windows);
    decoded = Decode(app.ports.fs.ReadAll(path));
  }
  if (decoded.text.size() > static_cast<std::size_t>(std::numeric_limits<CharPos>::max()))
    throw FileError(path, "File too large");
  app.txtMain.LoadText(std::move(decoded.text));
  app.documentFormat = decoded.format;
}

// Everything but the start folder: the checks, the question, the load and the panels.
void LoadIfAccepted(App& app, const String& path, const String& previousFile) {
  FileSystemPort& fs = app.ports.fs;
  if (path.empty()) return;
  if (!fs.FileExists(path)) {
    app.ports.messageBox.ShowOk(MissingFileText(path));
    return;
  }
  try {
    const std::int64_t size = fs.FileSize(path);
    if (size > kLargeFileBytes && !app.ports.messageBox.AskYesNo(LargeFileQuestion(size))) {
      app.modHeader.CurrentFile = previousFile;
      return;
    }
    // No UTF-16 unit of the document takes more than three bytes of the file, so a file
    // above three times the largest position surely cannot be held: refused before reading.
    if (size / 3 > std::numeric_limits<CharPos>::max()) throw FileError(path, "File too large");
    LoadDocument(app, path);
  } catch (...) {
    app.modHeader.CurrentFile = previousFile;  // also when memory runs out
    throw;
  }
  SetTabStops(app);
  ShowDocumentFile(app, path);
}

void SetStartFolder(App& app) { app.CommonDialog1.InitDir = app.ports.fs.CurrentDirectory(); }

}  // namespace

void OpenFile(App& app, const String& path, const String& previousFile) {
  try {
    LoadIfAccepted(app, path, previousFile);
  } catch (...) {
    SetStartFolder(app);
    throw;
  }
  SetStartFolder(app);
}

void OpenFile(App& app, const String& path) {
  try {
    OpenFile(app, path, String());
  } catch (const std::exception&) {
    app.ports.messageBox.ShowOk(MissingFileText(path));
  }
}

}  // namespace quilmar
