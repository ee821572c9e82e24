#include "qt_printer.hh"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPalette>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QTextOption>
#include <stdexcept>

namespace quilmar {

namespace {

QString ToQt(const String& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

String FromQt(const QString& s) { return String(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

}  // namespace

std::vector<String> QtPrinter::InstalledPrinters() const {
  std::vector<String> names;
  for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) names.push_back(FromQt(info.printerName()));
  return names;
}

void QtPrinter::PrintText(const String& printer, const String& text, const FontSpec& font) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(ToQt(printer));
  if (info.isNull()) throw PrintError("No such printer");
  QPrinter device(info, QPrinter::HighResolution);
  device.setDocName(QStringLiteral("Quilmar"));
  device.setFullPage(false);
  device.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);  // within the printable area
  if (!device.isValid()) throw PrintError("The printer cannot be used");

  // A print layout of the plain text only: the editor's own document is not involved.
  QTextDocument layout;
  layout.documentLayout()->setPaintDevice(&device);  // point sizes at the printer's resolution
  QFont qfont(ToQt(font.name));
  qfont.setPointSizeF(font.size > 0 ? font.size : 10);
  qfont.setBold(font.bold);
  qfont.setItalic(font.italic);
  layout.setDefaultFont(qfont);
  QTextOption option = layout.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setDefaultTextOption(option);
  layout.setDocumentMargin(0);  // the printer's own margins frame the text
  layout.setPlainText(ToQt(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

  // Page by page, black on white whatever the desktop's colours, without headers or numbers.
  const QSizeF page = device.pageLayout().paintRectPixels(device.resolution()).size();
  layout.setPageSize(page);
  QPainter painter;
  if (!painter.begin(&device)) throw PrintError("The printer cannot be used");
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette.setColor(QPalette::Text, Qt::black);
  for (int index = 0; index < layout.pageCount(); ++index) {
    if (index > 0) device.newPage();
    const QRectF area(0, index * page.height(), page.width(), page.height());
    painter.save();
    painter.translate(0, -area.top());
    painter.setClipRect(area);  // a line pushed to the next page must not show here too
    context.clip = area;
    layout.documentLayout()->draw(&painter, context);
    painter.restore();
  }
  if (!painter.end() || device.printerState() == QPrinter::Error)
    throw PrintError("The printer reported an error");
}

}  // namespace quilmar
