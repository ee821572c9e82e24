#pragma once
// The recovery record of a document with unsaved changes, as it lies on disk, and reading it
// back. A record is a folder of its own below "<state>/recovery" holding
//   snapshot-S  the document's bytes as a write would produce them, after S logged edits;
//   info-S      what that snapshot was taken of: the path (as named and resolved), the time,
//               the file's stamp, the format; or, with no snapshot-S, that the document's
//               file as stamped is the snapshot (the record's start after a load or a write:
//               the first record of a big document costs no copy of it);
//   journal-S   the edits made after snapshot S, each appended and synced as it comes.
// The newest snapshot that has its info (written after the snapshot, so the pair is whole),
// followed by the journals' edits in order, is the document. Older snapshots and journals are
// removed only once a newer pair is on disk, so a record is whole at every moment: a writer
// killed half way leaves an older snapshot and every journal after it. A journal entry carries
// its own length and hash; a torn last entry is left out.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/disk_stamp.hh"
#include "files/text_format.hh"
#include "platform/file_system.hh"
#include "text/break_forms.hh"
#include "text/shared_text.hh"
#include "text/ustring.hh"

namespace quilmar {

// Where records live, where a record the user declined is moved (kept for a week), and where
// a record of an older form that cannot be told to be of the file being loaded is kept.
String RecordsFolder(const FileSystemPort& fs);
String DeclinedFolder(const FileSystemPort& fs);
String KeptFolder(const FileSystemPort& fs);
inline constexpr std::int64_t kDeclinedKeptNs = 7LL * 24 * 3600 * 1000000000;

struct RecordInfo {
  std::int64_t seq = 0;              // the logged edits the snapshot holds
  std::int64_t timeNs = 0;           // when it was taken (wall clock)
  std::optional<String> path;        // the document's file as named; none for a new document
  // The same file resolved (FileSystemPort::Resolve) when the document took that name; none in
  // a record of the older form, which named its file only as typed.
  std::optional<String> resolved;
  std::optional<DiskStamp> stamp;    // the file as the document last read or wrote it
  TextFormat format;                 // the document's own format (a write may pick another)
  std::int64_t bytes = 0;            // the snapshot's size
  // The snapshot is the document's file itself, as `stamp` says it was (it decodes to the
  // document before edit seq + 1); there is no snapshot file. Only while that file is unchanged
  // does the record hold anything.
  bool fileBased = false;
};

// One edit of the document: at `start`, `removed` characters became `inserted`, whose breaks
// take `forms` (Native: the line end of the record's format).
struct LoggedEdit {
  std::int64_t seq = 0;
  std::int64_t timeNs = 0;
  CharPos start = 0;
  CharPos removed = 0;
  SharedText inserted;
  BreakRuns forms;
};

// A declined record's folder name: the time it was declined, then its own name.
String DeclinedName(std::int64_t ns, StringView record);
std::optional<std::int64_t> DeclinedTime(StringView name);

std::string SnapshotName(std::int64_t seq);
std::string InfoName(std::int64_t seq);
std::string JournalName(std::int64_t seq);
// The sequence number of a record file of that kind ("snapshot", "info", "journal").
std::optional<std::int64_t> SeqOf(StringView name, std::string_view kind);

std::string SerializeInfo(const RecordInfo& info);
std::optional<RecordInfo> ParseInfo(std::string_view bytes);
// One journal entry, appended to `out`.
void SerializeEdit(const LoggedEdit& edit, std::string& out);
// The entries of a journal up to the first damaged one.
std::vector<LoggedEdit> ParseJournal(std::string_view bytes);

// A record as found on disk, without its snapshot's bytes: enough to ask about it.
struct RecordSummary {
  String folder;
  RecordInfo info;                 // of its newest whole snapshot
  std::vector<LoggedEdit> edits;   // the logged edits after it, in order
  std::int64_t changedNs = 0;      // the time of its last change
};

// Nothing when the folder holds no whole snapshot (a record whose first write never finished).
std::optional<RecordSummary> ReadSummary(const FileSystemPort& fs, const String& folder);
// Removes a record's folder with the record's files in it; anything else stays, and so does the
// folder then (see FileSystemPort::RemoveOwnFolder).
void RemoveRecord(FileSystemPort& fs, const String& folder);

// The file a file-based record's snapshot is, as it may be opened now.
String BaseFile(const RecordInfo& info);

// The document the record holds, as a write would produce it: the snapshot with the logged
// edits applied. Throws FileError when the snapshot cannot be read, or a file-based record's
// file has changed since.
std::string RecordBytes(const FileSystemPort& fs, const RecordSummary& record);

}  // namespace quilmar
