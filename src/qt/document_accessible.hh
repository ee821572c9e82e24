#pragma once
// The document view as an assistive technology reads it (text_accessible.hh): the whole
// document with its laid-out lines and paragraphs, editable in Insert mode only.
#include "text/shared_text.hh"

namespace quilmar {

class DocumentView;

// Makes QAccessible answer for the view with the document's interface; the view calls it once
// it is built.
void MakeAccessible(DocumentView* view);

// The view reports what changed in the model.
void AnnounceEdit(DocumentView* view, CharPos start, const SharedText& removed, const SharedText& inserted);
void AnnounceCaret(DocumentView* view);

}  // namespace quilmar
