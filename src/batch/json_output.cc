#include "json_output.hh"

#include <cstdio>

namespace quilmar::batch {

std::string JsonString(StringView text) {
  const std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 2);
  out.push_back('"');
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
  return out;
}

namespace {

// Writes "key": value pairs separated by commas.
class ObjectWriter {
 public:
  explicit ObjectWriter(std::string& out) : out_(out) { out_ += '{'; }
  void Raw(std::string_view key, const std::string& json) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '"';
    out_ += key;
    out_ += "\":";
    out_ += json;
  }
  void Text(std::string_view key, StringView value) { Raw(key, JsonString(value)); }
  void Bool(std::string_view key, bool value) { Raw(key, value ? "true" : "false"); }
  void Number(std::string_view key, long long value) { Raw(key, std::to_string(value)); }
  void End() { out_ += '}'; }

 private:
  std::string& out_;
  bool first_ = true;
};

std::string TextArray(const std::vector<String>& texts) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += ',';
    out += JsonString(texts[i]);
  }
  return out + "]";
}

const char* AnswerName(RecoveryOffer::Answer answer) {
  switch (answer) {
    case RecoveryOffer::Answer::Recovered: return "recovered";
    case RecoveryOffer::Answer::Declined: return "declined";
    case RecoveryOffer::Answer::NothingLost: break;
  }
  return "nothing lost";
}

std::string RecordsArray(const std::vector<RecoveryOffer>& records) {
  std::string out = "[";
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) out += ',';
    const RecoveryOffer& r = records[i];
    ObjectWriter o(out);
    o.Raw("path", r.path ? JsonString(*r.path) : std::string("null"));
    o.Text("time", r.time);
    o.Bool("changedOnDisk", r.changedOnDisk);
    o.Text("answer", Ascii(AnswerName(r.answer)));
    o.End();
  }
  return out + "]";
}

}  // namespace

std::string SnapshotJson(const Snapshot& s, bool omitText) {
  std::string out;
  ObjectWriter o(out);
  if (!omitText) o.Text("text", s.text);
  o.Number("selStart", s.selStart);
  o.Number("selLength", s.selLength);
  o.Bool("commandMode", s.commandMode);
  o.Bool("locked", s.locked);
  o.Bool("pendingDelete", s.pendingDelete);
  o.Raw("panels", TextArray(s.panels));
  o.Text("caption", s.caption);
  o.Text("currentFile", s.currentFile);
  o.Bool("textChanged", s.textChanged);
  o.Text("lastPattern", s.lastPattern);
  o.Number("searchPos", s.searchPos);
  o.Number("tabSpaces", s.tabSpaces);
  o.Bool("cmdStart", s.cmdStart);
  std::string checks;
  {
    ObjectWriter c(checks);
    for (const char* name : {"mnuWordWrap", "mnuFindCase", "mnuReplaceCase", "mnuStCmdMode"}) {
      const auto it = s.checks.find(name);
      c.Bool(name, it != s.checks.end() && it->second);
    }
    c.End();
  }
  o.Raw("checks", checks);
  o.Text("cmdText", s.cmdText);
  o.Number("cmdSelStart", s.cmdSelStart);
  o.Number("cmdSelLength", s.cmdSelLength);
  o.Text("focus", Ascii(s.focus));
  o.Text("clipboard", s.clipboard);
  o.Raw("messageBoxes", TextArray(s.messageBoxes));
  o.Bool("closed", s.closed);
  o.Number("lineCount", s.lineCount);
  o.Raw("helpText", s.helpText ? JsonString(*s.helpText) : std::string("null"));
  o.Raw("recoveryRecords", RecordsArray(s.recoveryRecords));
  o.End();
  return out;
}

}  // namespace quilmar::batch
