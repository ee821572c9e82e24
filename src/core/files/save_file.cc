#include "files/save_file.hh"

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

// A file-system failure inside a save, with the step it happened in: a save through the dialog
// reports only failures of the write itself.
struct SaveFailure {
  enum class Step { Create, Permissions, Write } step;
  FileError error;
};

// Runs one file-system step, tagging its failure with the step.
template <typename F>
auto Step(SaveFailure::Step step, F&& f) {
  try {
    return f();
  } catch (const FileError& e) {
    throw SaveFailure{step, e};
  }
}

String ReasonLine(const String& fileName, const FileError& error) {
  return u"Can't write " + Shown(fileName) + u": " + FromUtf8(error.Reason());
}

// Writes the document in its format, each line break in its own form; the format actually
// written becomes the document's. Returns the file's stamp as written (the bytes, needed for a
// small file's hash, are gone when the save goes on).
std::optional<DiskStamp> WriteDocument(App& app, const String& fileName) {
  // Encoded from the document's own storage, without a copy of the whole text first.
  Encoded encoded = Encode(app.txtMain.Pieces(), app.documentFormat, app.txtMain.BreakForms());
  Step(SaveFailure::Step::Write, [&] { app.ports.fs.WriteAll(fileName, encoded.bytes); });
  app.documentFormat = encoded.format;
  return StampAfterWrite(app.ports.fs, fileName, encoded.bytes);
}

// The save itself; throws SaveFailure when the file system fails.
void Save(App& app, const String& fileName, bool override_, bool quitAfter) {
  if (fileName.empty()) return;
  FileSystemPort& fs = app.ports.fs;
  const bool ownFile = fileName == app.modHeader.CurrentFile;
  if (!ownFile) {
    if (!fs.FileExists(fileName)) {
      Step(SaveFailure::Step::Create, [&] { fs.CreateEmpty(fileName); });
      app.modHeader.CurrentFile = fileName;
    } else if (!override_) {
      app.SetPanel(panel::Message, u"File exists, use \"w!\" to override.");
      return;
    }
  } else if (!fs.FileExists(fileName)) {
    app.SetPanel(panel::Message, u"Unable to open file for write, try \":w filename\" or use SaveAs.");
    return;
  }

  const bool readOnly = Step(SaveFailure::Step::Permissions, [&] { return fs.IsReadOnly(fileName); });
  if (readOnly && !override_) {
    app.SetPanel(panel::Message, u"File is read only");
    return;
  }
  if (ownFile && !override_ && !(app.diskStamp && app.diskStamp->path == fileName && UnchangedOnDisk(fs, *app.diskStamp))) {
    // Another program changed (or made) the file since the document last read or wrote it.
    app.SetPanel(panel::Message, u"File changed on disk, use \"w!\" to override.");
    return;
  }
  std::optional<std::uint32_t> heldPermissions;
  if (readOnly) {
    heldPermissions = Step(SaveFailure::Step::Permissions, [&] { return fs.Permissions(fileName); });
    Step(SaveFailure::Step::Permissions, [&] { fs.SetPermissions(fileName, *heldPermissions | kOwnerWrite); });
  }
  std::optional<DiskStamp> written;
  try {
    written = WriteDocument(app, fileName);
    if (LikeMatch(fileName, u"*quilmar.ini")) LoadSettings(app);
  } catch (const SaveFailure&) {
    // The held bits come back also after a failed write, so the file stays read-only.
    if (heldPermissions) {
      try {
        fs.SetPermissions(fileName, *heldPermissions);
      } catch (const FileError&) {
      }
    }
    throw;
  }
  if (heldPermissions)
    Step(SaveFailure::Step::Permissions, [&] { fs.SetPermissions(fileName, *heldPermissions); });
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
  try {
    Save(app, fileName, Override, QuitAfter);
  } catch (const SaveFailure& failure) {
    app.SetPanel(panel::Message, ReasonLine(fileName, failure.error));
  }
}

void SaveFileAs(App& app, bool Override) {
  String fileName;
  try {
    const std::optional<String> chosen = app.ports.dialogs.ShowSave(app.CommonDialog1.InitDir);
    if (!chosen) return;
    fileName = app.ports.fs.ResolveShown(*chosen);  // the file the dialog showed; several: refused
    Save(app, fileName, Override, false);
  } catch (const SaveFailure& failure) {
    if (failure.step == SaveFailure::Step::Write) app.SetPanel(panel::Message, ReasonLine(fileName, failure.error));
  } catch (const std::exception&) {
  }
}

}  // namespace quilmar
