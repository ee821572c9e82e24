// quilmar: the editor's window. The command line's arguments, joined by single spaces, are
// the one path the editor opens.
#include <QApplication>

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

  // From argv's bytes: QCoreApplication::arguments() would decode a name that is not UTF-8
  // lossily, and the editor would open a different file.
  quilmar::String commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += u' ';
    commandLine += quilmar::FromBytesEscaped(argv[i]);
  }

  quilmar::QtFileSystem fs(QCoreApplication::applicationDirPath().toStdU16String());
  quilmar::QtPrinter printer;
  quilmar::FrmMain window(quilmar::ExternalPorts{fs, printer});
  window.show();
  window.Start(commandLine);
  if (window.app().Closed()) return 0;
  return application.exec();
}
