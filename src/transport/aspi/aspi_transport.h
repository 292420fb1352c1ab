// The command transport of the ASPI builds: commands go to the ASPI manager
// as SRB_ExecSCSICmd requests addressed by host adapter and target id.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "drive/command_transport.h"
#include "transport/aspi/aspi_defs.h"
#include "transport/aspi/aspi_port.h"

namespace kestrel {

class AspiTransport : public CommandTransport, public AdapterBus, public AsyncCommands {
 public:
  // The adapter inventory keeps the identifiers of this many adapters; a
  // system reporting more keeps its count, the excess reads as blank.
  static constexpr uint8_t kMaxInventoryAdapters = 16;
  static constexpr uint32_t kRequestBlockBufferSize = 0x50000;
  // A command executed (not the submitted programming command) that has not
  // ended by then is aborted and fails; the abort itself is waited for this long.
  static constexpr uint32_t kCommandTimeoutMs = 60000;
  static constexpr uint32_t kAbortWaitMs = 2000;

  // The port must outlive the transport.
  explicit AspiTransport(AspiPort& port);
  ~AspiTransport() override;
  AspiTransport(const AspiTransport&) = delete;
  AspiTransport& operator=(const AspiTransport&) = delete;

  // CommandTransport
  int32_t InitDriveAccess() override;
  int32_t ReleaseDriveAccess() override;
  int32_t Execute(const ScsiCommand& command) override;
  // The manager reports no count: a completed data-in command counts whole.
  uint32_t ReceivedLength() const override { return received_; }
  WorkBuffers& Buffers() override { return buffers_; }

  // AdapterBus
  uint8_t AdapterCount() const override { return adapterCount_; }
  // Blank (all zero) for an adapter beyond the inventory or beyond the count.
  std::array<char, 16> AdapterIdentifier(uint8_t adapter) const override;
  bool IntelataPresent() const override { return intelataPresent_; }
  void SelectDrive(AspiAddress address) override { currentAddress_ = address; }
  AspiAddress CurrentAddress() const override { return currentAddress_; }

  // AsyncCommands
  void Submit(const ScsiCommand& command) override;
  int32_t Poll() override;
  int32_t PingAdapter() override;

 private:
  // Creates the event, fills the request block and sends it. Returns false
  // when the request was not sent or has already ended; finalStatus_ then
  // holds its status and no event is left open.
  bool Send(const ScsiCommand& command);
  const aspi::SRB_ExecSCSICmd* Request() const;
  // Asks the manager to end the request in flight; its result is a failure.
  int32_t AbortRequest();

  AspiPort& port_;
  WorkBuffers buffers_;
  uint8_t* requestBlock_ = nullptr;
  bool managerLoaded_ = false;
  uint8_t adapterCount_ = 0;
  std::vector<aspi::SRB_HAInquiry> adapterInquiries_;
  std::array<std::array<char, 32>, kMaxInventoryAdapters> adapterInventory_{};
  bool intelataPresent_ = false;
  AspiAddress currentAddress_;
  uint32_t received_ = 0;

  void* completionEvent_ = nullptr;  // the event of the request in flight
  // A submitted request that ended without its event (refused or completed
  // at once): its status, reported by the next poll.
  bool finalStatusPending_ = false;
  uint32_t finalStatus_ = 0;
};

}  // namespace kestrel
