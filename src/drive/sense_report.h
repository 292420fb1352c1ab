// The firmware utilities' report of a failed command.
#pragma once
#include "drive/drive_context.h"
#include "shell/views.h"

namespace kestrel {

// REQUEST SENSE and the "Sense Code : ..." box, captioned with the program's
// name; "Request Sense Comand Failed." when REQUEST SENSE fails too.
void ReportSense(DriveContext& context, MessageBoxView& view);

}  // namespace kestrel
