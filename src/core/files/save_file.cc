#include "files/save_file.hh"

#include <new>
#include <optional>

#include "app/panels.hh"
#include "app/like_match.hh"
#include "files/document_panels.hh"
#include "files/encoding.hh"
#include "files/recovery.hh"
#include "files/settings.hh"

namespace quilmar {

namespace {

// How far a save got: a save through the dialog reports only failures of the write itself,
// and says nothing of one in the checks before it.
enum class SaveStep { Checks, Write, After };

String ReasonLine(const String& fileName, const FileError& error) {
  return u"Can't write " + Shown(fileName) + u": " + FromUtf8(error.Reason());
}

// Writes the document in its format, each line break in its own form; the format actually
// written becomes the document's. Returns the file's stamp as written (the bytes, needed for a
// small file's hash, are gone when the save goes on).
std::optional<DiskStamp> WriteDocument(const FileContext& f, const String& fileName) {
  // Encoded from the document's own storage a piece at a time as the file is written: no copy
  // of the whole text, nor all of its bytes at once.
  WrittenHash written;
  TextFormat format = f.file.format;
  f.fs.WriteWith(fileName, [&](const ByteWriter& write) {
    written = WrittenHash();
    format = Encode(f.txtMain.Pieces(), f.file.format, f.txtMain.BreakForms(), [&](std::string_view bytes) {
      written.Add(bytes);
      write(bytes);
    });
  });
  f.file.format = format;
  return StampAfterWrite(f.fs, fileName, written);
}

// The save itself; a file-system failure is thrown as it comes, `step` saying how far it got.
void Save(const FileContext& f, const String& fileName, bool override_, bool quitAfter, SaveStep& step) {
  if (fileName.empty()) return;
  FileSystemPort& fs = f.fs;
  const bool ownFile = fileName == f.modHeader.CurrentFile;
  if (!ownFile) {
    if (!fs.FileExists(fileName)) {
      fs.CreateEmpty(fileName);
      f.modHeader.CurrentFile = fileName;
    } else if (!override_) {
      f.statusBar.SetPanelText(panel::Message, u"File exists, use \"w!\" to override.");
      return;
    }
  } else if (!fs.FileExists(fileName)) {
    f.statusBar.SetPanelText(panel::Message, u"Unable to open file for write, try \":w filename\" or use SaveAs.");
    return;
  }

  // The one place that lets a read-only file be written: only with "!". The file system then
  // writes it leaving its mode alone, so that not even a kill during the write shows it writable.
  const bool readOnly = fs.IsReadOnly(fileName);
  if (readOnly && !override_) {
    f.statusBar.SetPanelText(panel::Message, u"File is read only");
    return;
  }
  if (ownFile && !override_ && !(f.file.stamp && f.file.stamp->path == fileName && UnchangedOnDisk(fs, *f.file.stamp))) {
    // Another program changed (or made) the file since the document last read or wrote it.
    f.statusBar.SetPanelText(panel::Message, u"File changed on disk, use \"w!\" to override.");
    return;
  }
  step = SaveStep::Write;
  std::optional<DiskStamp> written = WriteDocument(f, fileName);
  if (LikeMatch(fileName, u"*quilmar.ini")) LoadSettings(f.settings);
  step = SaveStep::After;
  if (fileName == f.modHeader.CurrentFile) f.file.stamp = std::move(written);

  f.modHeader.TextChanged = false;
  f.recovery.Clear();  // the whole document is on disk
  f.statusBar.SetPanelText(panel::Message, u"Written");
  ShowDocumentFile(f, fileName);
  f.CommonDialog1.InitDir = fs.CurrentDirectory();
  if (quitAfter) f.closeWindow();
}

}  // namespace

void SaveFile(const FileContext& f, const String& FileName, bool Override, bool QuitAfter) {
  // Callers often pass CurrentFile itself, which the save may change: work on a copy.
  const String fileName = FileName;
  SaveStep step = SaveStep::Checks;
  try {
    Save(f, fileName, Override, QuitAfter, step);
  } catch (const FileError& error) {
    f.statusBar.SetPanelText(panel::Message, ReasonLine(fileName, error));
  }
}

// Quiet on every failure but one of the write itself, which says what became of the file.
void SaveFileAs(const FileContext& f, bool Override) {
  String fileName;
  SaveStep step = SaveStep::Checks;
  try {
    const std::optional<String> chosen = f.dialogs.ShowSave(f.CommonDialog1.InitDir);
    if (!chosen) return;
    fileName = f.fs.ResolveShown(*chosen);  // the file the dialog showed; several: refused
    Save(f, fileName, Override, false, step);
  } catch (const FileError& error) {
    if (step == SaveStep::Write) f.statusBar.SetPanelText(panel::Message, ReasonLine(fileName, error));
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
  }
}

}  // namespace quilmar
