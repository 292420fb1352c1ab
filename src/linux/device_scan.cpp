#include "linux/device_scan.h"

#include <dirent.h>
#include <grp.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
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

constexpr int kCdDvdType = 5;
constexpr int kTypeUnknown = -1;

// The SCSI device type in a class entry's device/type, or kTypeUnknown.
int DeviceType(const std::string& classEntry) {
  std::ifstream in(classEntry + "/device/type");
  int type = kTypeUnknown;
  if (!(in >> type)) return kTypeUnknown;
  return type;
}

}  // namespace

std::string NodeGroup(const std::string& node) {
  struct stat status {};
  if (::stat(node.c_str(), &status) != 0) return {};
  const group* owner = ::getgrgid(status.st_gid);
  return owner != nullptr && owner->gr_name != nullptr ? owner->gr_name : "";
}

std::string GroupHint(const std::vector<std::string>& nodes) {
  std::vector<std::string> groups;
  for (const std::string& node : nodes) {
    const std::string group = NodeGroup(node);
    // root owns a node no group is given to: only root may open it.
    if (!group.empty() && group != "root" &&
        std::find(groups.begin(), groups.end(), group) == groups.end()) {
      groups.push_back(group);
    }
  }
  if (groups.empty()) return "members of its group, usually cdrom, or root usually may";
  std::string hint = "members of group " + groups[0];
  for (size_t i = 1; i < groups.size(); ++i) hint += " (or " + groups[i] + ")";
  return hint + " usually may";
}

std::vector<std::string> OpticalDeviceNodes(const std::string& devDir, const std::string& sysDir) {
  std::vector<std::string> nodes;
  std::set<std::string> srDevices;
  for (int n : NumberedEntries(devDir, "sr")) {
    const std::string entry = sysDir + "/block/sr" + std::to_string(n);
    const int type = DeviceType(entry);
    if (type != kCdDvdType && type != kTypeUnknown) continue;
    nodes.push_back(devDir + "/sr" + std::to_string(n));
    const std::string device = SysDevice(entry);
    if (!device.empty()) srDevices.insert(device);
  }
  for (int n : NumberedEntries(devDir, "sg")) {
    const std::string entry = sysDir + "/class/scsi_generic/sg" + std::to_string(n);
    if (DeviceType(entry) != kCdDvdType) continue;
    const std::string device = SysDevice(entry);
    if (!device.empty() && srDevices.count(device) != 0) continue;
    nodes.push_back(devDir + "/sg" + std::to_string(n));
  }
  return nodes;
}

}  // namespace kestrel::linux_sg
