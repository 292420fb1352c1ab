// The speed control utility's operations bound together for SpeedWindow: the
// drive list, its discovery and the three speed operations over the
// program's drive access. The entry point runs one over the kit of its
// transport.
#pragma once
#include <windows.h>

#include "apps/program_table.h"
#include "drive/discovery.h"
#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "speed/speed_operations.h"
#include "ui/speed_window.h"
#include "ui/speed_window_texts.h"

namespace kestrel {

class SpeedProgram final : public SpeedWindowOperations {
 public:
  SpeedProgram(DriveContext& context, SpeedView& view, DriveDiscovery& discovery,
               DriveAccess& access)
      : context_(context),
        view_(view),
        discovery_(discovery),
        list_(context.profile.discovery.entryCapacity),
        operations_(context, view, list_, access) {}

  bool OnWindowSetUp(Language language) override {
    context_.language = language;
    discovery_.Discover(view_, list_, DiscoveryOccasion::WindowSetUp);
    return !list_.Empty();
  }
  void ChangeSpeed(const SpeedRequest& request) override { operations_.ChangeSpeed(request); }
  void ReportSpeed(int entryIndex) override { operations_.ReportSpeed(entryIndex); }
  void ChangeDriveMode(const DriveModeRequest& request) override {
    operations_.ChangeDriveMode(request);
  }

 private:
  DriveContext& context_;
  SpeedView& view_;
  DriveDiscovery& discovery_;
  DriveList list_;
  SpeedOperations operations_;
};

// The program's window over its kit (aspi_kit.h, letter_kit.h) until it closes.
template <class Kit>
void RunSpeedProgram(HINSTANCE instance, const ProgramRow& row, Kit& kit) {
  SpeedWindow window(instance, {row.shell, row.mainTemplateId, row.progressTemplateId,
                                IDC_SPEED_DRIVE_LIST, SpeedWindowControlTexts()});
  SpeedProgram program(kit.context, window, kit.discovery, kit.access);
  window.Run(program);
}

}  // namespace kestrel
