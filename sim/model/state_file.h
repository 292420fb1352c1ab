// kestrel-sim.state kept for a long-running front end of the simulated
// machine (the socket server, the TCMU handler): loaded once, written again
// only when something it keeps has changed, and replaced in one step.
//
//   sim::StateFile state(bus, dir + "/kestrel-sim.state");
//   state.Load();
//   ...  after every command:  if (!state.SaveIfChanged()) trace "state-error not saved"
#pragma once
#include <string>

#include "sim/model/bus.h"

namespace kestrel::sim {

bool ReadWholeFile(const std::string& path, std::string& text);
// Writes path.new and renames it over path, so a crash never leaves half a file.
bool ReplaceWholeFile(const std::string& path, const std::string& text);

class StateFile {
 public:
  StateFile(Bus& bus, std::string path) : bus_(bus), path_(std::move(path)) {}
  // Applies the saved state, if there is one; the bus as it then stands is
  // what counts as saved.
  void Load();
  // False only when a changed state could not be written.
  bool SaveIfChanged();

 private:
  std::string Fingerprint() const;

  Bus& bus_;
  std::string path_;
  std::string fingerprint_;  // cheap: the drives' change counters
  std::string saved_;        // the text last read or written
};

}  // namespace kestrel::sim
