#pragma once
// What an assistive technology (a screen reader, a magnifier) reads of the document view:
// the text, the caret, the selection, lines, words and characters with the rectangles they are
// painted in, and the edits, caret moves and selections as they happen. In Insert mode it may
// also edit, through the editor's own events, so the modes and the lock apply as to keys.
#include "text/shared_text.hh"

class QAccessibleEvent;

namespace quilmar {

class DocumentView;

// Makes QAccessible answer for the view with the document's interface; the view calls it once
// it is built.
void MakeAccessible(DocumentView* view);

// Where the view's announcements go. Unset, to QAccessible, which passes them on only while
// the platform's bridge to assistive technologies is active (and so they are not even made
// otherwise). A listener set here hears them always: the tests listen here, since the
// offscreen platform has no such bridge.
using AccessibilityListener = void (*)(QAccessibleEvent* event);
void SetAccessibilityListener(AccessibilityListener listener);

// The view reports what changed, as QAccessible events.
void AnnounceEdit(DocumentView* view, CharPos start, const SharedText& removed, const SharedText& inserted);
void AnnounceNewText(DocumentView* view);
void AnnounceCaret(DocumentView* view);
void AnnounceEditable(DocumentView* view);

}  // namespace quilmar
