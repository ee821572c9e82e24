// quilmar: the editor's window. The command line's arguments, joined by single spaces, are
// the one path the editor opens.
#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "frm_main.hh"
#include "large_pages.hh"
#include "qt_file_system.hh"
#include "qt_printer.hh"

namespace {

// QUILMAR_FIRST_FRAME set: the program prints how long it took from the start of main to the
// first painted frame of the document, and quits. For start-up measurements and for checking
// that the program starts at all.
void QuitAfterFirstFrame(quilmar::FrmMain& window, const QElapsedTimer& sinceStart) {
  QObject::connect(window.txtMain(), &quilmar::DocumentView::Painted, &window, [&window, &sinceStart] {
    std::printf("first frame after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
    std::fflush(stdout);
    QTimer::singleShot(0, &window, [&window] { window.close(); });
  }, Qt::SingleShotConnection);
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
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
  if (qEnvironmentVariableIsSet("QUILMAR_FIRST_FRAME")) QuitAfterFirstFrame(window, sinceStart);
  window.show();
  window.Start(commandLine);
  if (window.app().Closed()) return 0;
  return application.exec();
}
