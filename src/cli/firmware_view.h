// FirmwareView of the tool: the file comes from the command line, the log
// is kept for the result, and the confirmation window is a question on stderr
// after the From and To lines.
#pragma once
#include <optional>
#include <string>

#include "cli/cli_view.h"
#include "firmware/firmware_view.h"

namespace kestrel::cli {

class CliFirmwareView final : public CliView<FirmwareView> {
 public:
  CliFirmwareView(Prompter& prompter, std::string path, std::string device)
      : CliView(prompter), path_(std::move(path)), device_(std::move(device)) {}

  void SetStatusText(const std::string& log, bool) override { log_ = log; }
  void SetFileNameField(const std::string&) override {}
  void SetInfoField(const std::string& text) override { info_ = text; }
  std::optional<std::string> ChooseFile(const OpenFileRequest&) override { return path_; }
  void ShowFileError(const std::string& path, int cause) override;
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override;
  // A command-line run holds nothing of the session.
  void HoldSession(const std::string&) override {}
  void ReleaseSession() override {}

  const std::string& Log() const { return log_; }
  const std::optional<int>& FileError() const { return fileError_; }
  const std::string& From() const { return from_; }
  const std::string& To() const { return to_; }
  bool Asked() const { return asked_; }

 private:
  std::string path_, device_, log_, info_, from_, to_;
  std::optional<int> fileError_;
  bool asked_ = false;
};

}  // namespace kestrel::cli
