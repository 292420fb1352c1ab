#include "cli/device_selector.h"

#include "drive/drive_messages.h"
#include "drive/supported_drive.h"

namespace kestrel::cli {

int32_t DeviceSelector::MakeCurrent(const DriveEntry& entry) {
  openError_.clear();
  return host_.Open(entry.text, openError_) ? 0 : -1;
}

int32_t DeviceSelector::CheckSupported(DriveContext& context, const DriveEntry&) {
  return CheckSupportedDrive(context);
}

const MessagePair& DeviceSelector::OpenFailure() const { return drive_messages::kDeviceOpenFailed; }

void ListOneDevice(DriveList& list, DriveListView& view, const std::string& device) {
  list.Clear();
  list.Add(DriveEntry{device, AspiAddress{}});
  view.AddListItem(device);
  view.SelectListItem(0);
}

}  // namespace kestrel::cli
