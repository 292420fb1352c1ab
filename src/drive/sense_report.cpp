#include "drive/sense_report.h"

#include "drive/command_set.h"
#include "drive/drive_messages.h"
#include "drive/sense.h"

namespace kestrel {

void ReportSense(DriveContext& context, MessageBoxView& view) {
  const std::string text = SendRequestSense(context) == 0
                               ? FormatSenseReport(DecodeSense(context.buffers()))
                               : std::string(drive_messages::kRequestSenseFailed);
  view.ShowMessageBox(text, context.programName());
}

}  // namespace kestrel
