// A simulated machine from an ini file (the lines of kestrel-sim.ini), for
// --sim. Its drives are named /dev/sr0, /dev/sr1, ... in adapter and target
// order. The drives' state (flash, RPC state, drive mode, read speed) is kept
// beside the ini, in a file of the ini's name with ".state" for ".ini", so that
// one command sees what the one before it did; a command that changes nothing
// does not write it. Time passes on the simulated clock: the programming wait
// takes no real time.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cli/drive_host.h"
#include "sim/model/bus.h"
#include "sim/model/direct_transport.h"
#include "sim/model/sim_timer.h"

namespace kestrel::cli {

class SimHost final : public DriveHost {
 public:
  // Null, with `why` set, when the file cannot be read or has lines that are
  // not understood.
  static std::unique_ptr<SimHost> Load(const std::string& iniPath, std::string& why);

  CommandTransport& Transport() override { return transport_; }
  std::vector<std::string> Devices() override;
  bool Open(const std::string& device, std::string& why) override;
  void Close() override {}
  // The simulated machine has no other users.
  int Reserve(const std::string&, std::string&) override { return 0; }
  TimerPort& Timer() override { return timer_; }
  std::string Refusal() const override { return {}; }
  std::string FirmwareWriteBlocker(const std::string&) override { return {}; }
  bool Finish(std::string& why) override;

  sim::Bus& GetBus() { return bus_; }
  const std::string& StatePath() const { return statePath_; }

 private:
  explicit SimHost(std::string statePath);
  sim::Bus bus_;
  sim::DirectTransport transport_;
  sim::SimTimer timer_;
  std::string statePath_;
  std::string savedState_;  // as loaded: the file is written only after a change
  std::vector<AspiAddress> drives_;
};

// "x/y/name.ini" -> "x/y/name.state"; other names get ".state" appended.
std::string StatePathFor(const std::string& iniPath);

}  // namespace kestrel::cli
