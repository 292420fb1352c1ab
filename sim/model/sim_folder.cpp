#include "sim/model/sim_folder.h"

#include <chrono>

namespace kestrel::sim {

SimFolder::SimFolder(const std::string& dir, const std::function<void(SimConfig&)>& adjust)
    : dir_(dir), state_(bus_, dir + "/kestrel-sim.state") {
  std::string text;
  haveConfig_ = ReadWholeFile(dir_ + "/kestrel-sim.ini", text);
  config_ = ParseSimConfig(haveConfig_ ? text : std::string());
  if (adjust) adjust(config_);
  BuildBus(config_, bus_);
}

void SimFolder::Start(const std::string& frontEnd) {
  trace_.open(dir_ + "/kestrel-sim.trace", std::ios::app | std::ios::binary);
  Trace("start " + frontEnd + (haveConfig_ ? " config=kestrel-sim.ini" : " config=built-in"));
  for (const std::string& error : config_.errors) Trace("config-error " + error);
  state_.Load();
}

void SimFolder::Trace(const std::string& line) {
  trace_ << line << "\r\n";
  trace_.flush();
}

void SimFolder::SaveIfChanged() {
  if (!state_.SaveIfChanged()) Trace("state-error not saved");
}

std::function<uint64_t()> MillisecondsFromNow() {
  const auto start = std::chrono::steady_clock::now();
  return [start] {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
  };
}

}  // namespace kestrel::sim
