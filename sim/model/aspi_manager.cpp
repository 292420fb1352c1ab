#include "sim/model/aspi_manager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrel::sim {

namespace {
constexpr uint8_t kHostAdapterId = 7;
constexpr uint8_t kTargetCheckCondition = 0x02;
constexpr char kManagerId[] = "ASPI for WIN32";

DataDirection DirectionOf(uint8_t flags) {
  if (flags & aspi::SRB_DIR_IN) return DataDirection::In;
  if (flags & aspi::SRB_DIR_OUT) return DataDirection::Out;
  return DataDirection::None;
}
}  // namespace

AspiManager::AspiManager(Bus& bus, EventSignal& signal) : bus_(bus), signal_(signal) {}

uint8_t AspiManager::AdapterCount() const {
  return static_cast<uint8_t>(std::min<size_t>(bus_.AdapterCount(), 255));
}

uint32_t AspiManager::GetASPI32SupportInfo() {
  if (supportInfoFailure_ != 0) return uint32_t{supportInfoFailure_} << 8;
  uint8_t count = AdapterCount();
  if (count == 0) return uint32_t{aspi::SS_NO_ADAPTERS} << 8;
  return (uint32_t{aspi::SS_COMP} << 8) | count;
}

void AspiManager::RefuseRequests(int nth, uint8_t status, int count) {
  refuseNth_ = nth;
  refuseStatus_ = status;
  refuseCount_ = count;
  execSeen_ = 0;
}

void AspiManager::ClearFaults() {
  supportInfoFailure_ = 0;
  refuseNth_ = 0;
}

void AspiManager::RecordRejected(const aspi::SRB_ExecSCSICmd& srb, const std::string& why) {
  TraceEntry e;
  e.kind = TraceEntry::Kind::Rejected;
  e.adapter = srb.SRB_HaId;
  e.target = srb.SRB_Target;
  e.cdb.assign(srb.CDBByte, srb.CDBByte + std::min<size_t>(srb.SRB_CDBLen, 16));
  e.direction = DirectionOf(srb.SRB_Flags);
  e.transferLength = srb.SRB_BufLen;
  e.atMs = bus_.NowMs();
  e.note = why;
  bus_.GetTrace().Record(std::move(e));
}

uint32_t AspiManager::SendASPI32Command(void* block) {
  if (!block) return aspi::SS_INVALID_CMD;
  auto* header = static_cast<aspi::SRB_Header*>(block);
  bus_.Update();

  if (header->SRB_Cmd == aspi::SC_HA_INQUIRY) {
    auto* srb = static_cast<aspi::SRB_HAInquiry*>(block);
    ++adapterInquiries_;
    TraceEntry e;
    e.kind = TraceEntry::Kind::AdapterInquiry;
    e.adapter = srb->SRB_HaId;
    e.atMs = bus_.NowMs();
    uint8_t status = aspi::SS_COMP;
    Adapter* adapter = bus_.GetAdapter(srb->SRB_HaId);
    if (!adapter && !(srb->SRB_HaId == 0 && AdapterCount() == 0)) {
      status = aspi::SS_INVALID_HA;
    } else {
      srb->HA_Count = AdapterCount();
      srb->HA_SCSI_ID = kHostAdapterId;
      std::memset(srb->HA_ManagerId, ' ', sizeof srb->HA_ManagerId);
      std::memcpy(srb->HA_ManagerId, kManagerId, sizeof kManagerId - 1);
      std::memset(srb->HA_Identifier, 0, sizeof srb->HA_Identifier);
      if (adapter) std::memcpy(srb->HA_Identifier, adapter->Identifier().data(), 16);
      std::memset(srb->HA_Unique, 0, sizeof srb->HA_Unique);
      srb->HA_Unique[3] = kTargetsPerAdapter;  // maximum targets
      srb->HA_Unique[4] = 0x00;                // maximum transfer length 0x00010000
      srb->HA_Unique[5] = 0x00;
      srb->HA_Unique[6] = 0x01;
    }
    srb->SRB_Status = status;
    char text[8];
    std::snprintf(text, sizeof text, "%02x", status);
    e.note = text;
    bus_.GetTrace().Record(std::move(e));
    return status;
  }

  if (header->SRB_Cmd == aspi::SC_ABORT_SRB) return Abort(*static_cast<aspi::SRB_Abort*>(block));

  if (header->SRB_Cmd != aspi::SC_EXEC_SCSI_CMD) {
    TraceEntry e;
    e.kind = TraceEntry::Kind::Rejected;
    e.adapter = header->SRB_HaId;
    e.atMs = bus_.NowMs();
    char text[40];
    std::snprintf(text, sizeof text, "unsupported_srb_cmd_%02x", header->SRB_Cmd);
    e.note = text;
    bus_.GetTrace().Record(std::move(e));
    header->SRB_Status = aspi::SS_INVALID_CMD;
    return aspi::SS_INVALID_CMD;
  }

  auto* srb = static_cast<aspi::SRB_ExecSCSICmd*>(block);
  ++execSeen_;
  if (refuseNth_ > 0 && execSeen_ >= refuseNth_ &&
      (refuseCount_ == 0 || execSeen_ < refuseNth_ + refuseCount_)) {
    RecordRejected(*srb, "refused");
    srb->SRB_Status = refuseStatus_;
    return refuseStatus_;
  }
  if (srb->SRB_HaId >= AdapterCount()) {
    RecordRejected(*srb, "invalid_ha");
    srb->SRB_Status = aspi::SS_INVALID_HA;
    return aspi::SS_INVALID_HA;
  }
  Drive* drive = srb->SRB_Lun == 0 ? bus_.DriveAt(srb->SRB_HaId, srb->SRB_Target) : nullptr;
  if (!drive) {
    RecordRejected(*srb, "no_device");
    srb->SRB_Status = aspi::SS_NO_DEVICE;
    return aspi::SS_NO_DEVICE;
  }
  if (srb->SRB_CDBLen == 0 || srb->SRB_CDBLen > sizeof srb->CDBByte) {
    RecordRejected(*srb, "bad_cdb_length");
    srb->SRB_Status = aspi::SS_INVALID_CMD;
    return aspi::SS_INVALID_CMD;
  }

  srb->SRB_Status = aspi::SS_PENDING;
  srb->SRB_HaStat = 0;
  srb->SRB_TargStat = 0;
  Pending p;
  p.srb = srb;
  p.drive = drive;
  p.result = drive->Execute(srb->CDBByte, srb->SRB_CDBLen, DirectionOf(srb->SRB_Flags),
                            srb->SRB_BufPointer, srb->SRB_BufPointer ? srb->SRB_BufLen : 0);
  pending_.push_back(p);
  return aspi::SS_PENDING;
}

