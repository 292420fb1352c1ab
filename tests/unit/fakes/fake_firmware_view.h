// A recording FirmwareUpdateWindow for native tests.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_drive_list_view.h"
#include "firmware/firmware_view.h"

namespace kestrel::testing {

class FakeFirmwareView : public RecordingDriveListView<FirmwareView> {
 public:
  struct StatusUpdate {
    std::string log;
    bool scrollToEnd;
  };
  // Every push of the log into the status box, in order.
  std::vector<StatusUpdate> statusUpdates;
  std::string fileNameField;
  std::vector<std::string> infoFieldTexts;  // every text set, in order
  // The file dialog: what it was asked, what it answers (nullopt: cancel).
  std::vector<OpenFileRequest> fileRequests;
  std::optional<std::string> chosenFile;
  std::vector<std::pair<std::string, int>> fileErrors;
  // The confirmation window: the lines it showed and the answer.
  std::vector<std::pair<std::string, std::string>> confirmations;
  bool confirmAnswer = true;

  void SetStatusText(const std::string& log, bool scrollToEnd) override {
    statusUpdates.push_back({log, scrollToEnd});
    events.push_back(scrollToEnd ? "status:end" : "status:top");
  }
  void SetFileNameField(const std::string& text) override { fileNameField = text; }
  void SetInfoField(const std::string& text) override { infoFieldTexts.push_back(text); }
  // What the window does at the File button.
  std::optional<std::string> ChooseFile(const OpenFileRequest& request) {
    fileRequests.push_back(request);
    events.push_back("file-dialog");
    return chosenFile;
  }
  void ShowFileError(const std::string& path, int cause) override {
    fileErrors.emplace_back(path, cause);
    events.push_back("file-error");
  }
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override {
    confirmations.emplace_back(oldFirmware, newFirmware);
    events.push_back("confirm");
    return confirmAnswer;
  }

  std::function<void()> onSessionHold;  // called as the hold begins and as it ends
  void HoldSession(const std::string& reason) override { SessionEvent("hold:" + reason); }
  void ReleaseSession() override { SessionEvent("release"); }
  void SessionEvent(const std::string& event) {
    events.push_back(event);
    if (onSessionHold) onSessionHold();
  }

  // The text last shown in the status box ("" before any).
  std::string StatusText() const { return statusUpdates.empty() ? "" : statusUpdates.back().log; }
};

}  // namespace kestrel::testing
