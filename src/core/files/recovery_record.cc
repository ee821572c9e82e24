#include "files/recovery_record.hh"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "files/encoding.hh"
#include "platform/measure.hh"
#include "text/document.hh"
#include "text/line_breaker.hh"
#include "text/tab_stops.hh"

namespace quilmar {

namespace {

// The older forms: 1 lacks the resolved path, 2 the base and the stamp's change time.
constexpr std::string_view kInfoMagic = "QUILMAR RECORD 3\n", kInfoMagic2 = "QUILMAR RECORD 2\n",
                           kInfoMagic1 = "QUILMAR RECORD 1\n";
// Journal entries: the older form (1) holds 32-bit positions, the newer (2) 64-bit ones and
// 64-bit break numbers.
constexpr std::uint32_t kOldEditMagic = 0x3145'4A51;  // "QJE1" little-endian
constexpr std::uint32_t kEditMagic = 0x3245'4A51;     // "QJE2"

// Little-endian fields into a byte string.
class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void I64(std::int64_t v) { U64(static_cast<std::uint64_t>(v)); }
  void Units(StringView text) {
    U32(static_cast<std::uint32_t>(text.size()));
    const std::size_t at = out_.size();
    out_.resize(at + 2 * text.size());
    char* p = out_.data() + at;
    for (char16_t c : text) {
      *p++ = static_cast<char>(c & 0xFF);
      *p++ = static_cast<char>(c >> 8);
    }
  }
  void Forms(const BreakRuns& forms) {
    U32(static_cast<std::uint32_t>(forms.size()));
    for (const BreakRun& r : forms) {
      I64(r.index);
      U8(static_cast<std::uint8_t>(r.form));
    }
  }

 private:
  std::string& out_;
};

// The same fields read back; any read past the end marks the reader as failed.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  bool Ok() const { return ok_; }
  std::size_t Left() const { return in_.size() - at_; }
  std::uint8_t U8() { return Need(1) ? static_cast<std::uint8_t>(in_[at_++]) : 0; }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(U8()) << (8 * i);
    return v;
  }
  std::uint64_t U64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(U8()) << (8 * i);
    return v;
  }
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  String Units() {
    const std::uint32_t n = U32();
    if (!Need(2 * std::size_t(n))) return {};
    String text(n, u'\0');
    for (std::uint32_t i = 0; i < n; ++i) {
      const auto lo = static_cast<unsigned char>(in_[at_ + 2 * i]);
      const auto hi = static_cast<unsigned char>(in_[at_ + 2 * i + 1]);
      text[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    at_ += 2 * std::size_t(n);
    return text;
  }
  // Break numbers of 32 bits (the older journal entries) or 64.
  BreakRuns Forms(bool wide) {
    const std::uint32_t n = U32();
    if (!Need((wide ? 9 : 5) * std::size_t(n))) return {};
    BreakRuns forms;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::int64_t index = wide ? I64() : static_cast<std::int32_t>(U32());
      const std::uint8_t form = U8();
      if (form > static_cast<std::uint8_t>(BreakForm::CR)) ok_ = false;
      forms.push_back({index, static_cast<BreakForm>(form)});
    }
    return forms;
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || Left() < n) ok_ = false;
    return ok_;
  }
  std::string_view in_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::uint64_t HashOf(std::string_view bytes) {
  ContentHash hash;
  hash.Add(bytes);
  return hash.Value();
}

// The same forms for a text whose own style is `to` instead of `from`: each break keeps the
// bytes it stands for.
BreakRuns Rebased(const BreakRuns& forms, BreakForm from, BreakForm to) {
  if (from == to) return forms;
  auto map = [&](BreakForm f) {
    if (f == BreakForm::Native) f = from;
    return f == to ? BreakForm::Native : f;
  };
  BreakRuns out;
  AddRun(out, 0, map(FormAt(forms, 0)));
  for (const BreakRun& r : forms)
    if (r.index > 0) AddRun(out, r.index, map(r.form));
  return out;
}

std::string Numbered(std::string_view kind, std::int64_t seq) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%020lld", static_cast<long long>(seq));
  return std::string(kind) + "-" + digits;
}

}  // namespace

String RecordsFolder(const FileSystemPort& fs) { return fs.Join(fs.StateFolder(), u"recovery"); }

String DeclinedFolder(const FileSystemPort& fs) { return fs.Join(fs.StateFolder(), u"recovery-declined"); }

String KeptFolder(const FileSystemPort& fs) { return fs.Join(fs.StateFolder(), u"recovery-kept"); }

String DeclinedName(std::int64_t ns, StringView record) {
  return Ascii(Numbered("declined", ns)) + u"-" + String(record);
}

std::optional<std::int64_t> DeclinedTime(StringView name) {
  constexpr std::size_t kPrefix = 8 + 21;  // "declined-" and 20 digits
  return SeqOf(name.substr(0, std::min(name.size(), kPrefix)), "declined");
}

