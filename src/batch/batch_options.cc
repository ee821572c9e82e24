#include "batch_options.hh"

#include <array>
#include <charconv>
#include <functional>

namespace quilmar::batch {

const char* const kBatchUsage =
    "usage: quilmar-batch [options] [--] [FILE...]\n"
    "  --keys SCRIPT        keys and events to deliver (repeatable, run in order)\n"
    "  --keys-file PATH     the same, read from a file\n"
    "  --home DIR           the program folder (default: a new temporary folder)\n"
    "  --cols N, --rows N   the document's visible size in cells (default 80 x 25)\n"
    "  --dialog PATH|cancel the next open or save dialog's answer (repeatable)\n"
    "  --dialog font:NAME,SIZE[,bold][,italic] | font:cancel\n"
    "                       the next font dialog's answer (repeatable)\n"
    "  --answer yes|no      the next Yes/No question's answer (repeatable; none: Yes)\n"
    "  --clipboard TEXT     the clipboard's text at start\n"
    "  --omit-text          leave the document's text out of the output\n"
    "  --progress FILE      at each <wait:MS>, append how many pauses were reached\n"
    "  --qt                 run the script through the real window\n"
    "Prints the editor's final state as one JSON object. See docs/batch.md.\n";

namespace {

std::optional<int> PositiveNumber(const std::string& text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
  return value;
}

// "NAME,SIZE[,bold][,italic]": the name may hold no comma; the size is in points.
std::optional<FontSpec> ReadFont(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (fields.size() < 2 || fields[0].empty()) return std::nullopt;
  FontSpec font;
  font.name = FromUtf8(fields[0]);
  try {
    std::size_t used = 0;
    font.size = std::stod(fields[1], &used);
    if (used != fields[1].size() || !(font.size > 0)) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  for (std::size_t i = 2; i < fields.size(); ++i) {
    if (fields[i] == "bold") font.bold = true;
    else if (fields[i] == "italic") font.italic = true;
    else return std::nullopt;
  }
  return font;
}

// An option that takes a value, and what it does with it (an error text, or nothing).
struct ValueOption {
  std::string_view name;
  std::function<std::optional<std::string>(BatchOptions&, const std::string&)> apply;
};

const std::array<ValueOption, 9>& ValueOptions() {
  static const std::array<ValueOption, 9> options{{
      {"--keys", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         o.scripts.push_back({false, v});
         return std::nullopt;
       }},
      {"--keys-file", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         o.scripts.push_back({true, v});
         return std::nullopt;
       }},
      {"--home", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         if (v.empty()) return "--home needs a folder";
         o.run.home = v;
         return std::nullopt;
       }},
      {"--cols", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         auto n = PositiveNumber(v);
         if (!n) return "--cols needs a positive number, not \"" + v + "\"";
         o.run.cols = *n;
         return std::nullopt;
       }},
      {"--rows", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         auto n = PositiveNumber(v);
         if (!n) return "--rows needs a positive number, not \"" + v + "\"";
         o.run.rows = *n;
         return std::nullopt;
       }},
      {"--dialog", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         if (v.rfind("font:", 0) == 0) {
           const std::string font = v.substr(5);
           if (font == "cancel") {
             o.run.fontDialogs.push_back(std::nullopt);
             return std::nullopt;
           }
           auto spec = ReadFont(font);
           if (!spec) return "--dialog font: needs NAME,SIZE[,bold][,italic], not \"" + font + "\"";
           o.run.fontDialogs.push_back(*spec);
           return std::nullopt;
         }
         if (v.empty()) return "--dialog needs a path or \"cancel\"";
         if (v == "cancel") o.run.dialogs.push_back(std::nullopt);
         else o.run.dialogs.push_back(FromUtf8(v));
         return std::nullopt;
       }},
      {"--answer", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         if (v == "yes") o.run.answers.push_back(true);
         else if (v == "no") o.run.answers.push_back(false);
         else return "--answer needs yes or no, not \"" + v + "\"";
         return std::nullopt;
       }},
      {"--progress", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         if (v.empty()) return "--progress needs a file";
         o.progress = v;
         return std::nullopt;
       }},
      {"--clipboard", [](BatchOptions& o, const std::string& v) -> std::optional<std::string> {
         o.run.clipboard = FromUtf8(v);
         return std::nullopt;
       }},
  }};
  return options;
}

struct FlagOption {
  std::string_view name;
  bool BatchOptions::*flag;
};

constexpr std::array<FlagOption, 4> kFlags{{
    {"--omit-text", &BatchOptions::omitText},
    {"--qt", &BatchOptions::qt},
    {"--help", &BatchOptions::help},
    {"-h", &BatchOptions::help},
}};

}  // namespace

ParsedOptions ParseBatchOptions(const std::vector<std::string>& args) {
  ParsedOptions out;
  BatchOptions& o = out.options;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    bool known = false;
    for (const auto& flag : kFlags)
      if (arg == flag.name) {
        o.*flag.flag = true;
        known = true;
      }
    for (const auto& option : ValueOptions()) {
      if (known || arg != option.name) continue;
      known = true;
      if (i + 1 >= args.size()) {
        out.error = arg + " needs a value";
        return out;
      }
      if (auto error = option.apply(o, args[++i])) {
        out.error = *error;
        return out;
      }
    }
    if (!known) {
      out.error = "unknown option " + arg + " (try --help)";
      return out;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i > 0) o.commandLine += u' ';
    o.commandLine += FromBytesEscaped(files[i]);  // a file name's bytes, UTF-8 or not
  }
  return out;
}

}  // namespace quilmar::batch
