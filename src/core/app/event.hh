#pragma once
// Everything a front end tells the editor, as one value: the window, the headless editor and
// quilmar-batch all hand their events to App::Dispatch, which owns what a failure does.
#include <cstdint>
#include <variant>

#include "app/menu_items.hh"
#include "platform/keys.hh"
#include "text/ustring.hh"

namespace quilmar {

// Form_Load, with the command line's text.
struct StartEvent {
  String commandLine;
};

// A key pressed in the focused control (or a menu shortcut).
struct KeyDownEvent {
  KeyEvent key;
};

// Text committed by an input method to the focused control.
struct CommitTextEvent {
  String text;
};

// A mouse button released over the document.
struct MouseUpEvent {
  int button = 0;
  ShiftState shift = shift::None;
};

// A selection made with the mouse (press, drag, double-click) in the document.
struct SelectEvent {
  CharPos anchor = 0;
  CharPos caret = 0;
};

// The same in the command box.
struct SelectInBoxEvent {
  std::int32_t anchor = 0;
  std::int32_t caret = 0;
};

// A menu item chosen from the menu bar.
struct MenuClickEvent {
  MenuItem item;
};

// The document area changed size or its font metrics changed: lines are laid out again.
struct ViewResizedEvent {};

// The window's close box.
struct CloseEvent {};

// Time the front end has to spare: a big text's layout goes on for about `units` units (all
// of what is left for 0). Every other event but a resize and the close box finishes that
// layout before it is handled, so that the line-count panel shows the text as it was loaded.
struct IdleEvent {
  std::int64_t units = std::int64_t(1) << 18;
};

using Event = std::variant<StartEvent, KeyDownEvent, CommitTextEvent, MouseUpEvent, SelectEvent,
                           SelectInBoxEvent, MenuClickEvent, ViewResizedEvent, CloseEvent, IdleEvent>;

}  // namespace quilmar
