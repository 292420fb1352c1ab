// The Windows storage calls of the pass-through programs (CreateFile on
// "\\.\D:", DeviceIoControl) over a sim::Bus's drive letters, so that the real
// PassThroughTransport runs natively against the simulated drive.
//
//   sim::Bus bus;
//   bus.AddAdapter("atapi").AddTarget(0, sim::KestrelDrive("DRV-320"));
//   bus.MapLetter('D', 0, 0);
//   sim::PassThroughDevicePort port(bus);
//   kestrel::PassThroughTransport transport(port);   // the real transport
//   ...
//   EXPECT_EQ(port.OpenHandleCount(), 0);            // nothing leaked
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "sim/model/bus.h"
#include "transport/passthrough/passthrough_defs.h"
#include "transport/passthrough/passthrough_port.h"

namespace kestrel::sim {

class PassThroughDevicePort : public PassThroughPort {
 public:
  explicit PassThroughDevicePort(Bus& bus);
  ~PassThroughDevicePort() override;

  Handle Open(const std::string& path) override;
  bool Control(Handle handle, uint32_t code, void* in, uint32_t inBytes, void* out,
               uint32_t outBytes) override;
  void Close(Handle handle) override;
  uint8_t* AllocateLocked(size_t bytes) override;
  void FreeLocked(uint8_t* block) override;

  // Faults. Open refusals and refused capability/address requests are set per
  // letter on the bus (LetterDevice). The nth IOCTL_SCSI_PASS_THROUGH_DIRECT
  // from now on fails: DeviceIoControl returns false with the block's ScsiStatus
  // set to `scsiStatus`; with `reachDrive` the command is run on the drive first.
  void FailPassThrough(int nth, uint8_t scsiStatus, bool reachDrive = false);
  // The nth allocation from now on fails (returns null).
  void FailAllocation(int nth) { allocationFailNth_ = nth, allocationsSeen_ = 0; }

  // Inspection.
  size_t OpenHandleCount() const { return open_.size(); }
  int OpenCount() const { return openCount_; }      // successful opens so far
  int BadCloseCount() const { return badCloses_; }  // closes of handles not open
  size_t OutstandingAllocations() const { return allocations_.size(); }
  char LetterOf(Handle handle) const;

 private:
  bool PassThrough(LetterDevice& device, void* in, uint32_t inBytes, void* out, uint32_t outBytes);

  Bus& bus_;
  Handle nextHandle_ = 0x100;
  std::map<Handle, char> open_;
  std::set<uint8_t*> allocations_;
  int openCount_ = 0;
  int badCloses_ = 0;
  int failNth_ = 0;
  int passThroughSeen_ = 0;
  uint8_t failStatus_ = 0;
  bool failReachesDrive_ = false;
  int allocationFailNth_ = 0;
  int allocationsSeen_ = 0;
};

}  // namespace kestrel::sim
