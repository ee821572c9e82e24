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

// Declined records are named by the time they were declined; after a week they go.
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

// The records of this path (or of new documents) that no running editor holds, newest first.
std::vector<Candidate> FindRecords(FileSystemPort& fs, const std::optional<String>& path) {
  std::vector<Candidate> found;
  const String records = RecordsFolder(fs);
  for (const String& name : fs.List(records)) {
    const String folder = fs.Join(records, name);
    try {
      std::unique_ptr<Hold> hold = fs.Lock(folder);
      if (!hold) continue;  // a running editor keeps it
      std::optional<RecordSummary> summary = ReadSummary(fs, folder);
      if (!summary || summary->info.path != path) continue;
      found.push_back(Candidate{std::move(*summary), std::move(hold)});
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

bool ChangedOnDisk(const FileSystemPort& fs, const std::optional<String>& path, const RecordInfo& info) {
  if (!path) return false;
  if (!info.stamp) return fs.FileExists(*path);  // the document was never read from it
  return !UnchangedOnDisk(fs, *info.stamp);
}

String Question(const std::optional<String>& path, const String& time, bool changed) {
  String text = (path ? Shown(*path) : String(u"A new document")) + u" has unsaved changes from " + time +
                u". Recover them?";
  if (changed) text += u" The file has changed on disk since then.";
  return text;
}

// The declined record goes aside under the time it was declined, out of the offers' way.
void MoveAside(FileSystemPort& fs, const String& folder) {
  const String declined = DeclinedFolder(fs);
  fs.MakeFolder(declined);
  fs.Rename(folder, fs.Join(declined, DeclinedName(fs.Now(), fs.FileName(folder))));
}

void Recover(const FileContext& f, const std::optional<String>& path, const std::string& bytes, Candidate& record) {
  f.recovery.Detach();  // the document it replaces keeps its own record
  Decoded decoded = Decode(bytes);
  f.txtMain.LoadText(std::move(decoded.text), std::move(decoded.forms));
  // The document's own encoding, not the one its recovered bytes read as (a record of text the
  // encoding cannot hold is kept in another): a write then keeps the file's bytes or refuses.
  f.file.format = TextFormat{record.summary.info.format.encoding, decoded.format.lineEnd};
  if (!path || !f.fs.FileExists(*path)) f.file.stamp.reset();
  f.modHeader.TextChanged = true;
  f.statusBar.SetPanelText(panel::Message, u"Recovered");
  f.recovery.Adopt(Recovery::Source{f.txtMain, f.file, f.modHeader.CurrentFile}, record.summary.folder,
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
  FileSystemPort& fs = f.fs;
  PurgeDeclined(fs);
  for (Candidate& record : FindRecords(fs, path)) {
    RecoveryOffer offer{path, RecordTimeText(record.summary.changedNs), false, RecoveryOffer::Answer::NothingLost};
    try {
      const std::string bytes = RecordBytes(fs, record.summary);
      if (NothingLost(fs, path, bytes)) {
        RemoveRecord(fs, record.summary.folder);
        f.recovery.Note(std::move(offer));
        continue;
      }
      offer.changedOnDisk = ChangedOnDisk(fs, path, record.summary.info);
      if (f.messageBox.AskYesNo(Question(path, offer.time, offer.changedOnDisk))) {
        offer.answer = RecoveryOffer::Answer::Recovered;
        f.recovery.Note(std::move(offer));
        Recover(f, path, bytes, record);
        return true;
      }
      offer.answer = RecoveryOffer::Answer::Declined;
      f.recovery.Note(std::move(offer));
      MoveAside(fs, record.summary.folder);
    } catch (const FileError&) {
      // Left where it is, for another try.
    }
  }
  return false;
}

}  // namespace quilmar
