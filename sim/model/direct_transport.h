// The simulated drive in-process: a CommandTransport (with ASPI-style adapter
// addressing, submit/poll, and pass-through-style drive letters) straight over
// a sim::Bus, for native tests of the command set, discovery and firmware update.
//
//   sim::Bus bus;
//   bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320", "1.10", "2003/05/12"));
//   sim::DirectTransport transport(bus);          // failure value -1, as ASPI
//   transport.InitDriveAccess();                  // real zeroed heap buffers
//   transport.SelectDrive({0, 0});
//   ... run operations on a DriveContext over `transport` ...
//   bus.GetTrace().CountCommands(0x3B, 0xFF);     // what was sent
//
// For the pass-through style: sim::DirectTransport transport(bus, 2);
// bus.MapLetter('D', 0, 0); transport.OpenDrive('D'); ...
//
// Submit starts a command that Poll reports as running (1) until the bus clock
// has passed its end (bus.AdvanceMs); Execute never waits: a long command such as
// flash programming returns at once and goes on inside the drive.
#pragma once
#include <cstdint>
#include <memory>

#include "drive/command_transport.h"
#include "sim/model/bus.h"

namespace kestrel::sim {

class DirectTransport : public CommandTransport,
                        public AdapterBus,
                        public AsyncCommands,
                        public DriveLetterAccess {
 public:
  explicit DirectTransport(Bus& bus, int32_t failureValue = -1);
  ~DirectTransport() override;

  // CommandTransport
  int32_t InitDriveAccess() override;
  int32_t ReleaseDriveAccess() override;
  int32_t Execute(const ScsiCommand& command) override;
  // What the drive really sent.
  uint32_t ReceivedLength() const override { return received_; }
  WorkBuffers& Buffers() override { return buffers_; }

  // AdapterBus
  uint8_t AdapterCount() const override;
  std::array<char, 16> AdapterIdentifier(uint8_t adapter) const override;
  bool IntelataPresent() const override;
  void SelectDrive(AspiAddress address) override;
  AspiAddress CurrentAddress() const override { return address_; }

  // AsyncCommands
  void Submit(const ScsiCommand& command) override;
  int32_t Poll() override;
  int32_t PingAdapter() override;

  // DriveLetterAccess
  int32_t OpenDrive(char letter) override;
  int32_t CloseDrive() override;

  // Set-up and inspection for tests.
  void SetInitResult(int32_t result) { initResult_ = result; }  // returned after allocating
  char OpenLetter() const { return openLetter_; }
  int PingCount() const { return pingCount_; }
  // Commands started while a submitted one was still outstanding (a caller bug).
  int OverlapCount() const { return overlapCount_; }
  bool Outstanding() const { return outstanding_; }
  Bus& GetBus() { return bus_; }

 private:
  Drive* CurrentDrive();
  int32_t Run(const ScsiCommand& command, CommandResult* result);

  Bus& bus_;
  int32_t failureValue_;
  int32_t initResult_ = 0;
  WorkBuffers buffers_;
  std::unique_ptr<uint8_t[]> data_, image_, small_;
  AspiAddress address_;
  uint32_t received_ = 0;
  bool byLetter_ = false;
  char openLetter_ = 0;
  bool outstanding_ = false;
  CommandResult submitted_;
  int pingCount_ = 0;
  int overlapCount_ = 0;
};

}  // namespace kestrel::sim
