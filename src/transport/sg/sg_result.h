// How a finished SG_IO request becomes a command result: a pure function of
// the ioctl's return and the header's status, host status, driver status,
// sense length and residual, checked by one table of cases.
#pragma once
#include <scsi/sg.h>

#include <cstdint>

namespace kestrel::linux_sg {

// The transport's failure value: the pass-through builds' one.
constexpr int32_t kSgFailure = 2;

enum class SgFailure : uint8_t {
  None,
  CheckCondition,  // the drive refused the command; sense came with it
  DeviceStatus,    // another SCSI status (busy, reservation conflict, ...)
  TimedOut,        // the host adapter or driver gave up waiting
  HostError,       // the host adapter could not deliver the command
  DriverError,     // the SCSI mid-level reported an error of its own
  NotPermitted,    // the kernel refused the command (EPERM): a right is missing
  AccessDenied,    // EACCES
  DeviceGone,      // ENXIO, ENODEV: the device went away
  CallFailed,      // any other errno of the ioctl
};

struct SgOutcome {
  int32_t result = 0;  // 0 or kSgFailure
  SgFailure failure = SgFailure::None;
  uint8_t senseLength = 0;   // sense bytes to keep (CHECK CONDITION only)
  uint32_t transferred = 0;  // data bytes moved: the request's length less the residual
  int osError = 0;           // errno of a failed ioctl
};

// ioctlError: 0 when ioctl(SG_IO) returned 0, else its errno (the header is
// then not looked at).
SgOutcome DecideSgResult(int ioctlError, const sg_io_hdr_t& header);

const char* SgFailureText(SgFailure failure);

}  // namespace kestrel::linux_sg
