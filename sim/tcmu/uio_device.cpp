#include "sim/tcmu/uio_device.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace kestrel::sim {

namespace {

constexpr char kClassDir[] = "/sys/class/uio/";
constexpr char kTcmuPrefix[] = "tcm-user";

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// uio0, uio1, ... in number order.
std::vector<std::string> UioNames() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kClassDir)) {
    while (dirent* e = readdir(dir)) {
      if (std::strncmp(e->d_name, "uio", 3) == 0) names.push_back(e->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::atoi(a.c_str() + 3) < std::atoi(b.c_str() + 3);
  });
  return names;
}

}  // namespace

UioDevice::~UioDevice() {
  if (map_) munmap(map_, size_);
  if (fd_ >= 0) close(fd_);
}

bool UioDevice::Open(const std::string& node, std::string& why) {
  if (node.empty()) {
    for (const std::string& n : UioNames()) {
      if (FirstLine(kClassDir + n + "/name").rfind(kTcmuPrefix, 0) == 0) {
        name_ = n;
        break;
      }
    }
    if (name_.empty()) return why = "no uio device named tcm-user* in /sys/class/uio", false;
  } else {
    name_ = node.substr(node.rfind('/') + 1);
  }
  const std::string sys = kClassDir + name_;
  uioName_ = FirstLine(sys + "/name");
  if (uioName_.rfind(kTcmuPrefix, 0) != 0)
    return why = name_ + " is not a TCMU device (" + sys + "/name: \"" + uioName_ + "\")", false;
  const std::string sizeText = FirstLine(sys + "/maps/map0/size");
  size_ = std::strtoull(sizeText.c_str(), nullptr, 0);
  if (size_ == 0) return why = "no map size in " + sys + "/maps/map0/size", false;
  const std::string path = "/dev/" + name_;
  fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) return why = "cannot open " + path + ": " + std::strerror(errno), false;
  void* map = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (map == MAP_FAILED) {
    why = "cannot map " + std::to_string(size_) + " bytes of " + path + ": " + std::strerror(errno);
    return false;
  }
  map_ = static_cast<uint8_t*>(map);
  return true;
}

uint64_t UioDevice::CommandTimeoutMs() const {
  // tcm-user/HBA/DEVICE/CONFIG: the backstore is core/user_HBA/DEVICE.
  const size_t a = uioName_.find('/');
  const size_t b = a == std::string::npos ? a : uioName_.find('/', a + 1);
  const size_t c = b == std::string::npos ? b : uioName_.find('/', b + 1);
  if (c == std::string::npos) return 30000;
  const std::string path = "/sys/kernel/config/target/core/user_" +
                           uioName_.substr(a + 1, b - a - 1) + "/" +
                           uioName_.substr(b + 1, c - b - 1) + "/attrib/cmd_time_out";
  const std::string text = FirstLine(path);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return 30000;
  return std::strtoull(text.c_str(), nullptr, 10) * 1000;
}

bool UioDevice::Wait(int waitMs) {
  pollfd p{fd_, POLLIN, 0};
  const int ready = poll(&p, 1, waitMs);
  if (ready < 0) return errno == EINTR;
  if (ready == 0) return true;
  if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  uint32_t count;  // the interrupt count: only its arrival matters
  return read(fd_, &count, sizeof count) == sizeof count || errno == EINTR || errno == EAGAIN;
}

void UioDevice::Kick() {
  const uint32_t one = 1;
  (void)!write(fd_, &one, sizeof one);
}

}  // namespace kestrel::sim
