// Placeholder so the program links while this subsystem is being built; replaced by the real code.
#include "editor/motions.hh"
namespace quilmar {
void MoveToLineStart(TextModel&, CharPos) {}
void MoveToLineEnd(TextModel&, CharPos) {}
void SelectLine(TextModel&) {}
}  // namespace quilmar
