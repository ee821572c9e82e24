#pragma once
// Key scripts: the notation quilmar-batch reads ("ihello<Esc>:w<CR>", "<C-v>", "<sel:0,4>")
// turned into the events a user would cause, before anything runs.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/menu_items.hh"
#include "platform/keys.hh"

namespace quilmar::batch {

struct MouseUpEvent {  // a mouse button released over the document
  int button;
};
struct SelectEvent {   // SelStart then SelLength, as a mouse drag sets them
  std::int64_t start;
  std::int64_t length;
};
struct MenuEvent {
  MenuItem item;
};
struct CloseEvent {};  // the window's close box
struct ResizeEvent {   // the window's new outer size, in twips
  int width;
  int height;
};
struct WaitEvent {     // a pause, as a typist makes, in milliseconds of real time
  int milliseconds;
};

using ScriptEvent =
    std::variant<KeyEvent, MouseUpEvent, SelectEvent, MenuEvent, CloseEvent, ResizeEvent, WaitEvent>;

// A parsed script, or the first error in it as one line of text.
struct KeyScript {
  std::vector<ScriptEvent> events;
  std::optional<std::string> error;
};

KeyScript ParseKeyScript(std::string_view script);

}  // namespace quilmar::batch
