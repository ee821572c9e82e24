#include "files/record_writer.hh"

#include <exception>
#include <utility>

#include "files/encoding.hh"

namespace quilmar {

namespace {

// How long a job waits before it is written: long enough to gather a burst of keys into one
// synced append, short enough that a change is on disk well within two seconds.
constexpr std::chrono::milliseconds kDelay{500};
// A snapshot looks for edits to append after each this many bytes written (some milliseconds).
constexpr std::int64_t kServeBytes = 4 << 20;

}  // namespace

RecordWriter::RecordWriter(FileSystemPort& fs) : fs_(fs) {}

RecordWriter::~RecordWriter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void RecordWriter::Push(Job job) {
  job.queued = Clock::now();
  queue_.push_back(std::move(job));
  if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
  wake_.notify_one();  // the thread looks again at what is due first
}

void RecordWriter::Write(const String& folder, Snapshot snapshot) {
  Job job{Kind::Snapshot, folder, {}, std::move(snapshot), 0, {}, false, nullptr, {}};
  const std::lock_guard lock(mutex_);
  Push(std::move(job));
}

void RecordWriter::Log(const String& folder, std::int64_t segment, LoggedEdit edit) {
  const std::lock_guard lock(mutex_);
  // Edits gather in the last job while it waits: a burst of keys is one append.
  if (!queue_.empty()) {
    Job& last = queue_.back();
    if (last.kind == Kind::Edits && last.folder == folder && last.segment == segment) {
      last.edits.push_back(std::move(edit));
      return;
    }
  }
  Job job{Kind::Edits, folder, {}, {}, segment, {}, false, nullptr, {}};
  job.edits.push_back(std::move(edit));
  Push(std::move(job));
}

void RecordWriter::End(const String& folder, bool remove) {
  const std::lock_guard lock(mutex_);
  if (remove) {
    // What was not written yet need never be.
    std::erase_if(queue_, [&](const Job& j) { return j.folder == folder && (j.kind == Kind::Snapshot || j.kind == Kind::Edits); });
  }
  Push(Job{Kind::End, folder, {}, {}, 0, {}, remove, nullptr, {}});
}

void RecordWriter::Retire(const String& folder, std::unique_ptr<Hold> hold, const String& after) {
  const std::lock_guard lock(mutex_);
  Push(Job{Kind::Retire, folder, {}, {}, 0, {}, false, std::move(hold), after});
}

void RecordWriter::Flush() {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) return;
  flushing_ = true;
  wake_.notify_all();
  idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
  flushing_ = false;
}

std::optional<std::string> RecordWriter::TakeError() {
  const std::lock_guard lock(mutex_);
  return std::exchange(error_, std::nullopt);
}

void RecordWriter::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (queue_.empty()) {
      if (stopping_) break;
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      continue;
    }
    // A record that goes is removed at once: after a write of the file, a record older than
    // the file lasts only as long as its removal takes, should the editor be killed then.
    const Job& front = queue_.front();
    const Clock::time_point due = front.queued + (front.kind == Kind::End && front.remove ? Clock::duration{} : kDelay);
    if (!flushing_ && !stopping_ && Clock::now() < due) {
      // Woken early by a new job (a removal is due at once), a flush or the stop.
      wake_.wait_until(lock, due);
      continue;
    }
    Job job = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    RunNoting(job);
    job = Job{};  // the texts it shared go before the editor may want them to itself again
    lock.lock();
    busy_ = false;
    if (queue_.empty()) idle_.notify_all();
  }
  holds_.clear();
}

void RecordWriter::RunNoting(Job& job) {
  std::optional<std::string> failure;
  try {
    Run(job);
  } catch (const Cancelled&) {
    failedSnapshots_.erase(job.folder);  // the removal queued next takes what it left
  } catch (const std::exception& e) {
    failure = e.what();
  }
  const std::lock_guard lock(mutex_);
  if (failure && !failing_) error_ = failure;  // one report for a run of failures
  failing_ = failure.has_value();
}

void RecordWriter::ServeEdits(const String& folder) {
  for (;;) {
    Job job;
    {
      const std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      const Job& front = queue_.front();
      if (front.kind == Kind::End && front.remove && front.folder == folder) throw Cancelled{};
      if (front.kind != Kind::Edits || (!flushing_ && !stopping_ && Clock::now() < front.queued + kDelay)) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    RunNoting(job);
  }
}

void RecordWriter::Run(Job& job) {
  switch (job.kind) {
    case Kind::Snapshot:
      failedSnapshots_.insert(job.folder);
      WriteSnapshot(job.folder, job.snapshot);
      failedSnapshots_.erase(job.folder);
      break;
    case Kind::Edits: {
      std::string bytes;
      for (const LoggedEdit& e : job.edits) SerializeEdit(e, bytes);
      fs_.Append(fs_.Join(job.folder, Ascii(JournalName(job.segment))), bytes);
      break;
    }
    case Kind::End:
      if (job.remove) RemoveRecord(fs_, job.folder);
      holds_.erase(job.folder);
      failedSnapshots_.erase(job.folder);
      break;
    case Kind::Retire:
      // Kept (and unlocked, to be offered again) when the new record's snapshot failed: then
      // it is the only copy.
      if (!failedSnapshots_.count(job.after)) RemoveRecord(fs_, job.folder);
      job.hold.reset();
      break;
  }
}

void RecordWriter::WriteSnapshot(const String& folder, Snapshot& snapshot) {
  if (!holds_.count(folder)) {
    fs_.MakeFolder(folder);
    holds_[folder] = fs_.Lock(folder);
  }
  const std::int64_t seq = snapshot.info.seq;
  if (!snapshot.info.fileBased) EncodeSnapshot(folder, fs_.Join(folder, Ascii(SnapshotName(seq))), snapshot);
  // The info last: a snapshot counts only once it is there.
  fs_.WriteAll(fs_.Join(folder, Ascii(InfoName(seq))), SerializeInfo(snapshot.info));
  for (const String& name : fs_.List(folder)) {
    for (const char* kind : {"snapshot", "info", "journal"}) {
      const std::optional<std::int64_t> n = SeqOf(name, kind);
      if (n && *n < seq) fs_.Remove(fs_.Join(folder, name));
    }
  }
}

void RecordWriter::EncodeSnapshot(const String& folder, const String& path, Snapshot& snapshot) {
  // Streamed to the file a piece at a time, so a snapshot costs no copy of the document in
  // memory. Its bytes must decode to the text: where the document's own encoding would not give
  // it back, they are written again in the one that does (the first file is never named by an
  // info, and is replaced).
  std::vector<UnitSpan> views;
  views.reserve(snapshot.pieces.size());
  for (const SharedText& piece : snapshot.pieces) views.push_back(piece.View());
  TextFormat format = snapshot.info.format;
  for (;;) {
    std::int64_t bytes = 0, served = 0;
    ReadBack back;
    fs_.WriteWith(path, [&](const ByteWriter& write) {
      bytes = served = 0;
      back = Encode(views, format, snapshot.forms, [&](std::string_view piece) {
        write(piece);
        bytes += static_cast<std::int64_t>(piece.size());
        if (bytes - served >= kServeBytes) {
          served = bytes;
          ServeEdits(folder);
        }
      });
    });
    snapshot.info.bytes = bytes;
    const std::optional<Encoding> fallback = Fallback(format.encoding);
    if (back.sameText || !fallback) break;
    format.encoding = *fallback;
  }
  snapshot.pieces.clear();
}

}  // namespace quilmar
