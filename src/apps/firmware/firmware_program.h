// The firmware utility's operations bound together for FirmwareUpdateWindow:
// the drive list, messageLog, the loader and the update with the build's
// strategies. The entry point runs one over the kit of its transport.
#pragma once
#include <windows.h>

#include "apps/program_table.h"
#include "drive/discovery.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "firmware/firmware_build.h"
#include "firmware/firmware_loader.h"
#include "firmware/image_record.h"
#include "firmware/status_log.h"
#include "firmware/update_procedure.h"
#include "ui/firmware_update_window.h"
#include "ui/firmware_window_texts.h"
#include "win32/win32_file_system.h"

namespace kestrel {

class FirmwareProgram final : public FirmwareOperations {
 public:
  FirmwareProgram(DriveContext& context, FirmwareView& view, DriveDiscovery& discovery,
                  const UpdateStrategies& strategies, FileSystemPort& files,
                  const FirmwareBuildTraits& traits)
      : context_(context),
        view_(view),
        discovery_(discovery),
        strategies_(strategies),
        log_(view),
        loader_(context, image_, view, log_, files, traits) {}

  void OnWindowSetUp(Language language) override {
    context_.language = language;
    discovery_.Discover(view_, list_, DiscoveryOccasion::WindowSetUp);
  }
  OpenFileRequest FileDialogRequest() const override { return loader_.FileDialogRequest(); }
  void LoadFirmwareFile(const std::optional<std::string>& chosen) override {
    loader_.LoadFirmwareFile(chosen);
  }
  void UpdateFirmware(const UpdateRequest& request) override {
    kestrel::UpdateFirmware(context_, image_, view_, log_, list_, request, strategies_);
  }

 private:
  DriveContext& context_;
  FirmwareView& view_;
  DriveDiscovery& discovery_;
  UpdateStrategies strategies_;
  DriveList list_;
  ImageRecord image_;  // the image in ImageBuffer, as the loader and the update see it
  StatusLog log_;
  FirmwareLoader loader_;
};

// The program's window over its kit (aspi_kit.h, letter_kit.h) until it closes.
template <class Kit>
void RunFirmwareProgram(HINSTANCE instance, const ProgramRow& row, Kit& kit) {
  win32::Win32FileSystem files;
  FirmwareUpdateWindow window(instance,
                              {row.shell, row.mainTemplateId, row.progressTemplateId,
                               IDC_DRIVE_LIST, FirmwareWindowControlTexts()},
                              row.confirmTemplateId);
  FirmwareProgram program(kit.context, window, kit.discovery, kit.Update(), files, *row.firmware);
  window.Run(program);
}

}  // namespace kestrel
