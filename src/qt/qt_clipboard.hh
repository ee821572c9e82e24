#pragma once
// The system clipboard, plain text only.
#include "platform/ui_ports.hh"

namespace quilmar {

class QtClipboard final : public ClipboardPort {
 public:
  void Clear() override;
  void SetText(const String& text) override;
  String GetText() const override;
};

}  // namespace quilmar
