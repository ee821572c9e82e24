#include "files/open_file.hh"

#include <limits>
#include <utility>

#include "app/doing.hh"
#include "app/panels.hh"
#include "app/options.hh"
#include "files/document_panels.hh"
#include "files/encoding.hh"
#include "files/recovery.hh"
#include "files/recovery_offer.hh"
#include "text/document.hh"

namespace quilmar {

namespace {

String MissingFileText(const String& path) { return u"Err: " + Shown(path) + u" couldn't be opened"; }

// The most characters a document holds. A file of more bytes than that is refused from its size
// alone, before anything is read: in ASCII or Latin-1 every byte is a character (a line end
// two), so its text could not fit; only a file of mostly multi-byte characters could, and it is
// refused as well rather than read in vain.
constexpr std::int64_t kMaxCharacters = Document::kMaxLength;

String TooBigText(std::int64_t size) {
  return u"This file is " + Decimal(size) + u" bytes, too big for Quilmar: a document holds at most " +
         Decimal(kMaxCharacters) + u" characters. The file was not opened.";
}

// Its text takes at least a byte a character (ASCII or Latin-1, one byte a unit, and more for
// every line end and every character above U+00FF), so a file of more bytes than the memory
// still available cannot be held; it is refused before a long read that would end in failure.
String NoMemoryText(std::int64_t size, std::int64_t memory) {
  return u"This file is " + Decimal(size) + u" bytes, too big for Quilmar: this computer has " + Decimal(memory) +
         u" bytes of memory free. The file was not opened.";
}

String LongLineText() {
  return u"This file has a line of more than " + Decimal(Document::kMaxParagraph) +
         u" characters, too long for Quilmar. The file was not opened.";
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
// changed-on-disk check of a later write. The refusal's message, with the document untouched,
// when the text turns out longer than a document holds or has a line longer than it holds.
std::optional<String> LoadDocument(const FileContext& f, const String& path) {
  const Doing doing(u"loading the file");
  Decoded decoded;
  DiskStamp stamp{path, {}, std::nullopt};
  {
    LoadingWindow loading(f.ports.windows);
    const std::unique_ptr<ByteSource> source = f.ports.fs.OpenRead(path);
    stamp.stamp = source->Stamp();
    ContentHash hash;
    const bool hashed = source->Size() <= kHashedFileBytes;
    auto onBytes = [&](std::string_view bytes) {
      if (!hashed) return;
      if (bytes.data() == nullptr) hash = ContentHash();  // read again from the start
      hash.Add(bytes);
    };
    std::optional<Decoded> read = Decode(*source, onBytes, static_cast<std::size_t>(kMaxCharacters));
    if (!read) return TooBigText(source->Size());
    decoded = std::move(*read);
    if (hashed) stamp.hash = hash.Value();
  }
  if (!f.txtMain.LoadText(std::move(decoded.text), std::move(decoded.forms))) return LongLineText();
  f.recovery.Detach();  // the document it replaced keeps its unsaved changes in its record
  f.state.file.format = decoded.format;
  f.state.file.stamp = std::move(stamp);
  f.state.file.textIsFile = true;
  return std::nullopt;
}

// CurrentFile goes back to what it was unless the load got through: a declined, refused or
// failed load must not leave the document named after a file it did not come from.
class CurrentFileGuard {
 public:
  CurrentFileGuard(String& currentFile, const String& previousFile) : currentFile_(currentFile), previous_(previousFile) {}
  ~CurrentFileGuard() {
    if (!kept_) currentFile_.swap(previous_);  // no allocation while a failure unwinds
  }
  void Keep() { kept_ = true; }
  CurrentFileGuard(const CurrentFileGuard&) = delete;
  CurrentFileGuard& operator=(const CurrentFileGuard&) = delete;

 private:
  String& currentFile_;
  String previous_;
  bool kept_ = false;
};

void Open(const FileContext& f, const String& path, const String& previousFile) {
  FileSystemPort& fs = f.ports.fs;
  if (path.empty()) return;
  if (!fs.FileExists(path)) {
    f.ports.messageBox.ShowOk(MissingFileText(path));
    // A new file named on the command line may have unsaved work from an earlier run.
    if (OfferRecords(f, path)) ShowDocumentFile(f, path);
    return;
  }
  CurrentFileGuard currentFile(f.state.CurrentFile, previousFile);
  const std::int64_t size = fs.FileSize(path);
  // Refused from its size, before anything is read or asked.
  if (size > kMaxCharacters) return f.ports.messageBox.ShowOk(TooBigText(size));
  if (const std::optional<std::int64_t> memory = fs.AvailableMemory(); memory && size > *memory)
    return f.ports.messageBox.ShowOk(NoMemoryText(size, *memory));
  if (size > kLargeFileBytes && !f.ports.messageBox.AskYesNo(LargeFileQuestion(size))) return;
  if (const std::optional<String> refused = LoadDocument(f, path)) return f.ports.messageBox.ShowOk(*refused);
  currentFile.Keep();
  OfferRecords(f, path);
  f.options.ApplyTabStops();
  ShowDocumentFile(f, path);
  fs.ClearLeftovers(path);
  if (const std::optional<String> copy = fs.LeftoverCopy(path)) f.ports.messageBox.ShowOk(LeftoverText(*copy));
}

}  // namespace

// The dialogs start in the working directory after every load, also one whose file could not
// be read.
void OpenFile(const FileContext& f, const String& path, const String& previousFile) {
  try {
    Open(f, path, previousFile);
  } catch (const FileError&) {
    f.state.CommonDialog1.InitDir = f.ports.fs.CurrentDirectory();
    throw;
  }
  f.state.CommonDialog1.InitDir = f.ports.fs.CurrentDirectory();
}

void OpenFile(const FileContext& f, const String& path) {
  try {
    OpenFile(f, path, String());
  } catch (const FileError&) {
    f.ports.messageBox.ShowOk(MissingFileText(path));
  }
}

}  // namespace quilmar
