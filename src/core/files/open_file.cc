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

// Thrown when a file's text turns out longer than a document holds.
struct TooBig {
  std::int64_t size;
};

// Reads and decodes the file into the document, a piece at a time: only the text and one piece
// of the file are in memory at once. A small file's content is hashed on the way, for the
// changed-on-disk check of a later write.
void LoadDocument(App& app, const String& path) {
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
    try {
      decoded = Decode(*source, onBytes, static_cast<std::size_t>(kMaxCharacters));
    } catch (const TextTooLong&) {
      throw TooBig{source->Size()};
    }
    if (hashed) stamp.hash = hash.Value();
  }
  app.txtMain.LoadText(std::move(decoded.text), std::move(decoded.forms));
  app.documentFormat = decoded.format;
  app.diskStamp = std::move(stamp);
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
    // Refused from its size, before anything is read or asked.
    if (size > kMaxCharacters) throw TooBig{size};
    if (size > kLargeFileBytes && !app.ports.messageBox.AskYesNo(LargeFileQuestion(size))) {
      app.modHeader.CurrentFile = previousFile;
      return;
    }
    LoadDocument(app, path);
  } catch (const TooBig& tooBig) {
    app.modHeader.CurrentFile = previousFile;
    app.ports.messageBox.ShowOk(TooBigText(tooBig.size));
    return;
  } catch (...) {
    app.modHeader.CurrentFile = previousFile;  // also when memory runs out
    throw;
  }
  SetTabStops(app);
  ShowDocumentFile(app, path);
  if (const std::optional<String> copy = fs.LeftoverCopy(path)) app.ports.messageBox.ShowOk(LeftoverText(*copy));
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
