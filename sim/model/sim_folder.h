// The folder of a simulated machine as its long-running front ends (the
// socket server, the TCMU handler) use it: kestrel-sim.ini read once,
// kestrel-sim.trace appended to, kestrel-sim.state kept.
//
//   sim::SimFolder folder(dir);        // reads the ini and builds the bus
//   ...                                // the front end's own set-up
//   folder.Start("tcmu");              // "start tcmu config=...", config errors, the saved state
//   ...  after every command:  folder.SaveIfChanged();
#pragma once
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

#include "sim/model/bus.h"
#include "sim/model/sim_config.h"
#include "sim/model/state_file.h"

namespace kestrel::sim {

class SimFolder {
 public:
  // `adjust` may change the configuration before the bus is built.
  explicit SimFolder(const std::string& dir,
                     const std::function<void(SimConfig&)>& adjust = nullptr);
  Bus& GetBus() { return bus_; }
  // Opens the trace, writes the start line and the configuration's errors,
  // and applies the saved state.
  void Start(const std::string& frontEnd);
  // One trace line (after Start), flushed at once.
  void Trace(const std::string& line);
  // Writes the state when it changed; a failure is traced.
  void SaveIfChanged();

 private:
  std::string dir_;
  bool haveConfig_ = false;
  SimConfig config_;
  Bus bus_;
  StateFile state_;
  std::ofstream trace_;
};

// Milliseconds on the steady clock since the call.
std::function<uint64_t()> MillisecondsFromNow();

}  // namespace kestrel::sim
