#include "cli/sim_host.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli/text_files.h"
#include "sim/model/sim_config.h"
#include "sim/model/sim_state.h"
#include "transport/passthrough/passthrough_result.h"

namespace kestrel::cli {
namespace {

constexpr char kDevicePrefix[] = "/dev/sr";

}  // namespace

std::string StatePathFor(const std::string& iniPath) {
  const std::string ini = ".ini";
  if (iniPath.size() > ini.size() &&
      iniPath.compare(iniPath.size() - ini.size(), ini.size(), ini) == 0) {
    return iniPath.substr(0, iniPath.size() - ini.size()) + ".state";
  }
  return iniPath + ".state";
}

SimHost::SimHost(std::string statePath)
    : transport_(bus_, kPassThroughFailure), timer_(bus_), statePath_(std::move(statePath)) {}

std::unique_ptr<SimHost> SimHost::Load(const std::string& iniPath, std::string& why) {
  std::string text;
  if (!ReadTextFile(iniPath, text)) {
    why = "cannot read the simulated machine's configuration " + iniPath;
    return nullptr;
  }
  const sim::SimConfig config = sim::ParseSimConfig(text);
  if (!config.errors.empty()) {
    why = iniPath + ": " + config.errors.front();
    return nullptr;
  }
  std::unique_ptr<SimHost> host(new SimHost(StatePathFor(iniPath)));
  sim::BuildBus(config, host->bus_);
  std::string state;
  if (ReadTextFile(host->statePath_, state) && !sim::LoadSimState(state, host->bus_)) {
    why = host->statePath_ + " is not a simulated drive's state file";
    return nullptr;
  }
  for (size_t a = 0; a < host->bus_.AdapterCount(); ++a) {
    for (int t = 0; t < sim::kTargetsPerAdapter; ++t) {
      if (host->bus_.DriveAt(a, static_cast<size_t>(t)) != nullptr) {
        host->drives_.push_back(AspiAddress{static_cast<uint8_t>(a), static_cast<uint8_t>(t)});
      }
    }
  }
  host->transport_.InitDriveAccess();
  host->savedState_ = sim::SaveSimState(host->bus_);
  return host;
}

std::vector<std::string> SimHost::Devices() {
  std::vector<std::string> names;
  for (size_t i = 0; i < drives_.size(); ++i) names.push_back(kDevicePrefix + std::to_string(i));
  return names;
}

bool SimHost::Open(const std::string& device, std::string& why) {
  std::string name = device;
  if (name.rfind("/dev/", 0) == 0) name = name.substr(5);
  size_t index = drives_.size();
  if (name.size() > 2 && name.compare(0, 2, "sr") == 0 &&
      name.find_first_not_of("0123456789", 2) == std::string::npos && name.size() < 8) {
    index = std::stoul(name.substr(2));
  }
  if (index >= drives_.size()) {
    why = "no simulated drive " + device + " (the machine has " + std::to_string(drives_.size()) +
          ": /dev/sr0" +
          (drives_.size() > 1 ? " to /dev/sr" + std::to_string(drives_.size() - 1) : "") + ")";
    return false;
  }
  transport_.SelectDrive(drives_[index]);
  return true;
}

bool SimHost::Finish(std::string& why) {
  // A command that changed nothing leaves the file as it is.
  const std::string state = sim::SaveSimState(bus_);
  if (state == savedState_ || WriteTextFileAtomically(statePath_, state)) return true;
  why = "cannot keep the simulated drives' state in " + statePath_;
  return false;
}

}  // namespace kestrel::cli
