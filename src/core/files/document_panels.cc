#include "files/document_panels.hh"

#include "app/app.hh"

namespace quilmar {

void ShowDocumentFile(App& app, const String& path) {
  app.SetPanel(panel::File, path);
  app.ports.window.SetCaption(u"Quilmar - " + app.ports.fs.FileName(path));
  app.SetPanel(panel::Lines, Decimal(app.txtMain.GetLineCount() - 1) + u" lines");
}

}  // namespace quilmar
