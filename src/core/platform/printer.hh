#pragma once
// Printing on an installed printer, without a dialog.
#include <optional>
#include <stdexcept>
#include <vector>

#include "text/font.hh"
#include "text/ustring.hh"

namespace quilmar {

// A print that did not happen, with the reason the printer gave.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PrinterPort {
 public:
  virtual ~PrinterPort() = default;
  virtual std::vector<String> InstalledPrinters() const = 0;
  // Prints the text on the named printer in the given font, wrapped to the page, and ends
  // the job. Throws PrintError on a printer error.
  virtual void PrintText(const String& printer, const String& text, const FontSpec& font) = 0;
};

}  // namespace quilmar
