#include "files/save_file.hh"

#include <optional>
#include <utility>

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

// Upper-case hexadecimal digits of a number, at least `digits` of them.
String Hex(std::uint32_t value, int digits) {
  String out;
  for (; value != 0 || digits > 0; value >>= 4, --digits) out.insert(out.begin(), u"0123456789ABCDEF"[value & 0xF]);
  return out;
}

String ReasonLine(const String& fileName, const FileError& error) {
  return u"Can't write " + Shown(fileName) + u": " + FromUtf8(error.Reason());
}

// Writes the document in `format`, each line break in its own form. Returns the file's stamp as
// written (the bytes, needed for a small file's hash, are gone when the save goes on) and how
// the file will read back.
std::pair<std::optional<DiskStamp>, ReadBack> WriteDocument(const FileContext& f, const String& fileName,
                                                            TextFormat format) {
  // Encoded from the document's own storage a piece at a time as the file is written: no copy
  // of the whole text, nor all of its bytes at once.
  WrittenHash written;
  ReadBack back;
  f.ports.fs.WriteWith(fileName, [&](const ByteWriter& write) {
    written = WrittenHash();
    back = Encode(f.txtMain.Pieces(), format, f.txtMain.BreakForms(), [&](std::string_view bytes) {
      written.Add(bytes);
      write(bytes);
    });
  });
  return {StampAfterWrite(f.ports.fs, fileName, written), back};
}

// The refusal of a write that would need another encoding: the first character the document's
// encoding has no code for, and its line as the status bar counts lines.
String UnheldText(const FileContext& f, const String& fileName, Encoding encoding, std::size_t at) {
  const CharPos pos(static_cast<std::int64_t>(at));
  const String character = f.txtMain.Slice(pos, 2);
  int units = 1;
  const char32_t code = CodePointAt(character, 0, units);
  const bool lone = units == 1 && (IsHighSurrogate(character[0]) || IsLowSurrogate(character[0]));
  const String what = IsByteEscape(character[0]) ? u"the stray byte " + Hex(code - 0xDC00, 2)
                      : lone                      ? u"U+" + Hex(code, 4)
                                                  : u"\"" + character.substr(0, units) + u"\" (U+" + Hex(code, 4) + u")";
  return u"Can't write " + Shown(fileName) + u": " + String(EncodingName(encoding)) + u" has no code for " + what +
         u" on line " + Decimal(f.txtMain.LineFromChar(pos)) + u"; try \":w filename\" or SaveAs for UTF-8.";
}

// The save itself; a file-system failure is thrown as it comes, `step` saying how far it got.
void Save(const FileContext& f, const String& fileName, bool override_, bool quitAfter, SaveStep& step) {
  if (fileName.empty()) return;
  FileSystemPort& fs = f.ports.fs;
  const bool ownFile = fileName == f.state.CurrentFile;
  if (!ownFile) {
    if (!fs.FileExists(fileName)) {
      fs.CreateEmpty(fileName);
      f.state.CurrentFile = fileName;
    } else if (!override_) {
      f.ports.statusBar.SetPanelText(panel::Message, u"File exists, use \"w!\" to override.");
      return;
    }
  } else if (!fs.FileExists(fileName)) {
    f.ports.statusBar.SetPanelText(panel::Message, u"Unable to open file for write, try \":w filename\" or use SaveAs.");
    return;
  }

  // The one place that lets a read-only file be written: only with "!". The file system then
  // writes it leaving its mode alone, so that not even a kill during the write shows it writable.
  const bool readOnly = fs.IsReadOnly(fileName);
  if (readOnly && !override_) {
    f.ports.statusBar.SetPanelText(panel::Message, u"File is read only");
    return;
  }
  if (ownFile && !override_ && !(f.state.file.stamp && f.state.file.stamp->path == fileName && UnchangedOnDisk(fs, *f.state.file.stamp))) {
    // Another program changed (or made) the file since the document last read or wrote it.
    f.ports.statusBar.SetPanelText(panel::Message, u"File changed on disk, use \"w!\" to override.");
    return;
  }
  // The document's own file keeps the bytes no edit touched, so it is written in its encoding
  // or not at all; another file has none to keep, and is written as a new one is, in UTF-8.
  TextFormat format = f.state.file.format;
  if (const std::optional<std::size_t> at = FirstUnheld(f.txtMain.Pieces(), format.encoding)) {
    if (ownFile) {
      f.ports.statusBar.SetPanelText(panel::Message, UnheldText(f, fileName, format.encoding, *at));
      return;
    }
    format.encoding = Encoding::Utf8;
  }
  step = SaveStep::Write;
  auto [written, back] = WriteDocument(f, fileName, format);
  if (LikeMatch(fileName, u"*quilmar.ini")) LoadSettings(SettingsContext{f.ports.fs, f.options, f.state.CommonDialog1.InitDir});
  step = SaveStep::After;
  if (fileName == f.state.CurrentFile) {
    f.state.file.stamp = std::move(written);
    // As the file will be read (Latin-1 left with ASCII alone is UTF-8) while that is still
    // this text; otherwise the bytes keep their encoding for the next write.
    f.state.file.format = back.sameText ? back.format : format;
  }
  f.state.file.textIsFile = fileName == f.state.CurrentFile && back.sameText && f.state.file.stamp;

  f.state.TextChanged = false;
  f.recovery.Clear();  // the whole document is on disk
  const String reopened =
      u"Written; it will reopen as " + String(EncodingName(back.format.encoding)) + u", not as this text";
  f.ports.statusBar.SetPanelText(panel::Message, back.sameText ? String(u"Written") : reopened);
  ShowDocumentFile(f, fileName);
  f.state.CommonDialog1.InitDir = fs.CurrentDirectory();
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
    f.ports.statusBar.SetPanelText(panel::Message, ReasonLine(fileName, error));
  }
}

// Quiet on every failure but one of the write itself, which says what became of the file.
void SaveFileAs(const FileContext& f, bool Override) {
  String fileName;
  SaveStep step = SaveStep::Checks;
  try {
    const std::optional<String> chosen = f.ports.dialogs.ShowSave(f.state.CommonDialog1);
    if (!chosen) return;
    fileName = f.ports.fs.ResolveShown(*chosen);  // the file the dialog showed; several: refused
    Save(f, fileName, Override, false, step);
  } catch (const FileError& error) {
    if (step == SaveStep::Write) f.ports.statusBar.SetPanelText(panel::Message, ReasonLine(fileName, error));
  }
}

}  // namespace quilmar
