#include "twips.hh"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace quilmar {
namespace {

const QScreen* ScreenOf(const QWidget* widget) {
  if (widget && widget->screen()) return widget->screen();
  return QGuiApplication::primaryScreen();
}

}  // namespace

double LogicalDpiX(const QWidget* widget) {
  const QScreen* screen = ScreenOf(widget);
  return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double LogicalDpiY(const QWidget* widget) {
  const QScreen* screen = ScreenOf(widget);
  return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int TwipsToPixels(double twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double PixelsToTwips(int pixels, double dpi) { return pixels * 1440.0 / dpi; }

QSize TwipsSizeToPixels(double widthTwips, double heightTwips, const QWidget* widget) {
  return QSize(TwipsToPixels(widthTwips, LogicalDpiX(widget)),
               TwipsToPixels(heightTwips, LogicalDpiY(widget)));
}

}  // namespace quilmar
