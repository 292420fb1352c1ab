#include "ui/about_box.h"

#include "ui/resource_ids.h"
#include "win32/wide_text.h"

namespace kestrel {

void AboutBox::Run(HWND owner) { RunModal(instance_, IDD_ABOUTBOX, owner); }

BOOL AboutBox::OnInitDialog(HWND window) {
  SetDlgItemTextW(window, traits_.aboutTextControlId, Wide(AboutText(traits_)).c_str());
  return TRUE;
}

}  // namespace kestrel
