// The bases of the suite's main windows:
//   MainWindow<View>   implements MessageBoxView (boxes and OK/Cancel questions)
//   DriveWindow<View>  adds ProgressView and DriveListView (the drive list)
// on top of MainWindowFrame. A window derives from one of them with its view
// interface, implements that view's own methods and its button map
// (OnSetUp, OnCommand), and nothing else:
//
//   class RegionWindow final : public DriveWindow<RegionView> {
//     void OnSetUp() override;                   // discovery etc., as an operation
//     void OnCommand(int id, int code) override; // buttons -> RunOperation(...)
//     ... RegionView's own methods ...
//   };
#pragma once
#include <type_traits>

#include "drive/drive_list_view.h"
#include "ui/main_window_frame.h"

namespace kestrel {

template <class View>
class MainWindow : public View, protected MainWindowFrame {
  static_assert(std::is_base_of_v<MessageBoxView, View>, "a window view shows message boxes");

 public:
  using MainWindowFrame::HandleMessage;

  void ShowMessageBox(const std::string& text, const std::string& caption) override {
    ShowBox(text, caption);
  }
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon icon) override {
    return AskBox(text, caption, icon);
  }

 protected:
  MainWindow(HINSTANCE instance, const MainWindowSetup& setup) : MainWindowFrame(instance, setup) {}
};

template <class View>
class DriveWindow : public MainWindow<View> {
  static_assert(std::is_base_of_v<DriveListView, View>, "a drive window lists drives");

 public:
  // ProgressView
  void OpenProgress() override { this->progress().Open(this->window()); }
  void SetProgressRange(int low, int high, int step) override {
    this->progress().SetRange(low, high, step);
  }
  void StepProgress() override { this->progress().Step(); }
  void SetProgressLabel(const std::string& text) override { this->progress().SetLabel(text); }
  void CloseProgress() override { this->progress().Close(); }
  void Pump() override { this->PumpMessages(); }
  // DriveListView
  int ListCount() const override { return MainWindowFrame::ListCount(); }
  bool DeleteListItem(int index) override { return MainWindowFrame::DeleteListItem(index); }
  void AddListItem(const std::string& text) override { MainWindowFrame::AddListItem(text); }
  void SelectListItem(int index) override { MainWindowFrame::SelectListItem(index); }
  int ListSelection() const override { return MainWindowFrame::ListSelection(); }
  void RefreshControls() override { this->RefreshWindow(); }
  void CloseWindow() override { this->PostClose(); }

 protected:
  DriveWindow(HINSTANCE instance, const MainWindowSetup& setup)
      : MainWindow<View>(instance, setup) {}
};

}  // namespace kestrel
