// About box 100: icon, the program's version line, a description, the
// ownership line and OK.
#pragma once
#include <windows.h>

#include "shell/shell_catalog.h"
#include "ui/modal_dialog.h"

namespace kestrel {

class AboutBox final : public ModalDialog {
 public:
  AboutBox(HINSTANCE instance, const ShellTraits& traits) : instance_(instance), traits_(traits) {}
  void Run(HWND owner);

 private:
  BOOL OnInitDialog(HWND window) override;

  HINSTANCE instance_;
  const ShellTraits& traits_;
};

}  // namespace kestrel
