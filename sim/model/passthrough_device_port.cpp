#include "sim/model/passthrough_device_port.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kestrel::sim {

PassThroughDevicePort::PassThroughDevicePort(Bus& bus) : bus_(bus) {}

PassThroughDevicePort::~PassThroughDevicePort() {
  for (uint8_t* block : allocations_) delete[] block;
}

PassThroughPort::Handle PassThroughDevicePort::Open(const std::string& path) {
  // Only the device form "\\.\X:" names a drive.
  if (path.size() != 6 || path.compare(0, 4, "\\\\.\\") != 0 || path[5] != ':') return kInvalid;
  LetterDevice* device = bus_.Letter(path[4]);
  if (!device || !device->drive || device->refuseOpen) return kInvalid;
  Handle h = nextHandle_;
  nextHandle_ += 4;
  open_[h] = device->letter;
  ++openCount_;
  return h;
}

char PassThroughDevicePort::LetterOf(Handle handle) const {
  auto it = open_.find(handle);
  return it == open_.end() ? 0 : it->second;
}

void PassThroughDevicePort::Close(Handle handle) {
  if (open_.erase(handle) == 0) ++badCloses_;
}

void PassThroughDevicePort::FailPassThrough(int nth, uint8_t scsiStatus, bool reachDrive) {
  failNth_ = nth;
  failStatus_ = scsiStatus;
  failReachesDrive_ = reachDrive;
  passThroughSeen_ = 0;
}

bool PassThroughDevicePort::Control(Handle handle, uint32_t code, void* in, uint32_t inBytes,
                                    void* out, uint32_t outBytes) {
  auto it = open_.find(handle);
  if (it == open_.end()) return false;
  LetterDevice* device = bus_.Letter(it->second);
  if (!device || !device->drive) return false;
  switch (code) {
    case ntscsi::IOCTL_SCSI_GET_CAPABILITIES: {
      if (device->refuseCapabilities || !out || outBytes < sizeof(ntscsi::IO_SCSI_CAPABILITIES))
        return false;
      ntscsi::IO_SCSI_CAPABILITIES caps{};
      caps.Length = sizeof caps;
      caps.MaximumTransferLength = 0x10000;
      caps.MaximumPhysicalPages = 17;
      caps.AlignmentMask = 1;
      caps.AdapterUsesPio = 0;
      std::memcpy(out, &caps, sizeof caps);
      return true;
    }
    case ntscsi::IOCTL_SCSI_GET_ADDRESS: {
      if (device->refuseAddress || !out || outBytes < sizeof(ntscsi::SCSI_ADDRESS)) return false;
      ntscsi::SCSI_ADDRESS address{};
      address.Length = sizeof address;
      address.PortNumber = device->portNumber;
      address.PathId = device->pathId;
      address.TargetId = device->targetId;
      address.Lun = device->lun;
      std::memcpy(out, &address, sizeof address);
      return true;
    }
    case ntscsi::IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return PassThrough(*device, in, inBytes, out, outBytes);
    default:
      return false;
  }
}

bool PassThroughDevicePort::PassThrough(LetterDevice& device, void* in, uint32_t inBytes, void* out,
                                        uint32_t outBytes) {
  using ntscsi::SCSI_PASS_THROUGH_DIRECT;
  if (!in || !out || inBytes < sizeof(SCSI_PASS_THROUGH_DIRECT) ||
      outBytes < sizeof(SCSI_PASS_THROUGH_DIRECT)) {
    return false;
  }
  SCSI_PASS_THROUGH_DIRECT request;
  std::memcpy(&request, in, sizeof request);
  if (in != out) std::memcpy(out, in, std::min(inBytes, outBytes));
  auto* reply = static_cast<SCSI_PASS_THROUGH_DIRECT*>(out);

  ++passThroughSeen_;
  const bool fail = failNth_ > 0 && passThroughSeen_ == failNth_;
  if (fail && !failReachesDrive_) {
    reply->ScsiStatus = failStatus_;
    return false;
  }
  if (request.CdbLength == 0 || request.CdbLength > sizeof request.Cdb) {
    return false;  // the port driver rejects the block
  }
  DataDirection direction = request.DataTransferLength == 0                ? DataDirection::None
                            : request.DataIn == ntscsi::SCSI_IOCTL_DATA_IN ? DataDirection::In
                                                                           : DataDirection::Out;
  auto* data = static_cast<uint8_t*>(request.DataBuffer);
  CommandResult result = device.drive->Execute(request.Cdb, request.CdbLength, direction, data,
                                               data ? request.DataTransferLength : 0);
  reply->ScsiStatus = static_cast<uint8_t>(result.status);
  if (result.good()) {
    reply->DataTransferLength = result.transferred;
  } else if (request.SenseInfoLength > 0) {
    uint8_t sense[18] = {};
    sense[0] = 0x70;
    sense[2] = result.sense.key;
    sense[7] = 10;
    sense[12] = result.sense.asc;
    sense[13] = result.sense.ascq;
    // The sense area must lie inside the returned block.
    uint32_t offset = request.SenseInfoOffset;
    if (offset >= sizeof(SCSI_PASS_THROUGH_DIRECT) && offset < outBytes) {
      size_t n = std::min<size_t>({request.SenseInfoLength, sizeof sense, outBytes - offset});
      std::memcpy(static_cast<uint8_t*>(out) + offset, sense, n);
      reply->SenseInfoLength = static_cast<uint8_t>(n);
      device.drive->ClearPendingSense();
    } else {
      reply->SenseInfoLength = 0;
    }
  } else {
    reply->DataTransferLength = 0;
  }
  if (fail) {
    reply->ScsiStatus = failStatus_;
    return false;
  }
  return true;
}

uint8_t* PassThroughDevicePort::AllocateLocked(size_t bytes) {
  ++allocationsSeen_;
  if (allocationFailNth_ > 0 && allocationsSeen_ == allocationFailNth_) return nullptr;
  uint8_t* block = new uint8_t[bytes]();
  allocations_.insert(block);
  return block;
}

void PassThroughDevicePort::FreeLocked(uint8_t* block) {
  auto it = allocations_.find(block);
  if (it == allocations_.end()) return;
  delete[] block;
  allocations_.erase(it);
}

}  // namespace kestrel::sim
