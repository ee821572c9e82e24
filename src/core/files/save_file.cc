#include "files/save_file.hh"

#include <new>
#include <optional>

#include "app/app.hh"
#include "app/like_match.hh"
#include "files/document_panels.hh"
#include "files/encoding.hh"
#include "files/settings.hh"

namespace quilmar {

namespace {

// Owner write permission: a file without it is read-only.
constexpr std::uint32_t kOwnerWrite = 0200;

// How far a save got: a save through the dialog reports only failures of the write itself,
// and says nothing of one in the checks before it.
enum class SaveStep { Checks, Write, After };

String ReasonLine(const String& fileName, const FileError& error) {
  return u"Can't write " + Shown(fileName) + u": " + FromUtf8(error.Reason());
}

// Writes the document in its format, each line break in its own form; the format actually
// written becomes the document's. Returns the file's stamp as written (the bytes, needed for a
// small file's hash, are gone when the save goes on).
std::optional<DiskStamp> WriteDocument(App& app, const String& fileName) {
  // Encoded from the document's own storage, without a copy of the whole text first.
  Encoded encoded = Encode(app.txtMain.Pieces(), app.documentFormat, app.txtMain.BreakForms());
  app.ports.fs.WriteAll(fileName, encoded.bytes);
  app.documentFormat = encoded.format;
  return StampAfterWrite(app.ports.fs, fileName, encoded.bytes);
}

// Puts a file's permission bits back when it goes out of scope: a read-only file written with
// "!" is read-only again afterwards, also when the write failed.
class HeldPermissions {
 public:
  HeldPermissions(FileSystemPort& fs, const String& path) : fs_(fs), path_(path), bits_(fs.Permissions(path)) {
    fs_.SetPermissions(path_, bits_ | kOwnerWrite);
  }
  // The normal way back, whose failure is the save's.
  void Restore() {
    restored_ = true;
    fs_.SetPermissions(path_, bits_);
  }
  ~HeldPermissions() {
    if (restored_) return;
    try {
      fs_.SetPermissions(path_, bits_);
    } catch (const FileError&) {
      // The write's own failure is the one to report.
    }
  }
  HeldPermissions(const HeldPermissions&) = delete;
  HeldPermissions& operator=(const HeldPermissions&) = delete;

 private:
  FileSystemPort& fs_;
  String path_;
  std::uint32_t bits_;
  bool restored_ = false;
};

// The save itself; a file-system failure is thrown as it comes, `step` saying how far it got.
void Save(App& app, const String& fileName, bool override_, bool quitAfter, SaveStep& step) {
  if (fileName.empty()) return;
  FileSystemPort& fs = app.ports.fs;
  const bool ownFile = fileName == app.modHeader.CurrentFile;
  if (!ownFile) {
    if (!fs.FileExists(fileName)) {
      fs.CreateEmpty(fileName);
      app.modHeader.CurrentFile = fileName;
    } else if (!override_) {
      app.SetPanel(panel::Message, u"File exists, use \"w!\" to override.");
      return;
    }
  } else if (!fs.FileExists(fileName)) {
    app.SetPanel(panel::Message, u"Unable to open file for write, try \":w filename\" or use SaveAs.");
    return;
  }

  const bool readOnly = fs.IsReadOnly(fileName);
  if (readOnly && !override_) {
    app.SetPanel(panel::Message, u"File is read only");
    return;
  }
  if (ownFile && !override_ && !(app.diskStamp && app.diskStamp->path == fileName && UnchangedOnDisk(fs, *app.diskStamp))) {
    // Another program changed (or made) the file since the document last read or wrote it.
    app.SetPanel(panel::Message, u"File changed on disk, use \"w!\" to override.");
    return;
  }
  std::optional<HeldPermissions> held;
  if (readOnly) held.emplace(fs, fileName);
  step = SaveStep::Write;
  std::optional<DiskStamp> written = WriteDocument(app, fileName);
  if (LikeMatch(fileName, u"*quilmar.ini")) LoadSettings(app);
  step = SaveStep::After;
  if (held) held->Restore();
  if (fileName == app.modHeader.CurrentFile) app.diskStamp = std::move(written);

  app.modHeader.TextChanged = false;
  app.SetPanel(panel::Message, u"Written");
  ShowDocumentFile(app, fileName);
  app.CommonDialog1.InitDir = fs.CurrentDirectory();
  if (quitAfter) app.CloseWindow();
}

}  // namespace

void SaveFile(App& app, const String& FileName, bool Override, bool QuitAfter) {
  // Callers often pass CurrentFile itself, which the save may change: work on a copy.
  const String fileName = FileName;
  SaveStep step = SaveStep::Checks;
  try {
    Save(app, fileName, Override, QuitAfter, step);
  } catch (const FileError& error) {
    app.SetPanel(panel::Message, ReasonLine(fileName, error));
  }
}

// Quiet on every failure but one of the write itself, which says what became of the file.
void SaveFileAs(App& app, bool Override) {
  String fileName;
  SaveStep step = SaveStep::Checks;
  try {
    const std::optional<String> chosen = app.ports.dialogs.ShowSave(app.CommonDialog1.InitDir);
    if (!chosen) return;
    fileName = app.ports.fs.ResolveShown(*chosen);  // the file the dialog showed; several: refused
    Save(app, fileName, Override, false, step);
  } catch (const FileError& error) {
    if (step == SaveStep::Write) app.SetPanel(panel::Message, ReasonLine(fileName, error));
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
  }
}

}  // namespace quilmar
