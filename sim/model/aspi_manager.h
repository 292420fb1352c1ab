// An ASPI for Win32 manager over a sim::Bus: the two entry points of
// WNASPI32.DLL working on the published request blocks. Portable: the DLL puts
// it behind its exports, native tests call it directly.
//
//   sim::AspiManager manager(bus, signal);   // signal: sim::EventSignal
//   manager.GetASPI32SupportInfo();          // (SS_COMP << 8) | adapter count
//   manager.SendASPI32Command(&srb);         // SS_PENDING for SC_EXEC_SCSI_CMD
//   bus.AdvanceMs(...); manager.Tick();      // completes due requests, signals SRB_PostProc
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/bus.h"
#include "transport/aspi/aspi_defs.h"

namespace kestrel::sim {

// How the manager tells the caller's event that a request has ended.
class EventSignal {
 public:
  virtual ~EventSignal() = default;
  virtual void Signal(void* event) = 0;
};

class AspiManager {
 public:
  AspiManager(Bus& bus, EventSignal& signal);

  uint32_t GetASPI32SupportInfo();
  uint32_t SendASPI32Command(void* srb);
  // Completes every pending request whose command has ended by the bus clock;
  // returns how many.
  size_t Tick();
  size_t PendingCount() const { return pending_.size(); }
  // When the next pending request ends; kNever when none will.
  uint64_t NextCompletionMs() const;

  // Faults.
  // GetASPI32SupportInfo reports this status and no adapters (e.g. SS_FAILED_INIT).
  void FailSupportInfo(uint8_t status) { supportInfoFailure_ = status; }
  // SendASPI32Command refuses SC_EXEC_SCSI_CMD requests from the nth one on
  // (count of them; 0 all), returning `status` without ever signalling.
  void RefuseRequests(int nth, uint8_t status = aspi::SS_ERR, int count = 1);
  void ClearFaults();

  int AdapterInquiryCount() const { return adapterInquiries_; }

 private:
  struct Pending {
    aspi::SRB_ExecSCSICmd* srb;
    CommandResult result;
    Drive* drive;
  };
  uint8_t AdapterCount() const;
  void Complete(Pending& p);
  uint32_t Abort(aspi::SRB_Abort& abort);
  void RecordRejected(const aspi::SRB_ExecSCSICmd& srb, const std::string& why);

  Bus& bus_;
  EventSignal& signal_;
  std::vector<Pending> pending_;
  uint8_t supportInfoFailure_ = 0;
  int refuseNth_ = 0;
  int refuseCount_ = 1;
  uint8_t refuseStatus_ = aspi::SS_ERR;
  int execSeen_ = 0;
  int adapterInquiries_ = 0;
};

}  // namespace kestrel::sim
