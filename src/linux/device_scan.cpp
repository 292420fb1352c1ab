#include "linux/device_scan.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

namespace kestrel::linux_sg {
namespace {

// Numbers of the entries named prefix + digits.
std::vector<int> NumberedEntries(const std::string& dir, const std::string& prefix) {
  std::vector<int> numbers;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return numbers;
  while (const dirent* entry = readdir(d)) {
    const std::string name = entry->d_name;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(),
                                          [](unsigned char c) { return std::isdigit(c); })) {
      continue;
    }
    numbers.push_back(std::stoi(digits));
  }
  closedir(d);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// The sysfs device a node's class entry points at; empty when unknown.
std::string SysDevice(const std::string& classEntry) {
  char resolved[PATH_MAX];
  if (realpath((classEntry + "/device").c_str(), resolved) == nullptr) return {};
  return resolved;
}

}  // namespace

std::vector<std::string> OpticalDeviceNodes(const std::string& devDir, const std::string& sysDir) {
  std::vector<std::string> nodes;
  std::set<std::string> srDevices;
  for (int n : NumberedEntries(devDir, "sr")) {
    nodes.push_back(devDir + "/sr" + std::to_string(n));
    const std::string device = SysDevice(sysDir + "/block/sr" + std::to_string(n));
    if (!device.empty()) srDevices.insert(device);
  }
  for (int n : NumberedEntries(devDir, "sg")) {
    const std::string device = SysDevice(sysDir + "/class/scsi_generic/sg" + std::to_string(n));
    if (!device.empty() && srDevices.count(device) != 0) continue;
    nodes.push_back(devDir + "/sg" + std::to_string(n));
  }
  return nodes;
}

}  // namespace kestrel::linux_sg
