// What the commands run on: the system's SCSI devices through SG_IO, or a
// simulated machine described by an ini file (--sim). Only the entry point
// knows which one it holds.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "drive/command_transport.h"
#include "shell/clock.h"

namespace kestrel::cli {

class DriveHost {
 public:
  virtual ~DriveHost() = default;
  virtual CommandTransport& Transport() = 0;
  // Device names that may hold an optical drive, for `list`.
  virtual std::vector<std::string> Devices() = 0;
  // Makes `device` the one commands go to: true, or false with `why` set.
  virtual bool Open(const std::string& device, std::string& why) = 0;
  virtual void Close() = 0;
  // The errno of the last Open that failed; 0 when it has none.
  virtual int OpenErrno() const { return 0; }
  // Before a command that changes the drive: this process alone uses it from
  // now on. 0, EBUSY (another program has it, or its disc is mounted) or
  // another errno, with `why` set.
  virtual int Reserve(const std::string& device, std::string& why) = 0;
  // The clock of the programming wait.
  virtual TimerPort& Timer() = 0;
  // After a failed command: the right whose absence made the kernel refuse
  // it, as a sentence; empty when that was not the cause.
  virtual std::string Refusal() const = 0;
  // Since the last open: the first command that failed on the way to the
  // drive (timed out, not delivered), as a phrase; empty when none did.
  virtual std::string TransportFault() const { return {}; }
  // Why the last command failed, as the host learnt it (for -v); empty when
  // it has nothing beyond the command's result.
  virtual std::string LastFailure() const { return {}; }
  // Before anything is written to flash: empty, or why it cannot be.
  virtual std::string FirmwareWriteBlocker(const std::string& device) = 0;
  // The end of a command: a simulated machine keeps its state.
  virtual bool Finish(std::string& why) = 0;
};

}  // namespace kestrel::cli
