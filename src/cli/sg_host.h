// The system's drives: device nodes opened and driven through SG_IO.
#pragma once
#include <string>

#include "cli/drive_host.h"
#include "cli/drive_lock.h"
#include "cli/steady_timer.h"
#include "transport/sg/sg_port.h"
#include "transport/sg/sg_transport.h"

namespace kestrel::cli {

class SgHost final : public DriveHost {
 public:
  // devDir: where `list` looks for srN and sgN ("/dev"); lockDir: where the
  // drives' lock files are.
  SgHost(linux_sg::SgPort& port, std::string devDir, std::string sysDir = "/sys",
         std::string lockDir = kDefaultLockDir);
  CommandTransport& Transport() override { return transport_; }
  std::vector<std::string> Devices() override;
  bool Open(const std::string& device, std::string& why) override;
  int OpenErrno() const override { return openErrno_; }
  void Close() override { transport_.CloseDevice(); }
  int Reserve(const std::string& device, std::string& why) override;
  TimerPort& Timer() override { return timer_; }
  std::string Refusal() const override;
  std::string FirmwareWriteBlocker(const std::string& device) override;
  std::string TransportFault() const override { return transport_.TransportFault(); }
  std::string LastFailure() const override;
  bool Finish(std::string&) override { return true; }

 private:
  linux_sg::SgPort& port_;
  linux_sg::SgTransport transport_;
  SteadyTimer timer_;
  std::string devDir_, sysDir_, lockDir_, device_;
  DriveLock lock_;
  int openErrno_ = 0;
};

}  // namespace kestrel::cli
