// ConfirmUpdateDialog: the question, the drive's firmware line ("From"), the
// file's firmware line ("To") and, where the template has it (TARN9X), the
// warning about the programming wait. OK confirms; Cancel and close do not.
#pragma once
#include <windows.h>

#include <string>

#include "shell/language.h"
#include "ui/modal_dialog.h"

namespace kestrel {

class ConfirmUpdateDialog final : public ModalDialog {
 public:
  ConfirmUpdateDialog(HINSTANCE instance, int templateId, Language language,
                      std::string oldFirmware, std::string newFirmware)
      : instance_(instance),
        templateId_(templateId),
        language_(language),
        oldFirmware_(std::move(oldFirmware)),
        newFirmware_(std::move(newFirmware)) {}

  // Modal; true only for OK.
  bool Run(HWND owner) { return RunModal(instance_, templateId_, owner); }

 private:
  BOOL OnInitDialog(HWND window) override;

  HINSTANCE instance_;
  int templateId_;
  Language language_;
  std::string oldFirmware_;
  std::string newFirmware_;
};

}  // namespace kestrel
