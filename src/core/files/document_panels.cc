#include "files/document_panels.hh"

#include "app/panels.hh"

namespace quilmar {

void ShowDocumentFile(const FileContext& f, const String& path) {
  // A name's bytes that are not UTF-8 show as U+FFFD; the path itself keeps them.
  f.ports.statusBar.SetPanelText(panel::File, Shown(path));
  f.ports.window.SetCaption(u"Quilmar - " + Shown(f.ports.fs.FileName(path)));
  ShowLineCount(f);
}

void ShowLineCount(const FileContext& f) {
  f.state.LineCountDue = f.txtMain.LayoutPending();
  f.ports.statusBar.SetPanelText(panel::Lines,
                                 f.state.LineCountDue ? String() : Decimal(f.txtMain.GetLineCount() - 1) + u" lines");
}

}  // namespace quilmar
