#include "qt_printer.hh"

#include <QFont>
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
  if (info.isNull()) throw std::runtime_error("No such printer");
  QPrinter device(info, QPrinter::HighResolution);
  device.setDocName(QStringLiteral("Quilmar"));
  device.setFullPage(false);
  if (!device.isValid()) throw std::runtime_error("The printer cannot be used");

  // A print layout of the plain text only: the editor's own document is not involved.
  QTextDocument layout;
  QFont qfont(ToQt(font.name));
  qfont.setPointSizeF(font.size > 0 ? font.size : 10);
  qfont.setBold(font.bold);
  qfont.setItalic(font.italic);
  layout.setDefaultFont(qfont);
  QTextOption option = layout.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setDefaultTextOption(option);
  layout.setPlainText(ToQt(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  layout.setDefaultStyleSheet(QString());
  layout.print(&device);  // black on white by default; ends the job
  if (device.printerState() == QPrinter::Error) throw std::runtime_error("The printer reported an error");
}

}  // namespace quilmar
