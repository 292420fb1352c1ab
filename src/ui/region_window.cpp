#include "ui/region_window.h"

#include "ui/region_window_texts.h"
#include "win32/wide_text.h"

namespace kestrel {
namespace {

// Room between the group's caption and the first region button, and between
// the last button and the count label, in pixels of the client area.
constexpr int kRowGap = 5;

// A control's rectangle in the client coordinates of its window.
RECT ClientRect(HWND window, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

INT_PTR RegionWindow::Run(RegionOperations& operations, DriveDiscovery& discovery) {
  operations_ = &operations;
  discovery_ = &discovery;
  const INT_PTR result = RunModal();
  operations_ = nullptr;
  discovery_ = nullptr;
  return result;
}

void RegionWindow::OnSetUp() {
  // The log is never cut: lift the edit control's default limit.
  SendDlgItemMessageW(window(), region_window::kLogId, EM_SETLIMITTEXT, 0, 0);
  LayOutRegionGroup();
  if (operations_->SetUpWindow(language(), *discovery_)) operations_->ReportRegion(ListSelection());
}

void RegionWindow::OnCommand(int id, int code) {
  if (id == region_window::kDriveListId) {
    if (code == CBN_SELCHANGE) {
      RunOperation([this] { operations_->ReportRegion(ListSelection()); });
    }
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case region_window::kGetRegionId:
      RunOperation([this] { operations_->ReportRegion(ListSelection()); });
      break;
    case region_window::kSetRegionId:
      RunOperation([this] { operations_->ChangeRegion(Request()); });
      break;
    case region_window::kExitId:
    case IDOK:  // Enter with no push button focused closes the window, as Escape does
      RequestClose();
      break;
    default:
      break;
  }
}

void RegionWindow::LayOutRegionGroup() {
  // Six rows of equal height over the group, the count label under them.
  // The rows start just below the group's caption: the group's own
  // rectangle is taken in the window's client coordinates.
  const RECT group = ClientRect(window(), Control(region_window::kRegionGroupId));
  const RECT label = ClientRect(window(), Control(region_window::kCountLabelId));
  const RECT firstButton = ClientRect(window(), Control(region_window::kRegionButtonIds[0]));
  const int labelHeight = label.bottom - label.top;
  const int buttonHeight = firstButton.bottom - firstButton.top;
  const int groupHeight = group.bottom - group.top;
  const int rowHeight = (groupHeight - labelHeight - 25) / 6;
  if (rowHeight <= 0) return;  // a template too small to spread over: keep its places

  // The caption's text line: the dialog font's height.
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(window(), WM_GETFONT, 0, 0));
  HDC dc = GetDC(window());
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(window(), dc);

  const int x = group.left + 10;
  const int width = (group.right - group.left) - 15;
  const int top = group.top + metrics.tmHeight + kRowGap / 2;
  for (int k = 0; k < 6; ++k) {
    SetWindowPos(Control(region_window::kRegionButtonIds[k]), nullptr, x, top + k * rowHeight,
                 width, rowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(Control(region_window::kCountLabelId), nullptr, x, top + 6 * rowHeight + kRowGap,
               width, buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- RegionView -----------------------------------------------------------

void RegionWindow::ShowRegionControls(const RegionControls& controls) {
  for (int i = 0; i < 6; ++i) {
    HWND button = Control(region_window::kRegionButtonIds[i]);
    const RegionButtonState& state = controls.regionButtons[i];
    SendMessageW(button, BM_SETCHECK, state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(button, BM_SETSTATE, state.pressed ? TRUE : FALSE, 0);
    EnableWindow(button, state.enabled ? TRUE : FALSE);

    HWND box = Control(region_window::kDiscBoxIds[i]);
    SendMessageW(box, BM_SETCHECK, controls.discBoxes[i].checked ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(box, controls.discBoxes[i].enabled ? TRUE : FALSE);
  }
  if (controls.countLabel) {
    SetDlgItemTextW(window(), region_window::kCountLabelId, Wide(*controls.countLabel).c_str());
  }
}

RegionRequest RegionWindow::Request() const {
  RegionRequest request;
  request.entryIndex = ListSelection();
  for (int region = 1; region <= 6; ++region) {
    if (IsDlgButtonChecked(window(), region_window::kRegionButtonIds[region - 1]) == BST_CHECKED) {
      request.region = region;
      break;
    }
  }
  return request;
}

void RegionWindow::SetLogText(const std::string& log, bool caretToEnd) {
  HWND box = Control(region_window::kLogId);
  SetWindowTextW(box, Wide(log).c_str());
  if (caretToEnd) {
    const int length = GetWindowTextLengthW(box);
    SendMessageW(box, EM_SETSEL, length, length);
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
  }
  UpdateWindow(box);
}

}  // namespace kestrel
