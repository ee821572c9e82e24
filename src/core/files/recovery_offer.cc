#include "files/recovery_offer.hh"

#include <algorithm>
#include <ctime>
#include <exception>

#include "app/panels.hh"
#include "files/encoding.hh"
#include "files/recovery.hh"
#include "files/recovery_record.hh"

namespace quilmar {

namespace {

// A record found on disk, locked for this run while it is looked at.
struct Candidate {
  RecordSummary summary;
  std::unique_ptr<Hold> hold;
};

// Declined records are named by the time they were declined; after a week they go. Only what
// the editor made there goes: RemoveRecord follows no link and leaves whatever is not the
// user's own record (the folder may be shared with another user's runs).
void PurgeDeclined(FileSystemPort& fs) {
  const String declined = DeclinedFolder(fs);
  const std::int64_t now = fs.Now();
  for (const String& name : fs.List(declined)) {
    const std::optional<std::int64_t> when = DeclinedTime(name);
    if (!when || now - *when < kDeclinedKeptNs) continue;
    try {
      RemoveRecord(fs, fs.Join(declined, name));
    } catch (const FileError&) {
      // Tried again at the next load.
    }
  }
}

// What is being loaded, to tell which records are of it: the path as given, resolved, and the
// file there now. No path: a new document.
struct Target {
  std::optional<String> path;
  std::optional<String> resolved;
  std::optional<FileStamp> stamp;
};

bool IsAbsolute(const String& path) { return !path.empty() && path.front() == u'/'; }

// The file named unambiguously: a relative path means nothing without its folder.
String ShownPath(const Target& t) { return IsAbsolute(*t.path) || !t.resolved ? *t.path : *t.resolved; }

// The file at the target is the file the record's stamp was taken of, and unchanged since.
bool StampProves(const FileSystemPort& fs, const Target& t, const RecordInfo& info) {
  return info.stamp && UnchangedOnDisk(fs, DiskStamp{*t.path, info.stamp->stamp, info.stamp->hash});
}

bool SameIdentity(const std::optional<FileStamp>& a, const FileStamp& b) {
  return a && a->device == b.device && a->inode == b.inode;
}

enum class Match { No, Yes, KeepAside };

// A record is of the file it resolved to when it was named, however that file is spelled now;
// also of another name of that file (a hard link: both names lead to it now). A different file
// put at the same path still matches: the question then says the file has changed on disk.
// A record without its resolved path (of the older form) named its file only as typed: an
// absolute path is resolved now; a relative one matches only a file its stamp proves to be its
// own, and one met by its old spelling that the stamp cannot prove (another folder's file of
// that name, or its own one changed) is kept aside.
Match Matches(const FileSystemPort& fs, const Target& t, const RecordInfo& info) {
  if (!t.path || !info.path) return !t.path && !info.path ? Match::Yes : Match::No;
  std::optional<String> key = info.resolved;
  if (!key && IsAbsolute(*info.path)) key = fs.Resolve(*info.path);
  if (!key) return StampProves(fs, t, info) ? Match::Yes : *info.path == *t.path ? Match::KeepAside : Match::No;
  if (t.resolved == key) return Match::Yes;
  return info.stamp && SameIdentity(t.stamp, info.stamp->stamp) && SameIdentity(fs.Stamp(*key), info.stamp->stamp)
             ? Match::Yes
             : Match::No;
}

// A record goes aside into `to` under `name`, out of the offers' way.
void MoveAside(FileSystemPort& fs, const String& folder, const String& to, const String& name) {
  fs.MakeFolder(to);
  fs.Rename(folder, fs.Join(to, name));
}

// The records of the target that no running editor holds, newest first.
std::vector<Candidate> FindRecords(FileSystemPort& fs, const Target& target) {
  std::vector<Candidate> found;
  const String records = RecordsFolder(fs);
  for (const String& name : fs.List(records)) {
    const String folder = fs.Join(records, name);
    try {
      std::unique_ptr<Hold> hold = fs.Lock(folder);
      if (!hold) continue;  // a running editor keeps it
      std::optional<RecordSummary> summary = ReadSummary(fs, folder);
      if (!summary) continue;
      switch (Matches(fs, target, summary->info)) {
        case Match::No: break;
        case Match::Yes: found.push_back(Candidate{std::move(*summary), std::move(hold)}); break;
        case Match::KeepAside: MoveAside(fs, folder, KeptFolder(fs), name); break;
      }
    } catch (const FileError&) {
      // A record that cannot be looked at is left as it is.
    }
  }
  std::sort(found.begin(), found.end(),
            [](const Candidate& a, const Candidate& b) { return a.summary.changedNs > b.summary.changedNs; });
  return found;
}

// Whether the record holds nothing the file (or, without a path, an empty document) lacks.
bool NothingLost(const FileSystemPort& fs, const std::optional<String>& path, const std::string& bytes) {
  if (!path) return bytes.empty();
  try {
    return fs.FileExists(*path) && fs.FileSize(*path) == static_cast<std::int64_t>(bytes.size()) &&
           fs.ReadAll(*path) == bytes;
  } catch (const FileError&) {
    return false;
  }
}

bool ChangedOnDisk(const FileSystemPort& fs, const Target& t, const RecordInfo& info) {
  if (!t.path) return false;
  if (!info.stamp) return fs.FileExists(*t.path);  // the document was never read from it
  return !StampProves(fs, t, info);
}

String Question(const Target& t, const String& time, bool changed) {
  String text = (t.path ? Shown(ShownPath(t)) : String(u"A new document")) + u" has unsaved changes from " + time +
                u". Recover them?";
  if (changed) text += u" The file has changed on disk since then.";
  return text;
}

void Recover(const FileContext& f, const std::optional<String>& path, const std::string& bytes, Candidate& record) {
  f.recovery.Detach();  // the document it replaces keeps its own record
  Decoded decoded = Decode(bytes);
  f.txtMain.LoadText(std::move(decoded.text), std::move(decoded.forms));
  // The document's own encoding, not the one its recovered bytes read as (a record of text the
  // encoding cannot hold is kept in another): a write then keeps the file's bytes or refuses.
  f.state.file.format = TextFormat{record.summary.info.format.encoding, decoded.format.lineEnd};
  if (!path || !f.ports.fs.FileExists(*path)) f.state.file.stamp.reset();
  f.state.file.textIsFile = false;
  f.state.TextChanged = true;
  f.ports.statusBar.SetPanelText(panel::Message, u"Recovered");
  f.recovery.Adopt(Recovery::Source{f.txtMain, f.state.file, f.state.CurrentFile}, record.summary.folder,
                   std::move(record.hold));
}

// The record began as the very file just loaded, unchanged, in the same format: its edits can
// be made to the loaded document itself, without reading and decoding the file again.
bool BasedOnLoaded(const FileContext& f, const RecordInfo& info) {
  const std::optional<DiskStamp>& loaded = f.state.file.stamp;
  return info.fileBased && f.state.file.textIsFile && !f.state.TextChanged && loaded && info.stamp &&
         loaded->stamp == info.stamp->stamp && loaded->stamp.inodeChangedNs == info.stamp->stamp.inodeChangedNs &&
         loaded->hash == info.stamp->hash && f.state.file.format == info.format;
}

void RecoverOnLoaded(const FileContext& f, Candidate& record) {
  std::vector<TextModel::LoadEdit> edits;
  for (const LoggedEdit& e : record.summary.edits) edits.push_back({e.start, e.removed, e.inserted, e.forms});
  f.txtMain.LoadEdits(edits);
  f.state.file.textIsFile = false;
  f.state.TextChanged = true;
  f.ports.statusBar.SetPanelText(panel::Message, u"Recovered");
  f.recovery.Adopt(Recovery::Source{f.txtMain, f.state.file, f.state.CurrentFile}, record.summary.folder,
                   std::move(record.hold));
}

}  // namespace

String RecordTimeText(std::int64_t ns) {
  const std::time_t seconds = static_cast<std::time_t>(ns / 1000000000);
  const std::tm* local = std::localtime(&seconds);
  char text[32] = "?";
  if (local) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
  return Ascii(text);
}

bool OfferRecords(const FileContext& f, const std::optional<String>& path) {
  FileSystemPort& fs = f.ports.fs;
  PurgeDeclined(fs);
  Target target{path, std::nullopt, std::nullopt};
  if (path) {
    target.resolved = fs.Resolve(*path);
    target.stamp = fs.Stamp(*path);
    f.recovery.Named(*path, target.resolved);
  }
  for (Candidate& record : FindRecords(fs, target)) {
    RecoveryOffer offer{path, RecordTimeText(record.summary.changedNs), false, RecoveryOffer::Answer::NothingLost};
    try {
      const bool onLoaded = BasedOnLoaded(f, record.summary.info);
      const std::string bytes = onLoaded ? std::string() : RecordBytes(fs, record.summary);
      if (onLoaded ? record.summary.edits.empty() : NothingLost(fs, path, bytes)) {
        RemoveRecord(fs, record.summary.folder);
        f.recovery.Note(std::move(offer));
        continue;
      }
      offer.changedOnDisk = ChangedOnDisk(fs, target, record.summary.info);
      if (f.ports.messageBox.AskYesNo(Question(target, offer.time, offer.changedOnDisk))) {
        offer.answer = RecoveryOffer::Answer::Recovered;
        f.recovery.Note(std::move(offer));
        if (onLoaded)
          RecoverOnLoaded(f, record);
        else
          Recover(f, path, bytes, record);
        return true;
      }
      offer.answer = RecoveryOffer::Answer::Declined;
      f.recovery.Note(std::move(offer));
      // Under the time it was declined.
      MoveAside(fs, record.summary.folder, DeclinedFolder(fs), DeclinedName(fs.Now(), fs.FileName(record.summary.folder)));
    } catch (const FileError&) {
      // Left where it is, for another try.
    }
  }
  return false;
}

}  // namespace quilmar
