#include "files/document_panels.hh"

#include "app/panels.hh"

namespace quilmar {

void ShowDocumentFile(const FileContext& f, const String& path) {
  // A name's bytes that are not UTF-8 show as U+FFFD; the path itself keeps them.
  f.statusBar.SetPanelText(panel::File, Shown(path));
  f.window.SetCaption(u"Quilmar - " + Shown(f.fs.FileName(path)));
  f.statusBar.SetPanelText(panel::Lines, Decimal(f.txtMain.GetLineCount() - 1) + u" lines");
}

}  // namespace quilmar
