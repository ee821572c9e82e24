#pragma once
// Sizes given in twips (1/1440 inch) turned into pixels at the screen's logical DPI.
#include <QSize>

class QWidget;

namespace quilmar {

// Logical dots per inch of the screen the widget is on (or of the primary screen).
double LogicalDpiX(const QWidget* widget = nullptr);
double LogicalDpiY(const QWidget* widget = nullptr);

int TwipsToPixels(double twips, double dpi);
double PixelsToTwips(int pixels, double dpi);
QSize TwipsSizeToPixels(double widthTwips, double heightTwips, const QWidget* widget = nullptr);

}  // namespace quilmar
