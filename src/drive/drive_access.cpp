#include "drive/drive_access.h"

#include "drive/drive_messages.h"

namespace kestrel {

const MessagePair& DriveAccess::OpenFailure() const { return drive_messages::kDeviceOpenFailed; }

}  // namespace kestrel
