#pragma once
// Key scripts: the notation quilmar-batch reads ("ihello<Esc>:w<CR>", "<C-v>", "<sel:0,4>")
// turned into the events a user would cause, before anything runs.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/event.hh"

namespace quilmar::batch {

// Steps that only a script takes: the window's outer size changes (in twips; the front end
// lays the document out again and the editor hears ViewResizedEvent), and real time passes, as
// a typist pauses, in milliseconds. Every other step is one of the editor's own events.
struct ResizeStep {
  int width;
  int height;
};
struct WaitStep {
  int milliseconds;
};

using ScriptStep = std::variant<Event, ResizeStep, WaitStep>;

// A parsed script, or the first error in it as one line of text.
struct KeyScript {
  std::vector<ScriptStep> steps;
  std::optional<std::string> error;
};

KeyScript ParseKeyScript(std::string_view script);

}  // namespace quilmar::batch
