#include "files/settings.hh"

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "app/like_match.hh"
#include "app/options.hh"
#include "text/document.hh"
#include "files/encoding.hh"

namespace quilmar {

namespace {

constexpr char16_t kSettingsName[] = u"quilmar.ini";

// Exact "True": the four letters with these capitals; anything else is false.
bool ExactTrue(StringView value) { return value == u"True"; }

String BooleanText(bool value) { return value ? u"True" : u"False"; }

// Applies one recognised line's value; false is a failure that ends the reading.
using Apply = bool (*)(const SettingsContext&, StringView value);

bool ApplyStartIn(const SettingsContext& c, StringView value) {
  c.startFolder = String(value);
  return true;
}

bool ApplyCheck(const SettingsContext& c, MenuItem item, StringView value) {
  const std::optional<bool> on = ToBoolean(value);
  if (!on) return false;
  c.options.SetCaseOption(item, *on);
  return true;
}

bool ApplyFindCase(const SettingsContext& c, StringView value) { return ApplyCheck(c, MenuItem::mnuFindCase, value); }

bool ApplyReplaceCase(const SettingsContext& c, StringView value) { return ApplyCheck(c, MenuItem::mnuReplaceCase, value); }

bool ApplyWordWrap(const SettingsContext& c, StringView value) {
  c.options.SetWordWrap(ExactTrue(value));
  return true;
}

bool ApplyTabSpaces(const SettingsContext& c, StringView value) {
  c.options.SetTabSpaces(static_cast<std::int16_t>(value[0] - u'0'));  // the pattern made it one digit
  return true;
}

std::vector<StringView> SplitAtCommas(StringView value) {
  std::vector<StringView> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = value.find(u',', start);
    fields.push_back(value.substr(start, comma == StringView::npos ? StringView::npos : comma - start));
    if (comma == StringView::npos) return fields;
    start = comma + 1;
  }
}

// The dialog's values are set one by one, so a field that fails leaves the earlier ones set in
// the dialog while the document keeps its font.
bool ApplyFont(const SettingsContext& c, StringView value) {
  const std::vector<StringView> fields = SplitAtCommas(value);  // four or more: the pattern
  FontSpec dialog = c.options.DialogFont();
  const auto failed = [&] {
    c.options.RememberFont(dialog);
    return false;
  };
  dialog.name = String(fields[0]);
  const std::optional<bool> bold = ToBoolean(fields[1]);
  if (!bold) return failed();
  dialog.bold = *bold;
  const std::optional<bool> italic = ToBoolean(fields[2]);
  if (!italic) return failed();
  dialog.italic = *italic;
  const std::optional<double> size = ToNumber(fields[3]);
  // A size the font dialog would not accept is rejected like a bad conversion.
  if (!size || !(*size > 0 && *size <= kLargestFontSize)) return failed();
  dialog.size = *size;
  c.options.UseFont(dialog);
  return true;
}

bool ApplyCmdStart(const SettingsContext& c, StringView value) {
  c.options.SetCmdStart(ExactTrue(value));
  return true;
}

struct LineTest {
  const char16_t* pattern;
  Apply apply;
};

// Every line meets all seven tests in this order; each that holds applies its value.
constexpr std::array<LineTest, 7> kLineTests{{
    {u"StartIn=*", ApplyStartIn},
    {u"FindCase=*", ApplyFindCase},
    {u"ReplaceCase=*", ApplyReplaceCase},
    {u"WordWrap=*", ApplyWordWrap},
    {u"TabSpaces=#", ApplyTabSpaces},
    {u"Font=*,*,*,*", ApplyFont},
    {u"CmdStart=*", ApplyCmdStart},
}};

// False when a value failed and the rest of the file is to be skipped.
bool ApplyLine(const SettingsContext& c, StringView line) {
  for (const LineTest& test : kLineTests) {
    if (!LikeMatch(line, test.pattern)) continue;
    const StringView value = line.substr(line.find(u'=') + 1);
    if (!test.apply(c, value)) return false;
  }
  return true;
}

String SettingsText(const SettingsContext& c) {
  const FontSpec& font = c.options.DialogFont();
  const std::array<String, 7> lines{
      u"StartIn=" + c.fs.CurrentDirectory(),
      u"CmdStart=" + BooleanText(c.options.CmdStart()),
      u"Font=" + font.name + u"," + BooleanText(font.bold) + u"," + BooleanText(font.italic) + u"," +
          ShortestNumber(font.size),
      u"TabSpaces=" + Decimal(c.options.TabSpaces()),
      u"WordWrap=" + BooleanText(c.options.WordWrap()),
      u"FindCase=" + BooleanText(c.options.FindCase()),
      u"ReplaceCase=" + BooleanText(c.options.ReplaceCase()),
  };
  String text;
  for (const String& line : lines) text += line + u"\r\n";
  return text;
}

bool EqualsIgnoringCase(StringView text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<char16_t>(lower[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<double> ToNumber(StringView text) {
  std::string ascii;
  std::size_t i = 0, digits = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii += '-';
    ++i;
  }
  bool point = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      ++digits;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
    ascii += static_cast<char>(c);
  }
  if (digits == 0) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value,
                                            std::chars_format::fixed);
  if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<bool> ToBoolean(StringView text) {
  if (EqualsIgnoringCase(text, "true")) return true;
  if (EqualsIgnoringCase(text, "false")) return false;
  const std::optional<double> number = ToNumber(text);
  if (!number) return std::nullopt;
  return *number != 0;
}

// Always in fixed notation: the reader takes no exponent, and a size written as "1e-07" would
// stop the next start's reading at the font line, losing every setting after it.
String ShortestNumber(double value) {
  std::array<char, 512> buffer{};  // room for any double in fixed notation
  const auto [end, error] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  if (error != std::errc()) return u"0";
  return Ascii(std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())));
}

namespace {
String SettingsFileText(std::string_view bytes) {
  Decoded decoded = Decode(bytes);
  // Not UTF-8 (nor marked UTF-16): read as UTF-8 whose other bytes are a path's, not Latin-1.
  if (decoded.format.encoding == Encoding::Latin1) return NormalizeBreaks(FromBytesEscaped(bytes));
  return decoded.text.ToString();
}
}  // namespace

String SettingsPath(FileSystemPort& fs) {
  const String programFolder = fs.ProgramFolder();
  const String inProgramFolder = fs.Join(programFolder, kSettingsName);
  if (fs.FileExists(inProgramFolder) || fs.FolderIsWritable(programFolder)) return inProgramFolder;
  return fs.Join(fs.ConfigFolder(), kSettingsName);
}

void LoadSettings(const SettingsContext& c) {
  try {
    FileSystemPort& fs = c.fs;
    const String path = SettingsPath(fs);
    if (!fs.FileExists(path)) return;
    const String text = SettingsFileText(fs.ReadAll(path));
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find(u"\r\n", start);
      if (end == String::npos) end = text.size();
      if (!ApplyLine(c, StringView(text).substr(start, end - start))) return;
      start = end + 2;
    }
  } catch (const FileError&) {
    // Quietly: what was applied stays applied.
  }
}

void SaveSettings(const SettingsContext& c) {
  try {
    FileSystemPort& fs = c.fs;
    // UTF-8, except that the start folder's bytes that are not UTF-8 are written as they are,
    // so that the folder comes back exactly (SettingsFileText).
    fs.WriteAll(SettingsPath(fs), ToBytesEscaped(SettingsText(c)).value_or(ToUtf8(SettingsText(c))));
  } catch (const FileError&) {
    // Quietly: nothing is reported at exit.
  }
}

}  // namespace quilmar
