// The notation: a printable ASCII character is the US-keyboard key that types it; "<...>"
// holds a named key with optional modifier prefixes (C-, S-, A-), a mouse release, or one of
// the commands sel:, menu:, close, resize: and wait:. Line breaks between events are ignored, so a
// script file may be split over lines.
#include "key_script.hh"

#include <array>
#include <charconv>
#include <limits>
#include <cctype>

#include "platform/us_keyboard.hh"

namespace quilmar::batch {

namespace {

// A named key: its code and the text it types when neither Ctrl nor Alt is held.
struct NamedKey {
  std::string_view name;
  KeyCode code;
  ShiftState shift;
  std::string_view text;
};

constexpr std::array<NamedKey, 29> kNamedKeys{{
    {"Esc", key::Escape, shift::None, ""},      {"CR", key::Return, shift::None, ""},
    {"BS", key::Back, shift::None, ""},         {"Del", key::Delete, shift::None, ""},
    {"Ins", key::Insert, shift::None, ""},      {"Tab", key::Tab, shift::None, ""},
    {"Space", key::Space, shift::None, " "},    {"lt", key::Comma, shift::Shift, "<"},
    {"Left", key::Left, shift::None, ""},       {"Right", key::Right, shift::None, ""},
    {"Up", key::Up, shift::None, ""},           {"Down", key::Down, shift::None, ""},
    {"Home", key::Home, shift::None, ""},       {"End", key::End, shift::None, ""},
    {"PageUp", key::PageUp, shift::None, ""},   {"PageDown", key::PageDown, shift::None, ""},
    {"F1", key::F1, shift::None, ""},       {"F2", key::F2, shift::None, ""},
    {"F3", key::F3, shift::None, ""},       {"F4", key::F4, shift::None, ""},
    {"F5", key::F5, shift::None, ""},       {"F6", key::F6, shift::None, ""},
    {"F7", key::F7, shift::None, ""},       {"F8", key::F8, shift::None, ""},
    {"F9", key::F9, shift::None, ""},       {"F10", key::F10, shift::None, ""},
    {"F11", key::F11, shift::None, ""},     {"F12", key::F12, shift::None, ""},
    {"Enter", key::Return, shift::None, ""},
}};

struct MouseName {
  std::string_view name;
  int button;
};

constexpr std::array<MouseName, 3> kMouseReleases{{
    {"LeftUp", mouse::Left}, {"RightUp", mouse::Right}, {"MiddleUp", mouse::Middle}}};

struct ModifierPrefix {
  char letter;
  ShiftState bit;
};

constexpr std::array<ModifierPrefix, 3> kModifiers{{
    {'C', shift::Ctrl}, {'S', shift::Shift}, {'A', shift::Alt}}};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

String AsciiText(std::string_view text) { return String(text.begin(), text.end()); }

// "N" or "N,M" of non-negative decimal numbers, none above `max`.
std::optional<std::vector<std::int64_t>> ReadNumbers(std::string_view text, std::size_t count,
                                                     std::int64_t max = std::numeric_limits<std::int32_t>::max()) {
  std::vector<std::int64_t> numbers;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != ',') return std::nullopt;
      ++pos;
    }
    std::int64_t value = 0;
    const char* begin = text.data() + pos;
    const char* end = text.data() + text.size();
    if (begin == end || !std::isdigit(static_cast<unsigned char>(*begin))) return std::nullopt;
    auto [next, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || value > max) return std::nullopt;
    pos = static_cast<std::size_t>(next - text.data());
    numbers.push_back(value);
  }
  if (pos != text.size()) return std::nullopt;
  return numbers;
}

// The key in "<...>" after its modifier prefixes: a named key or a single character.
std::optional<KeyEvent> ReadKey(std::string_view name, ShiftState modifiers) {
  KeyEvent key;
  std::string_view text;
  if (name.size() == 1) {
    auto typed = UsKeyFor(name[0]);
    if (!typed) return std::nullopt;
    key.code = typed->code;
    key.shift = typed->shift;
  } else {
    const NamedKey* found = nullptr;
    for (const auto& named : kNamedKeys)
      if (SameName(named.name, name)) found = &named;
    if (!found) return std::nullopt;
    key.code = found->code;
    key.shift = found->shift;
    text = found->text;
  }
  key.shift = static_cast<ShiftState>(key.shift | modifiers);
  // Ctrl and Alt make a key a shortcut that types nothing; Shift changes what a character
  // key types.
  if (key.shift & (shift::Ctrl | shift::Alt)) return key;
  if (name.size() == 1) {
    if (auto c = UsCharFor(key.code, key.shift)) key.text = String(1, static_cast<char16_t>(*c));
  } else {
    key.text = AsciiText(text);
  }
  return key;
}

