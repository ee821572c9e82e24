// quilmar: the editor's window. The command line's arguments, joined by single spaces, are
// the one path the editor opens.
#include <QPushButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "frm_main.hh"
#include "qt_file_system.hh"
#include "qt_printer.hh"

namespace {

// QUILMAR_FIRST_FRAME set: the program prints how long it took from the start of main to the
// first painted frame of the document, and quits. For start-up measurements and for checking
// that the program starts at all. A question asked on the way (a big file's size) is answered
// with its default button at once, and the time from that answer is printed too.
class FirstFrameReport : public QObject {
 public:
  FirstFrameReport(quilmar::FrmMain& window, const QElapsedTimer& sinceStart) : window_(window), sinceStart_(sinceStart) {
    qApp->installEventFilter(this);
    painted_ = QObject::connect(window_.txtMain(), &quilmar::DocumentView::Painted, this, [this] { Painted(); });
  }

  // Start-up is over (the file, if any, is loaded): the next frame shows it.
  void Started() {
    started_ = true;
    window_.txtMain()->viewport()->update();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (box && event->type() == QEvent::Show && !asked_) {
      asked_ = true;
      QTimer::singleShot(0, box, [this, box] {
        answered_.start();
        if (QPushButton* button = box->defaultButton()) button->click();
      });
    }
    return false;
  }

 private:
  void Painted() {
    // Frames painted during start-up (while a question was open, say) show the document
    // before the load.
    if (!started_) return;
    QObject::disconnect(painted_);
    if (answered_.isValid()) {
      std::printf("first frame after %lld ms, %lld ms after the answer\n", static_cast<long long>(sinceStart_.elapsed()),
                  static_cast<long long>(answered_.elapsed()));
    } else {
      std::printf("first frame after %lld ms\n", static_cast<long long>(sinceStart_.elapsed()));
    }
    std::fflush(stdout);
    QTimer::singleShot(0, &window_, [this] { window_.close(); });
  }

  quilmar::FrmMain& window_;
  const QElapsedTimer& sinceStart_;
  QElapsedTimer answered_;
  QMetaObject::Connection painted_;
  bool asked_ = false;
  bool started_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
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
  std::unique_ptr<FirstFrameReport> firstFrame;
  if (qEnvironmentVariableIsSet("QUILMAR_FIRST_FRAME")) firstFrame = std::make_unique<FirstFrameReport>(window, sinceStart);
  window.show();
  window.Start(commandLine);
  if (window.app().Closed()) return 0;
  if (firstFrame) firstFrame->Started();
  return application.exec();
}
