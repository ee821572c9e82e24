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

String MissingFileText(const String& path) { return u"Err: " + Shown(path) + u" couldn't be opened"; }

// The most characters a document holds: positions are 32-bit. A file of more bytes than that
// is refused from its size alone, before anything is read: in ASCII or Latin-1 every byte is a
// character (a line end two), so its text could not fit; only a file of mostly multi-byte
// characters could, and it is refused as well rather than read for gigabytes in vain.
constexpr std::int64_t kMaxCharacters = std::numeric_limits<CharPos>::max() - 2;

String TooBigText(std::int64_t size) {
  return u"This file is " + Decimal(size) + u" bytes, too big for Quilmar: a document holds at most " +
         Decimal(kMaxCharacters) + u" characters. The file was not opened.";
}

String LeftoverText(const String& copy) {
  return u"An earlier save of this file did not finish. A copy of the file as it was before that save is kept in " +
         Shown(copy);
}

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

// Reads and decodes the file into the document, a piece at a time: only the text and one piece
// of the file are in memory at once. A small file's content is hashed on the way, for the
// changed-on-disk check of a later write. False, with the document untouched, when the text
// turns out longer than a document holds.
bool LoadDocument(App& app, const String& path) {
  const App::Doing doing(app, u"loading the file");
  Decoded decoded;
  DiskStamp stamp{path, {}, std::nullopt};
  {
    LoadingWindow loading(app.ports.windows);
    const std::unique_ptr<ByteSource> source = app.ports.fs.OpenRead(path);
    stamp.stamp = source->Stamp();
    ContentHash hash;
    const bool hashed = source->Size() <= kHashedFileBytes;
    auto onBytes = [&](std::string_view bytes) {
      if (!hashed) return;
      if (bytes.data() == nullptr) hash = ContentHash();  // read again from the start
      hash.Add(bytes);
    };
    std::optional<Decoded> read = Decode(*source, onBytes, static_cast<std::size_t>(kMaxCharacters));
    if (!read) return false;
    decoded = std::move(*read);
    if (hashed) stamp.hash = hash.Value();
  }
  app.txtMain.LoadText(std::move(decoded.text), std::move(decoded.forms));
  app.documentFormat = decoded.format;
  app.diskStamp = std::move(stamp);
  return true;
}

// CurrentFile goes back to what it was unless the load got through: a declined, refused or
// failed load must not leave the document named after a file it did not come from.
class CurrentFileGuard {
 public:
  CurrentFileGuard(App& app, const String& previousFile) : app_(app), previous_(previousFile) {}
  ~CurrentFileGuard() {
    if (!kept_) app_.modHeader.CurrentFile = previous_;
  }
  void Keep() { kept_ = true; }
  CurrentFileGuard(const CurrentFileGuard&) = delete;
  CurrentFileGuard& operator=(const CurrentFileGuard&) = delete;

 private:
  App& app_;
  String previous_;
  bool kept_ = false;
};

// The dialogs start in the working directory after every load, also one that failed.
class StartFolderGuard {
 public:
  explicit StartFolderGuard(App& app) : app_(app) {}
  ~StartFolderGuard() {
    try {
      app_.CommonDialog1.InitDir = app_.ports.fs.CurrentDirectory();
    } catch (const std::exception&) {
      // No working directory to be had: the dialogs keep their folder.
    }
  }
  StartFolderGuard(const StartFolderGuard&) = delete;
  StartFolderGuard& operator=(const StartFolderGuard&) = delete;

 private:
  App& app_;
};

}  // namespace

void OpenFile(App& app, const String& path, const String& previousFile) {
  const StartFolderGuard startFolder(app);
  FileSystemPort& fs = app.ports.fs;
  if (path.empty()) return;
  if (!fs.FileExists(path)) {
    app.ports.messageBox.ShowOk(MissingFileText(path));
    return;
  }
  CurrentFileGuard currentFile(app, previousFile);
  const std::int64_t size = fs.FileSize(path);
  // Refused from its size, before anything is read or asked.
  if (size > kMaxCharacters) return app.ports.messageBox.ShowOk(TooBigText(size));
  if (size > kLargeFileBytes && !app.ports.messageBox.AskYesNo(LargeFileQuestion(size))) return;
  if (!LoadDocument(app, path)) return app.ports.messageBox.ShowOk(TooBigText(size));
  currentFile.Keep();
  SetTabStops(app);
  ShowDocumentFile(app, path);
  if (const std::optional<String> copy = fs.LeftoverCopy(path)) app.ports.messageBox.ShowOk(LeftoverText(*copy));
}

void OpenFile(App& app, const String& path) {
  try {
    OpenFile(app, path, String());
  } catch (const FileError&) {
    app.ports.messageBox.ShowOk(MissingFileText(path));
  }
}

}  // namespace quilmar
