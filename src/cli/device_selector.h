// Makes the device a command names the current drive: the list of the
// operations' views holds that one device, whose text is its name.
#pragma once
#include <string>

#include "cli/drive_host.h"
#include "drive/discovery.h"

namespace kestrel::cli {

class DeviceSelector final : public DriveSelector {
 public:
  explicit DeviceSelector(DriveHost& host) : host_(host) {}
  int32_t MakeCurrent(const DriveEntry& entry) override;
  int32_t CheckSupported(DriveContext& context, const DriveEntry& entry) override;
  const MessagePair& OpenFailure() const override;
  // Why the last MakeCurrent failed.
  const std::string& OpenError() const { return openError_; }

 private:
  DriveHost& host_;
  std::string openError_;
};

// The list and the view's list hold `device` alone, selected.
void ListOneDevice(DriveList& list, DriveListView& view, const std::string& device);

}  // namespace kestrel::cli
