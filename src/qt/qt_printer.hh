#pragma once
// Printing on the system's installed printers (CUPS through Qt), without a dialog.
#include "platform/printer.hh"

namespace quilmar {

class QtPrinter final : public PrinterPort {
 public:
  // In the order the system lists them; the File menu prints on the first.
  std::vector<String> InstalledPrinters() const override;
  // Black text on white in the given font, wrapped to the page's width, paginated; the job
  // ends when this returns. Throws std::runtime_error when the printer cannot be used.
  void PrintText(const String& printer, const String& text, const FontSpec& font) override;
};

}  // namespace quilmar
