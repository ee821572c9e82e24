#pragma once
// Unsaved work survives a closed window, a crash and a power cut: while the document has
// changes that are not on disk, a recovery record of it is kept in the user's state folder
// (recovery_record.hh), and a later load offers the record back (recovery_offer.hh).
//
// The cost of a key does not grow with the document: the record starts with a snapshot of the
// document (captured as the shared blocks it is stored in, encoded and written by the writer's
// thread), and every edit after it is only logged (its position and its text, appended to a
// journal). A new snapshot is taken when the journal has grown to half the document.
// A record of a big document (4 Mi units and more) that starts at the first edit after a load
// or a write starts from the file instead (named by its stamp, nothing copied), so it is on
// disk at once however big the document is;
// a full snapshot follows some seconds later (or when the window closes), for the file may
// change. A document replaced by a load meanwhile leaves its record as it is: of the file.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "files/file_context.hh"
#include "files/record_writer.hh"

namespace quilmar {

// A record found when a document was loaded, and what became of it (for quilmar-batch's report).
struct RecoveryOffer {
  enum class Answer { Recovered, Declined, NothingLost };
  std::optional<String> path;  // none: a new document's
  String time;                 // its last change, as the question shows it
  bool changedOnDisk = false;
  Answer answer = Answer::NothingLost;  // NothingLost: the same as the file (or empty), not asked
};

class Recovery {
 public:
  explicit Recovery(FileSystemPort& fs);

  // What a record is taken of: the document, what is known of its file, and its path.
  struct Source {
    const TextModel& text;
    const DocumentFile& file;
    const String& path;
  };

  // Every edit of the document (TextModel::Edited). The first one after a load or a write
  // starts a record.
  void Edited(const Source& source, CharPos start, CharPos removed, const SharedText& inserted,
              const BreakRuns& forms);
  // At the end of every event: a document that got a new path or format is snapshot again
  // (so is one whose last snapshot failed, now and then); a failure of the writer comes back
  // once, as a line for the message panel.
  std::optional<String> AfterEvent(const Source& source);
  // The loss is impossible or wanted (the whole document written, ":q!", a document without
  // changes closed): the record goes.
  void Clear();
  // The document is about to be replaced (a load, File Close): its record stays on disk for a
  // later offer. Waits until it is written.
  void Detach();
  // The window closes: waits until the record is written and synced.
  void Flush(const Source& source);
  // The document was recovered from a record (whose lock is `hold`): a record of it starts at
  // once, and the old one is removed when the new one is on disk.
  void Adopt(const Source& source, const String& folder, std::unique_ptr<Hold> hold);

  // The document now stands for the file `path`, which resolves (FileSystemPort::Resolve) to
  // `resolved`: its records name it so. A load says so as it happens; a document named another
  // way (a write under a new name) is resolved at its next snapshot.
  void Named(const String& path, std::optional<String> resolved);

  // The records found at loads so far.
  const std::vector<RecoveryOffer>& Offers() const { return offers_; }
  void Note(RecoveryOffer offer) { offers_.push_back(std::move(offer)); }

 private:
  void Start(const Source& source);
  // Starts a record from the document's file, with `first` its first logged edit; false when
  // the document before that edit was not what the file holds.
  bool StartFromFile(const Source& source, LoggedEdit first);
  RecordInfo Info(const Source& source);  // of a snapshot taken now
  void Snapshot(const Source& source);

  FileSystemPort& fs_;
  std::optional<String> folder_;  // the record being kept, if any
  std::int64_t seq_ = 0;          // edits logged since it started
  std::int64_t segment_ = 0;      // the seq of its last snapshot: later edits go to that journal
  std::int64_t journalBytes_ = 0; // logged since that snapshot
  String shotPath_;               // what that snapshot was taken as
  String namedPath_;              // the path last Named, and what it resolved to
  std::optional<String> resolved_;
  TextFormat shotFormat_;
  bool retry_ = false;            // a write failed: snapshot again (not before retryAt_)
  std::int64_t retryAt_ = 0;
  std::optional<std::int64_t> fullShotAt_;  // a record started from the file: its full snapshot's time
  std::vector<RecoveryOffer> offers_;
  RecordWriter writer_;           // last: its thread stops before the rest goes
};

}  // namespace quilmar
