#pragma once
// A running editor that a key script drives, headless or through the real Qt window.
// Both read their answer back from what the user would see, so comparing them tests the window.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/menu_items.hh"
#include "key_script.hh"
#include "files/recovery.hh"
#include "platform/keys.hh"
#include "text/font.hh"
#include "text/ustring.hh"

namespace quilmar::batch {

// How the run is set up (from quilmar-batch's options).
struct RunOptions {
  std::string home;                          // program folder ("" = a new temporary folder)
  int cols = 80;
  int rows = 25;
  std::deque<std::optional<String>> dialogs; // next open/save dialog answers (nullopt: cancel)
  std::deque<std::optional<FontSpec>> fontDialogs;
  std::deque<bool> answers;                  // next Yes/No answers (none queued: Yes)
  String clipboard;
  bool omitText = false;                     // Read() may leave Snapshot::text empty
};

// The editor's state after a script, as quilmar-batch prints it.
struct Snapshot {
  String text;
  std::int64_t selStart = 0;
  std::int64_t selLength = 0;
  std::int64_t caret = 0;      // the selection's moving end (not printed: the tests read it)
  bool commandMode = false;
  bool locked = false;
  bool pendingDelete = false;
  std::vector<String> panels;  // five
  String caption;
  String currentFile;
  bool textChanged = false;
  String lastPattern;
  std::int64_t searchPos = 0;
  int tabSpaces = 0;
  bool cmdStart = false;
  std::map<std::string, bool> checks;  // mnuWordWrap, mnuFindCase, mnuReplaceCase, mnuStCmdMode
  String cmdText;
  std::int32_t cmdSelStart = 0;
  std::int32_t cmdSelLength = 0;
  std::string focus;                   // "txtMain" or "txtCmd"
  String clipboard;
  std::vector<String> messageBoxes;
  bool closed = false;
  std::int64_t lineCount = 1;
  std::optional<String> helpText;      // the open Help window's text; none when closed
  std::vector<RecoveryOffer> recoveryRecords;  // found at loads, with what became of each
};

class Driver {
 public:
  virtual ~Driver() = default;
  virtual void Start(const String& commandLine) = 0;
  // One of the editor's events, as the user would cause it in this front end.
  virtual void Send(const Event& event) = 0;
  virtual void Resize(int widthTwips, int heightTwips) = 0;
  // Real time passes (the window goes on handling its own events meanwhile).
  virtual void Wait(int milliseconds) = 0;
  virtual Snapshot Read() = 0;
};

// Hands one step of a key script to a driver; `atPause` runs before each pause.
void Deliver(Driver& driver, const ScriptStep& step, const std::function<void()>& atPause = {});

}  // namespace quilmar::batch
