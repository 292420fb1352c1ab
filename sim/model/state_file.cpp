#include "sim/model/state_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "sim/model/sim_state.h"

namespace kestrel::sim {

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

bool ReplaceWholeFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!(out << text) || !out.flush()) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

void StateFile::Load() {
  std::string text;
  if (ReadWholeFile(path_, text)) LoadSimState(text, bus_);
  fingerprint_ = Fingerprint();
  saved_ = SaveSimState(bus_);
}

// Whatever SaveSimState writes moves one of these: flash and region changes,
// the permanent mode, and the mode and read speed kept until power-off.
std::string StateFile::Fingerprint() const {
  std::string all;
  for (const Drive* d : bus_.AllDrives()) {
    all += std::to_string(d->StateGeneration()) + "/" +
           std::to_string(d->Speed().PermanentChanges()) + "/" +
           std::to_string(static_cast<int>(d->Speed().ActiveMode())) + "/" +
           std::to_string(d->Speed().SelectedReadSpeed()) + ",";
  }
  return all;
}

bool StateFile::SaveIfChanged() {
  const std::string now = Fingerprint();
  if (now == fingerprint_) return true;
  fingerprint_ = now;
  std::string text = SaveSimState(bus_);
  if (text == saved_) return true;
  if (!ReplaceWholeFile(path_, text)) return false;
  saved_ = std::move(text);
  return true;
}

}  // namespace kestrel::sim
