// About box 100: icon, the program's version line, a description, the
// ownership line and OK.
#pragma once
#include <windows.h>

#include "shell/shell_catalog.h"

namespace kestrel {

class AboutBox {
 public:
  AboutBox(HINSTANCE instance, const ShellTraits& traits) : instance_(instance), traits_(traits) {}
  void Run(HWND owner);
  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HINSTANCE instance_;
  const ShellTraits& traits_;
};

}  // namespace kestrel