std::string SnapshotName(std::int64_t seq) { return Numbered("snapshot", seq); }
std::string InfoName(std::int64_t seq) { return Numbered("info", seq); }
std::string JournalName(std::int64_t seq) { return Numbered("journal", seq); }

std::optional<std::int64_t> SeqOf(StringView name, std::string_view kind) {
  if (name.size() != kind.size() + 21 || name.substr(0, kind.size()) != Ascii(kind) || name[kind.size()] != u'-')
    return std::nullopt;
  std::int64_t seq = 0;
  for (char16_t c : name.substr(kind.size() + 1)) {
    if (c < u'0' || c > u'9') return std::nullopt;
    seq = seq * 10 + (c - u'0');
  }
  return seq;
}

std::string SerializeInfo(const RecordInfo& info) {
  std::string out(kInfoMagic);
  Writer w(out);
  w.I64(info.seq);
  w.I64(info.timeNs);
  w.U8(info.path.has_value());
  w.Units(info.path.value_or(String()));
  w.U8(info.resolved.has_value());
  w.Units(info.resolved.value_or(String()));
  w.U8(info.stamp.has_value());
  if (info.stamp) {
    const DiskStamp& s = *info.stamp;
    w.Units(s.path);
    w.U64(s.stamp.device);
    w.U64(s.stamp.inode);
    w.I64(s.stamp.size);
    w.I64(s.stamp.modifiedNs);
    w.U8(s.hash.has_value());
    w.U64(s.hash.value_or(0));
    w.I64(s.stamp.inodeChangedNs);
  }
  w.U8(static_cast<std::uint8_t>(info.format.encoding));
  w.U8(static_cast<std::uint8_t>(info.format.lineEnd));
  w.I64(info.bytes);
  w.U8(info.fileBased);
  w.U64(HashOf(out));
  return out;
}

std::optional<RecordInfo> ParseInfo(std::string_view bytes) {
  static_assert(kInfoMagic.size() == kInfoMagic1.size() && kInfoMagic.size() == kInfoMagic2.size());
  if (bytes.size() < kInfoMagic.size() + 8) return std::nullopt;
  const std::string_view magic = bytes.substr(0, kInfoMagic.size());
  if (magic != kInfoMagic && magic != kInfoMagic2 && magic != kInfoMagic1) return std::nullopt;
  const bool v3 = magic == kInfoMagic;
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  Reader hash(bytes.substr(body.size()));
  if (hash.U64() != HashOf(body)) return std::nullopt;
  Reader r(body.substr(kInfoMagic.size()));
  RecordInfo info;
  info.seq = r.I64();
  info.timeNs = r.I64();
  const bool hasPath = r.U8() != 0;
  String path = r.Units();
  if (hasPath) info.path = std::move(path);
  if (magic != kInfoMagic1) {
    const bool hasResolved = r.U8() != 0;
    String resolved = r.Units();
    if (hasResolved) info.resolved = std::move(resolved);
  }
  if (r.U8() != 0) {
    DiskStamp s;
    s.path = r.Units();
    s.stamp.device = r.U64();
    s.stamp.inode = r.U64();
    s.stamp.size = r.I64();
    s.stamp.modifiedNs = r.I64();
    const bool hashed = r.U8() != 0;
    const std::uint64_t value = r.U64();
    if (hashed) s.hash = value;
    if (v3) s.stamp.inodeChangedNs = r.I64();
    info.stamp = std::move(s);
  }
  const std::uint8_t encoding = r.U8(), lineEnd = r.U8();
  if (encoding > static_cast<std::uint8_t>(kLastEncoding) || lineEnd > static_cast<std::uint8_t>(LineEnd::CR))
    return std::nullopt;
  info.format = TextFormat{static_cast<Encoding>(encoding), static_cast<LineEnd>(lineEnd)};
  info.bytes = r.I64();
  if (v3) info.fileBased = r.U8() != 0;
  if (!r.Ok() || r.Left() != 0 || (info.fileBased && !info.stamp)) return std::nullopt;
  return info;
}

void SerializeEdit(const LoggedEdit& edit, std::string& out) {
  std::string payload;
  payload.reserve(48 + 2 * edit.inserted.size());
  Writer p(payload);
  p.I64(edit.seq);
  p.I64(edit.timeNs);
  p.I64(edit.start.value());
  p.I64(edit.removed.value());
  p.Forms(edit.forms);
  p.Units(edit.inserted.ToString());
  Writer w(out);
  w.U32(kEditMagic);
  w.U64(payload.size());
  out += payload;
  w.U64(HashOf(payload));
}

