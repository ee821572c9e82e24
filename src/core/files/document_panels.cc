#include "files/document_panels.hh"

#include "app/app.hh"

namespace quilmar {

void ShowDocumentFile(App& app, const String& path) {
  // A name's bytes that are not UTF-8 show as U+FFFD; the path itself keeps them.
  app.SetPanel(panel::File, Shown(path));
  app.ports.window.SetCaption(u"Quilmar - " + Shown(app.ports.fs.FileName(path)));
  app.SetPanel(panel::Lines, Decimal(app.txtMain.GetLineCount() - 1) + u" lines");
}

}  // namespace quilmar
