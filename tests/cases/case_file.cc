#include "case_file.hh"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>

namespace quilmar::testing {

namespace {

constexpr std::array<std::string_view, 19> kFields = {
    "in", "clipboard", "keys", "out", "message", "mode", "position", "copied", "commandMode", "locked",
    "pendingDelete", "textChanged", "closed", "focus", "cmdText", "searchPos", "cols", "headless",
    "case"};

}  // namespace

std::optional<std::string> Case::Field(const std::string& field) const {
  const auto it = fields.find(field);
  if (it == fields.end()) return std::nullopt;
  return it->second;
}

CaseFile ReadCaseFile(const std::string& path) {
  CaseFile out;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    out.error = path + ": cannot be read";
    return out;
  }
  const auto fail = [&](int line, const std::string& what) {
    out.cases.clear();
    out.error = path + ":" + std::to_string(line) + ": " + what;
    return out;
  };
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty() || text[0] == '#') continue;
    const std::size_t colon = text.find(':');
    const std::string field = text.substr(0, colon);
    if (colon == std::string::npos || std::find(kFields.begin(), kFields.end(), field) == kFields.end())
      return fail(number, "expected \"field: value\" with a known field, got \"" + text + "\"");
    std::string value = text.substr(colon + 1);
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    if (field == "case") {
      out.cases.push_back(Case{path, number, value, {}, {}});
      continue;
    }
    if (out.cases.empty()) return fail(number, "a field before the first \"case:\"");
    Case& current = out.cases.back();
    if (!current.fields.emplace(field, value).second) return fail(number, "\"" + field + "\" given twice");
    current.fieldLines[field] = number;
  }
  return out;
}

std::string Unescape(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 's' ? ' ' : next;
  }
  return out;
}

}  // namespace quilmar::testing
