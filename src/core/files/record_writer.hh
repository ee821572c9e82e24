#pragma once
// The background half of the recovery record: one thread that writes what the editor hands it,
// in the order handed, half a second after it was handed over (a removal at once). So a burst
// of keys is one synced append, a record that goes again within that moment (a quick ":w")
// never reaches the disk, and the editor's thread never waits for the disk except when it
// asks to (Flush).
// The editor hands over shared texts (the document's immutable blocks, the edits' texts) and
// never touches them again; the thread only reads them.
// A snapshot of a big document takes seconds to write; edits that fall due meanwhile are
// appended to their journal between its pieces, so they too are on disk within a second. (A
// journal may so reach the disk before the snapshot it follows: until that snapshot is whole
// the record is the snapshot before it, followed by every journal after that one.)
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "files/recovery_record.hh"

namespace quilmar {

class RecordWriter {
 public:
  explicit RecordWriter(FileSystemPort& fs);
  ~RecordWriter();  // writes everything handed over, then stops
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  // The document as it stood after info.seq logged edits, in the pieces it is stored in.
  struct Snapshot {
    RecordInfo info;
    std::vector<SharedText> pieces;
    BreakRuns forms;
  };
  // Writes a snapshot (the folder is made and locked first if need be), then removes the older
  // snapshots and journals it makes unnecessary. A file-based one (info.fileBased) is its info
  // alone. A snapshot being written when its record is removed is given up.
  void Write(const String& folder, Snapshot snapshot);
  // Appends an edit to the journal of the snapshot numbered `segment`.
  void Log(const String& folder, std::int64_t segment, LoggedEdit edit);
  // The record is done with: removed (with whatever is still queued for it), or else left on
  // disk, unlocked, for a later run to offer.
  void End(const String& folder, bool remove);
  // Removes another record (whose lock `hold` is) once `after`'s snapshot queued before is on
  // disk: the record the document was recovered from lives on in the new one.
  void Retire(const String& folder, std::unique_ptr<Hold> hold, const String& after);
  // Waits until everything handed over is written and synced.
  void Flush();
  // The reason the last write failed, once per run of failures.
  std::optional<std::string> TakeError();

 private:
  using Clock = std::chrono::steady_clock;
  enum class Kind { Snapshot, Edits, End, Retire };
  struct Job {
    Kind kind;
    String folder;
    Clock::time_point queued;
    Snapshot snapshot;               // Snapshot
    std::int64_t segment = 0;        // Edits
    std::vector<LoggedEdit> edits;   // Edits
    bool remove = false;             // End
    std::unique_ptr<Hold> hold;      // Retire
    String after;                    // Retire
  };

  struct Cancelled {};  // thrown out of a snapshot whose record goes

  void Push(Job job);  // with the lock held
  void Loop();
  void Run(Job& job);
  // Runs a job and notes its failure, the lock not held.
  void RunNoting(Job& job);
  void WriteSnapshot(const String& folder, Snapshot& snapshot);
  void EncodeSnapshot(const String& folder, const String& path, Snapshot& snapshot);
  // Between a snapshot's pieces: appends the edits due, or throws Cancelled when the record
  // is to be removed.
  void ServeEdits(const String& folder);

  FileSystemPort& fs_;
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Job> queue_;
  bool busy_ = false, flushing_ = false, stopping_ = false;
  std::optional<std::string> error_;
  bool failing_ = false;
  // The thread's own: the records it holds locked, and those whose last snapshot failed.
  std::map<String, std::unique_ptr<Hold>> holds_;
  std::set<String> failedSnapshots_;
  std::thread thread_;  // started with the first job
};

}  // namespace quilmar