// One "<...>" body (without the brackets).
std::optional<ScriptStep> ReadBracketed(std::string_view body, std::string& error) {
  const auto command = [&](std::string_view prefix) {
    return body.size() >= prefix.size() && SameName(body.substr(0, prefix.size()), prefix);
  };
  if (command("sel:")) {
    auto numbers = ReadNumbers(body.substr(4), 2, std::numeric_limits<std::int64_t>::max());
    if (!numbers) {
      error = "expected <sel:START,LENGTH> with two non-negative numbers";
      return std::nullopt;
    }
    // A drag sets SelStart then SelLength: the anchor at the start, the caret at its end (the
    // editor keeps both within the text, so an end past every position stands for "the end").
    const std::int64_t start = (*numbers)[0], length = (*numbers)[1];
    const std::int64_t end = length > std::numeric_limits<std::int64_t>::max() - start
                                 ? std::numeric_limits<std::int64_t>::max()
                                 : start + length;
    return Event{SelectEvent{start, end}};
  }
  if (command("resize:")) {
    auto numbers = ReadNumbers(body.substr(7), 2);
    if (!numbers) {
      error = "expected <resize:WIDTH,HEIGHT> in twips";
      return std::nullopt;
    }
    return ResizeStep{static_cast<int>((*numbers)[0]), static_cast<int>((*numbers)[1])};
  }
  if (command("wait:")) {
    auto numbers = ReadNumbers(body.substr(5), 1);
    if (!numbers) {
      error = "expected <wait:MILLISECONDS>";
      return std::nullopt;
    }
    return WaitStep{static_cast<int>((*numbers)[0])};
  }
  if (command("menu:")) {
    if (auto item = MenuItemByName(body.substr(5))) return Event{MenuClickEvent{*item}};
    error = "no menu item named \"" + std::string(body.substr(5)) + "\"";
    return std::nullopt;
  }
  if (SameName(body, "close")) return Event{CloseEvent{}};
  for (const auto& release : kMouseReleases)
    if (SameName(body, release.name)) return Event{MouseUpEvent{release.button}};

  ShiftState modifiers = shift::None;
  std::string_view rest = body;
  for (bool more = true; more && rest.size() >= 3 && rest[1] == '-';) {
    more = false;
    for (const auto& modifier : kModifiers)
      if (std::toupper(static_cast<unsigned char>(rest[0])) == modifier.letter) {
        modifiers = static_cast<ShiftState>(modifiers | modifier.bit);
        rest.remove_prefix(2);
        more = true;
        break;
      }
  }
  if (auto key = ReadKey(rest, modifiers)) return Event{KeyDownEvent{*key}};
  error = "unknown key <" + std::string(body) + ">";
  return std::nullopt;
}

}  // namespace

KeyScript ParseKeyScript(std::string_view script) {
  KeyScript out;
  auto fail = [&](std::size_t offset, const std::string& what) {
    out.steps.clear();
    out.error = "key script, at character " + std::to_string(offset + 1) + ": " + what;
    return out;
  };
  std::size_t i = 0;
  while (i < script.size()) {
    const char c = script[i];
    if (c == '\n' || c == '\r') {
      ++i;
    } else if (c == '<') {
      const std::size_t close = script.find('>', i + 1);
      if (close == std::string_view::npos)
        return fail(i, "\"<\" without a closing \">\" (a literal \"<\" is <lt>)");
      std::string error;
      auto event = ReadBracketed(script.substr(i + 1, close - i - 1), error);
      if (!event) return fail(i, error);
      out.steps.push_back(*event);
      i = close + 1;
    } else if (auto key = UsKeyFor(c)) {
      out.steps.push_back(Event{KeyDownEvent{*key}});
      ++i;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      return fail(i, byte >= 0x80 ? "only ASCII characters stand for keys"
                                  : "control character " + std::to_string(byte) +
                                        " stands for no key (use <Tab>, <CR>...)");
    }
  }
  return out;
}

}  // namespace quilmar::batch