uint32_t AspiManager::Abort(aspi::SRB_Abort& abort) {
  // The drive goes on with the command; the caller gets its request back.
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [&abort](const Pending& p) { return p.srb == abort.SRB_ToAbort; });
  TraceEntry e;
  e.kind = TraceEntry::Kind::Rejected;
  e.adapter = abort.SRB_HaId;
  e.atMs = bus_.NowMs();
  e.note = it != pending_.end() ? "aborted" : "abort_of_no_request";
  bus_.GetTrace().Record(std::move(e));
  if (it == pending_.end()) {
    abort.SRB_Status = aspi::SS_ERR;
    return aspi::SS_ERR;
  }
  aspi::SRB_ExecSCSICmd* srb = it->srb;
  pending_.erase(it);
  srb->SRB_Status = aspi::SS_ABORTED;
  if (srb->SRB_Flags & aspi::SRB_EVENT_NOTIFY) signal_.Signal(srb->SRB_PostProc);
  abort.SRB_Status = aspi::SS_COMP;
  return aspi::SS_COMP;
}

void AspiManager::Complete(Pending& p) {
  aspi::SRB_ExecSCSICmd* srb = p.srb;
  if (p.result.good()) {
    srb->SRB_HaStat = 0;
    srb->SRB_TargStat = 0;
  } else {
    srb->SRB_HaStat = 0;
    srb->SRB_TargStat = kTargetCheckCondition;
    if (srb->SRB_SenseLen > 0) {
      // Automatic sense: the manager fetches it, so the drive's pending sense is used up.
      uint8_t sense[18] = {};
      sense[0] = 0x70;
      sense[2] = p.result.sense.key;
      sense[7] = 10;
      sense[12] = p.result.sense.asc;
      sense[13] = p.result.sense.ascq;
      size_t n = std::min<size_t>({srb->SRB_SenseLen, sizeof sense, sizeof srb->SenseArea});
      std::memcpy(srb->SenseArea, sense, n);
      p.drive->ClearPendingSense();
    }
  }
  void* event = (srb->SRB_Flags & aspi::SRB_EVENT_NOTIFY) ? srb->SRB_PostProc : nullptr;
  // The status is the last field written: a poller sees everything else first.
  srb->SRB_Status = p.result.good() ? aspi::SS_COMP : aspi::SS_ERR;
  if (event) signal_.Signal(event);
}

size_t AspiManager::Tick() {
  bus_.Update();
  const uint64_t now = bus_.NowMs();
  size_t done = 0;
  // Completion may be signalled to a caller who submits again at once, so
  // collect the due requests before signalling.
  std::vector<Pending> due;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->result.completesAtMs != kNever && it->result.completesAtMs <= now) {
      due.push_back(*it);
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
  for (Pending& p : due) {
    Complete(p);
    ++done;
  }
  return done;
}

uint64_t AspiManager::NextCompletionMs() const {
  uint64_t next = kNever;
  for (const Pending& p : pending_) next = std::min(next, p.result.completesAtMs);
  return next;
}

}  // namespace kestrel::sim
