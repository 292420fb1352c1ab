#include "transport/aspi/aspi_transport.h"

#include <algorithm>
#include <cstring>

#include "transport/aspi/aspi_result.h"

namespace kestrel {
namespace {

constexpr char kIntelataPrefix[8] = {'i', 'n', 't', 'e', 'l', 'a', 't', 'a'};

uint8_t FlagsFor(DataDirection direction) {
  switch (direction) {
    case DataDirection::In:
      return aspi::SRB_EVENT_NOTIFY | aspi::SRB_DIR_IN;
    case DataDirection::Out:
      return aspi::SRB_EVENT_NOTIFY | aspi::SRB_DIR_OUT;
    case DataDirection::None:
      break;
  }
  return aspi::SRB_EVENT_NOTIFY;
}

}  // namespace

AspiTransport::AspiTransport(AspiPort& port) : port_(port) {}

AspiTransport::~AspiTransport() {
  if (completionEvent_ != nullptr) port_.CloseEvent(completionEvent_);
  ReleaseDriveAccess();
}

int32_t AspiTransport::InitDriveAccess() {
  // A second start-up must not lose what the first one obtained.
  ReleaseDriveAccess();
  intelataPresent_ = false;
  adapterCount_ = 0;
  adapterInventory_ = {};

  // The buffers already obtained when one fails stay with the transport and
  // are freed by ReleaseDriveAccess.
  buffers_.data = port_.AllocateLocked(kDataBufferSize);
  if (buffers_.data == nullptr) return -1;
  requestBlock_ = port_.AllocateLocked(kRequestBlockBufferSize);
  if (requestBlock_ == nullptr) return -1;
  buffers_.image = port_.AllocateLocked(kImageBufferSize);
  if (buffers_.image == nullptr) return -1;
  buffers_.small = port_.AllocateLocked(kSmallBufferSize);
  if (buffers_.small == nullptr) return -1;

  if (!managerLoaded_) {
    if (!port_.LoadManager()) return 1;
    managerLoaded_ = true;  // the manager stays loaded for the life of the process
  }

  const AspiSupportInfo info = DecodeAspiSupportInfo(port_.GetASPI32SupportInfo());
  if (info.status == aspi::SS_FAILED_INIT) return 2;
  adapterCount_ = info.adapterCount;
  if (adapterCount_ == 0) return 3;

  adapterInquiries_.assign(adapterCount_, aspi::SRB_HAInquiry{});
  for (uint8_t i = 0; i < adapterCount_; ++i) {
    aspi::SRB_HAInquiry& inquiry = adapterInquiries_[i];
    inquiry.SRB_Cmd = aspi::SC_HA_INQUIRY;
    inquiry.SRB_HaId = i;
    // A host adapter inquiry has ended when the call returns.
    port_.SendASPI32Command(&inquiry);
    if (i < kMaxInventoryAdapters) {
      std::memcpy(adapterInventory_[i].data(), inquiry.HA_Identifier, sizeof inquiry.HA_Identifier);
    }
    if (std::memcmp(inquiry.HA_Identifier, kIntelataPrefix, sizeof kIntelataPrefix) == 0) {
      intelataPresent_ = true;
    }
  }
  return 0;
}

int32_t AspiTransport::ReleaseDriveAccess() {
  auto release = [this](uint8_t*& block) {
    if (block != nullptr) port_.FreeLocked(block);
    block = nullptr;
  };
  release(buffers_.small);
  release(buffers_.image);
  release(requestBlock_);
  release(buffers_.data);
  adapterInquiries_.clear();
  adapterInquiries_.shrink_to_fit();
  return 0;
}

std::array<char, 16> AspiTransport::AdapterIdentifier(uint8_t adapter) const {
  std::array<char, 16> identifier{};
  if (adapter < adapterCount_ && adapter < kMaxInventoryAdapters) {
    std::copy_n(adapterInventory_[adapter].begin(), identifier.size(), identifier.begin());
  }
  return identifier;
}

const aspi::SRB_ExecSCSICmd* AspiTransport::Request() const {
  return reinterpret_cast<const aspi::SRB_ExecSCSICmd*>(requestBlock_);
}

bool AspiTransport::Send(const ScsiCommand& command) {
  finalStatus_ = aspi::SS_ERR;
  if (requestBlock_ == nullptr || !managerLoaded_) return false;
  // One request block serves every command: never overwrite one in flight.
  // A submitted request that has ended without being polled (the programming
  // wait gave up on it) no longer owns the block.
  if (completionEvent_ != nullptr) {
    if (!port_.WaitForEvent(completionEvent_, 0)) return false;
    port_.CloseEvent(completionEvent_);
    completionEvent_ = nullptr;
  }
  if (!ValidCdbLength(command.cdbLength)) return false;
  if (command.transferLength != 0 && command.data == nullptr) return false;

  void* event = port_.CreateCompletionEvent();
  if (event == nullptr) return false;

  auto* srb = reinterpret_cast<aspi::SRB_ExecSCSICmd*>(requestBlock_);
  std::memset(srb, 0, sizeof *srb);
  srb->SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  srb->SRB_HaId = currentAddress_.adapter;
  srb->SRB_Target = currentAddress_.target;
  srb->SRB_Lun = 0;
  srb->SRB_Flags = FlagsFor(command.direction);
  // Commands without data still carry a valid buffer address.
  srb->SRB_BufPointer = command.transferLength != 0 ? command.data : buffers_.data;
  srb->SRB_BufLen = command.transferLength;
  srb->SRB_SenseLen = 0;  // sense is fetched by an explicit REQUEST SENSE
  srb->SRB_CDBLen = command.cdbLength;
  std::memcpy(srb->CDBByte, command.cdb.data(), command.cdbLength);
  srb->SRB_PostProc = event;

  const uint32_t sent = port_.SendASPI32Command(srb);
  if (!AspiRequestPending(sent)) {
    // Refused or already ended: the event will never be signalled.
    port_.CloseEvent(event);
    finalStatus_ = sent;
    return false;
  }
  completionEvent_ = event;
  return true;
}

int32_t AspiTransport::Execute(const ScsiCommand& command) {
  received_ = 0;
  if (!Send(command)) return AspiCommandResult(finalStatus_);
  if (!port_.WaitForEvent(completionEvent_, kCommandTimeoutMs)) return AbortRequest();
  port_.CloseEvent(completionEvent_);
  completionEvent_ = nullptr;
  const int32_t result = AspiCommandResult(Request()->SRB_Status);
  // ASPI reports no residual: a completed data-in request counts as whole,
  // and the destination was cleared before it was sent.
  if (result == 0 && command.direction == DataDirection::In) received_ = command.transferLength;
  return result;
}

int32_t AspiTransport::AbortRequest() {
  aspi::SRB_Abort abort{};
  abort.SRB_Cmd = aspi::SC_ABORT_SRB;
  abort.SRB_HaId = currentAddress_.adapter;
  abort.SRB_ToAbort = requestBlock_;
  port_.SendASPI32Command(&abort);
  // Ended by the abort, the request gives the block back; otherwise the
  // manager still owns it and Send will not reuse it until it has ended.
  if (port_.WaitForEvent(completionEvent_, kAbortWaitMs)) {
    port_.CloseEvent(completionEvent_);
    completionEvent_ = nullptr;
  }
  return AspiCommandResult(aspi::SS_ABORTED);
}

void AspiTransport::Submit(const ScsiCommand& command) { finalStatusPending_ = !Send(command); }

int32_t AspiTransport::Poll() {
  if (finalStatusPending_) {
    finalStatusPending_ = false;
    return AspiCommandResult(finalStatus_);
  }
  if (completionEvent_ == nullptr) return 1;
  if (!port_.WaitForEvent(completionEvent_, 0)) return 1;
  port_.CloseEvent(completionEvent_);
  completionEvent_ = nullptr;
  return AspiCommandResult(Request()->SRB_Status);
}

int32_t AspiTransport::PingAdapter() {
  if (!managerLoaded_) return aspi::SS_NO_ADAPTERS;
  aspi::SRB_HAInquiry inquiry{};
  inquiry.SRB_Cmd = aspi::SC_HA_INQUIRY;
  inquiry.SRB_HaId = 0;
  return static_cast<int32_t>(port_.SendASPI32Command(&inquiry));
}

}  // namespace kestrel
