#include "files/recovery.hh"

#include <algorithm>
#include <cstdio>
#include <random>

namespace quilmar {

namespace {

// A journal this much larger than the document (in bytes, at least this much) calls for a new
// snapshot, which keeps the record within a few times the document and its replay short.
constexpr std::int64_t kMinJournalBytes = 1 << 20;
// After a failed write, how long before the next snapshot is tried.
constexpr std::int64_t kRetryNs = 5'000'000'000;
// How long a record started from the file waits for its full snapshot: a quick edit and write
// of a big file never copies it, while a longer session gets a record of its own soon.
constexpr std::int64_t kFullSnapshotNs = 5'000'000'000;
// Documents from this many units on start their record from the file. A smaller one's snapshot
// is on disk within a fraction of a second, and such a record does not depend on the file
// staying as it is.
constexpr std::int64_t kFileBasedUnits = 4 << 20;

// A folder name no other record (of this run or another) has: the time and a random number.
String NewRecordName(std::int64_t now) {
  static std::mt19937_64 random{std::random_device{}()};
  char name[48];
  std::snprintf(name, sizeof name, "%016llx-%016llx", static_cast<unsigned long long>(now),
                static_cast<unsigned long long>(random()));
  return Ascii(name);
}

}  // namespace

Recovery::Recovery(FileSystemPort& fs) : fs_(fs), writer_(fs) {}

void Recovery::Start(const Source& source) {
  folder_ = fs_.Join(RecordsFolder(fs_), NewRecordName(fs_.Now()));
  seq_ = 0;
  Snapshot(source);
}

bool Recovery::StartFromFile(const Source& source, LoggedEdit first) {
  // Before this edit the document was its file as stamped: the record's first snapshot is that
  // file, named by its stamp, and the edit its journal's first entry, both on disk half a second
  // later whatever the document's size. That record lasts only while the file is unchanged, so
  // a full snapshot follows, at the first event some seconds later or when the window closes.
  const DocumentFile& file = source.file;
  if (!file.textIsFile || !file.stamp || source.path.empty() || file.stamp->path != source.path ||
      source.text.Length() < kFileBasedUnits)
    return false;
  folder_ = fs_.Join(RecordsFolder(fs_), NewRecordName(fs_.Now()));
  seq_ = 0;
  RecordWriter::Snapshot base;
  base.info = Info(source);
  base.info.fileBased = true;
  writer_.Write(*folder_, std::move(base));
  first.seq = ++seq_;
  writer_.Log(*folder_, 0, std::move(first));
  segment_ = 0;
  journalBytes_ = 0;
  shotPath_ = source.path;
  shotFormat_ = source.file.format;
  retry_ = false;
  fullShotAt_ = fs_.Now() + kFullSnapshotNs;
  return true;
}

RecordInfo Recovery::Info(const Source& source) {
  RecordInfo info;
  info.seq = seq_;
  info.timeNs = fs_.Now();
  if (!source.path.empty()) info.path = source.path;
  if (source.path != namedPath_) Named(source.path, source.path.empty() ? std::nullopt : fs_.Resolve(source.path));
  info.resolved = resolved_;
  info.stamp = source.file.stamp;
  info.format = source.file.format;
  return info;
}

// Captured here, cheaply: the document's pieces as shared texts (its blocks are shared as they
// are; only edited paragraphs are copied) and its breaks' forms. The writer's thread encodes
// and writes them.
void Recovery::Snapshot(const Source& source) {
  RecordWriter::Snapshot shot;
  shot.info = Info(source);
  CharPos at = 0;
  for (UnitSpan piece : source.text.Pieces()) {
    shot.pieces.push_back(source.text.Share(at, static_cast<CharPos>(piece.size())));
    at += static_cast<CharPos>(piece.size());
  }
  shot.forms = source.text.BreakForms();
  writer_.Write(*folder_, std::move(shot));
  segment_ = seq_;
  journalBytes_ = 0;
  shotPath_ = source.path;
  shotFormat_ = source.file.format;
  retry_ = false;
  fullShotAt_.reset();
}

void Recovery::Edited(const Source& source, CharPos start, CharPos removed, const SharedText& inserted,
                      const BreakRuns& forms) {
  if (!folder_ && StartFromFile(source, LoggedEdit{0, fs_.Now(), start, removed, inserted, forms})) return;
  if (!folder_) return Start(source);  // the snapshot holds this edit already
  LoggedEdit edit{++seq_, fs_.Now(), start, removed, inserted, forms};
  journalBytes_ += 56 + 2 * static_cast<std::int64_t>(inserted.size()) + 9 * static_cast<std::int64_t>(forms.size());
  writer_.Log(*folder_, segment_, std::move(edit));
  if (journalBytes_ > std::max<std::int64_t>(kMinJournalBytes, source.text.Length().value())) Snapshot(source);
}

std::optional<String> Recovery::AfterEvent(const Source& source) {
  if (folder_ && (source.path != shotPath_ || source.file.format != shotFormat_ || (retry_ && fs_.Now() >= retryAt_) ||
                  (fullShotAt_ && fs_.Now() >= *fullShotAt_)))
    Snapshot(source);
  std::optional<std::string> error = writer_.TakeError();
  if (!error) return std::nullopt;
  retry_ = true;
  retryAt_ = fs_.Now() + kRetryNs;
  return u"Can't write the recovery record: " + FromUtf8(*error);
}

void Recovery::Named(const String& path, std::optional<String> resolved) {
  namedPath_ = path;
  resolved_ = std::move(resolved);
}

void Recovery::Clear() {
  if (folder_) writer_.End(*folder_, true);
  folder_.reset();
  fullShotAt_.reset();
}

void Recovery::Detach() {
  if (!folder_) return;
  writer_.End(*folder_, false);
  folder_.reset();
  fullShotAt_.reset();
  writer_.Flush();
}

void Recovery::Flush(const Source& source) {
  if (folder_ && (source.path != shotPath_ || source.file.format != shotFormat_ || fullShotAt_)) Snapshot(source);
  writer_.Flush();
}

void Recovery::Adopt(const Source& source, const String& folder, std::unique_ptr<Hold> hold) {
  Clear();
  Start(source);
  writer_.Retire(folder, std::move(hold), *folder_);
}

}  // namespace quilmar