std::vector<LoggedEdit> ParseJournal(std::string_view bytes) {
  constexpr std::size_t kHead = 12, kTail = 8;  // magic and size; hash
  std::vector<LoggedEdit> edits;
  for (std::size_t at = 0; bytes.size() - at >= kHead + kTail;) {
    Reader head(bytes.substr(at, kHead));
    const std::uint32_t magic = head.U32();
    if (magic != kEditMagic && magic != kOldEditMagic) break;
    const bool wide = magic == kEditMagic;
    const std::uint64_t size = head.U64();
    if (size > bytes.size() - at - kHead - kTail) break;
    const std::string_view payload = bytes.substr(at + kHead, size);
    if (Reader(bytes.substr(at + kHead + size, kTail)).U64() != HashOf(payload)) break;
    Reader p(payload);
    LoggedEdit e;
    e.seq = p.I64();
    e.timeNs = p.I64();
    e.start = wide ? p.I64() : std::int64_t(p.U32());
    e.removed = wide ? p.I64() : std::int64_t(p.U32());
    e.forms = p.Forms(wide);
    e.inserted = SharedText(p.Units());
    if (!p.Ok() || p.Left() != 0) break;
    edits.push_back(std::move(e));
    at += kHead + size + kTail;
  }
  return edits;
}

std::optional<RecordSummary> ReadSummary(const FileSystemPort& fs, const String& folder) {
  std::vector<String> names = fs.List(folder);
  std::sort(names.begin(), names.end());  // the numbers are padded: name order is number order
  std::optional<RecordSummary> found;
  for (auto it = names.rbegin(); it != names.rend() && !found; ++it) {
    const std::optional<std::int64_t> seq = SeqOf(*it, "info");
    if (!seq) continue;
    try {
      std::optional<RecordInfo> info = ParseInfo(fs.ReadAll(fs.Join(folder, *it)));
      const String snapshot = fs.Join(folder, Ascii(SnapshotName(*seq)));
      if (!info || info->seq != *seq) continue;
      if (!info->fileBased && (!fs.FileExists(snapshot) || fs.FileSize(snapshot) != info->bytes)) continue;
      found = RecordSummary{folder, std::move(*info), {}, info->timeNs};
    } catch (const FileError&) {
      // Unreadable: an older pair may still do.
    }
  }
  if (!found) return std::nullopt;
  // Every journal from the snapshot's on, oldest first; the edits must follow one another
  // without a gap, so a journal whose writing failed ends the record there.
  std::int64_t next = found->info.seq + 1;
  for (const String& name : names) {
    const std::optional<std::int64_t> base = SeqOf(name, "journal");
    if (!base || *base < found->info.seq) continue;
    std::vector<LoggedEdit> edits;
    try {
      edits = ParseJournal(fs.ReadAll(fs.Join(folder, name)));
    } catch (const FileError&) {
      break;
    }
    bool gap = false;
    for (LoggedEdit& e : edits) {
      if (e.seq < next) continue;
      if (e.seq > next) {
        gap = true;
        break;
      }
      found->changedNs = std::max(found->changedNs, e.timeNs);
      found->edits.push_back(std::move(e));
      ++next;
    }
    if (gap) break;
  }
  return found;
}

void RemoveRecord(FileSystemPort& fs, const String& folder) {
  fs.RemoveOwnFolder(folder, [](StringView name) {
    return SeqOf(name, "snapshot") || SeqOf(name, "info") || SeqOf(name, "journal");
  });
}

String BaseFile(const RecordInfo& info) {
  if (info.resolved) return *info.resolved;
  return info.stamp ? info.stamp->path : String();
}

std::string RecordBytes(const FileSystemPort& fs, const RecordSummary& record) {
  Decoded decoded;
  if (record.info.fileBased) {
    // Read and decoded as a load reads it, and only while it is the file the record began with.
    const String base = BaseFile(record.info);
    const DiskStamp& stamp = *record.info.stamp;
    if (!UnchangedOnDisk(fs, DiskStamp{base, stamp.stamp, stamp.hash}))
      throw FileError(base, "the file the record began with has changed");
    const std::unique_ptr<ByteSource> source = fs.OpenRead(base);
    decoded = std::move(*Decode(*source));
  } else {
    std::string snapshot = fs.ReadAll(fs.Join(record.folder, Ascii(SnapshotName(record.info.seq))));
    if (record.edits.empty()) return snapshot;
    decoded = Decode(snapshot);
  }
  // The edits replay on the text the snapshot decodes to. Its style is the one its bytes use
  // most, which may differ from the document's own (the style the logged forms are relative
  // to), so each edit's forms are rebased; the document's encoding is used again to write.
  CellMeasure measure(0, 0);  // no width: nothing wraps, the layout costs next to nothing
  TabStops tabs;
  LineBreaker breaker(measure, tabs);
  Document document(breaker);
  if (!document.Assign(std::move(decoded.text), std::move(decoded.forms)))
    throw FileError(record.folder, "a line of the record's snapshot is too long");
  const BreakForm logged = FormOf(record.info.format.lineEnd), own = FormOf(decoded.format.lineEnd);
  for (const LoggedEdit& e : record.edits)
    document.Replace(e.start, e.removed, e.inserted, Rebased(e.forms, logged, own));
  const std::vector<UnitSpan> pieces = document.Pieces();
  return Encode(pieces, TextFormat{record.info.format.encoding, decoded.format.lineEnd}, document.Forms()).bytes;
}

}  // namespace quilmar
