// -v: every command block on its way to the drive, and what came back (its
// status, sense and residual), on stderr, as sg3_utils' -v shows them. The
// host is wrapped as it is, so the commands see no difference.
#pragma once
#include <ostream>

#include "cli/drive_host.h"

namespace kestrel::cli {

class VerboseTransport final : public CommandTransport {
 public:
  VerboseTransport(CommandTransport& inner, const DriveHost& host, std::ostream& log)
      : inner_(inner), host_(host), log_(log) {}
  int32_t InitDriveAccess() override { return inner_.InitDriveAccess(); }
  int32_t ReleaseDriveAccess() override { return inner_.ReleaseDriveAccess(); }
  int32_t Execute(const ScsiCommand& command) override;
  uint32_t ReceivedLength() const override { return inner_.ReceivedLength(); }
  WorkBuffers& Buffers() override { return inner_.Buffers(); }

 private:
  void ShowSense(const uint8_t* sense, size_t length);
  CommandTransport& inner_;
  const DriveHost& host_;
  std::ostream& log_;
};

// The host with its transport shown.
class VerboseHost final : public DriveHost {
 public:
  VerboseHost(DriveHost& inner, std::ostream& log)
      : inner_(inner), transport_(inner.Transport(), inner, log) {}
  CommandTransport& Transport() override { return transport_; }
  std::vector<std::string> Devices() override { return inner_.Devices(); }
  bool Open(const std::string& device, std::string& why) override {
    return inner_.Open(device, why);
  }
  void Close() override { inner_.Close(); }
  int Reserve(const std::string& device, std::string& why) override {
    return inner_.Reserve(device, why);
  }
  TimerPort& Timer() override { return inner_.Timer(); }
  std::string Refusal() const override { return inner_.Refusal(); }
  std::string TransportFault() const override { return inner_.TransportFault(); }
  std::string LastFailure() const override { return inner_.LastFailure(); }
  std::string FirmwareWriteBlocker(const std::string& device) override {
    return inner_.FirmwareWriteBlocker(device);
  }
  bool Finish(std::string& why) override { return inner_.Finish(why); }

 private:
  DriveHost& inner_;
  VerboseTransport transport_;
};

}  // namespace kestrel::cli
