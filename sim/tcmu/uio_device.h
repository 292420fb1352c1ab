// The UIO device of a TCMU backstore (/dev/uioN, named "tcm-user/..."):
// its whole area mapped, the kernel's interrupts waited for and its
// completions kicked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel::sim {

class UioDevice {
 public:
  UioDevice() = default;
  ~UioDevice();
  UioDevice(const UioDevice&) = delete;
  UioDevice& operator=(const UioDevice&) = delete;

  // `node` is /dev/uioN, or empty for the first uio device whose name starts
  // with "tcm-user". False with why when it cannot be opened and mapped.
  bool Open(const std::string& node, std::string& why);
  uint8_t* Map() const { return map_; }
  size_t Size() const { return size_; }
  const std::string& Name() const { return name_; }  // "uio0"
  // The backstore's cmd_time_out from configfs, in ms; 30 s when not found.
  uint64_t CommandTimeoutMs() const;

  // Waits up to waitMs for the kernel's interrupt (new entries); false when
  // the device has gone (the backstore was disabled).
  bool Wait(int waitMs);
  // Tells the kernel the tail moved.
  void Kick();

 private:
  int fd_ = -1;
  uint8_t* map_ = nullptr;
  size_t size_ = 0;
  std::string name_;
  std::string uioName_;  // sysfs name: tcm-user/HBA/DEVICE/CONFIG
};

}  // namespace kestrel::sim
