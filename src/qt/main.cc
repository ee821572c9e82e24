// quilmar: the editor's window. The command line's arguments, joined by single spaces, are
// the one path the editor opens.
#include <QApplication>
#include <QStringList>

#include "frm_main.hh"
#include "large_pages.hh"
#include "qt_file_system.hh"
#include "qt_printer.hh"

int main(int argc, char** argv) {
  quilmar::UseLargePagesForBigBlocks(argv);
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quilmar"));
  QApplication::setOrganizationName(QStringLiteral("Quilmar"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.quilmar.Quilmar"));

  QStringList arguments = QCoreApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();
  const quilmar::String commandLine = arguments.join(QLatin1Char(' ')).toStdU16String();

  quilmar::QtFileSystem fs(QCoreApplication::applicationDirPath().toStdU16String());
  quilmar::QtPrinter printer;
  quilmar::FrmMain window(quilmar::ExternalPorts{fs, printer});
  window.show();
  window.Start(commandLine);
  if (window.app().Closed()) return 0;
  return application.exec();
}
