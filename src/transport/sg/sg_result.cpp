#include "transport/sg/sg_result.h"

#include <errno.h>

#include <algorithm>

namespace kestrel::linux_sg {
namespace {

// Host and driver codes of the SCSI mid-level (scsi.h), as SG_IO reports them.
constexpr uint16_t kDidTimeOut = 0x03;
constexpr uint16_t kDriverMask = 0x0F;
constexpr uint16_t kDriverTimeout = 0x06;
constexpr uint16_t kDriverSense = 0x08;
constexpr uint8_t kStatusMask = 0x3E;  // the SAM status without its reserved bits
constexpr uint8_t kCheckCondition = 0x02;

SgFailure FailureForErrno(int error) {
  switch (error) {
    case EPERM:
      return SgFailure::NotPermitted;
    case EACCES:
      return SgFailure::AccessDenied;
    case ENXIO:
    case ENODEV:
      return SgFailure::DeviceGone;
    default:
      return SgFailure::CallFailed;
  }
}

}  // namespace

SgOutcome DecideSgResult(int ioctlError, const sg_io_hdr_t& header) {
  SgOutcome outcome;
  if (ioctlError != 0) {
    outcome.result = kSgFailure;
    outcome.failure = FailureForErrno(ioctlError);
    outcome.osError = ioctlError;
    return outcome;
  }
  if (header.dxfer_direction != SG_DXFER_NONE) {
    // A negative or oversized residual never claims more than was asked for.
    const int64_t moved = static_cast<int64_t>(header.dxfer_len) - header.resid;
    outcome.transferred = static_cast<uint32_t>(
        std::clamp<int64_t>(moved, 0, static_cast<int64_t>(header.dxfer_len)));
  }
  const uint8_t status = header.status & kStatusMask;
  const uint16_t driver = header.driver_status & kDriverMask;
  const bool senseArrived = header.sb_len_wr > 0 && header.sbp != nullptr;
  if (header.host_status == kDidTimeOut || driver == kDriverTimeout) {
    outcome.failure = SgFailure::TimedOut;
  } else if (header.host_status != 0) {
    outcome.failure = SgFailure::HostError;
  } else if (status == kCheckCondition || (driver == kDriverSense && senseArrived)) {
    outcome.failure = SgFailure::CheckCondition;
    outcome.senseLength = senseArrived ? std::min<uint8_t>(header.sb_len_wr, header.mx_sb_len) : 0;
  } else if (status != 0) {
    outcome.failure = SgFailure::DeviceStatus;
  } else if (driver != 0) {
    outcome.failure = SgFailure::DriverError;
  }
  if (outcome.failure != SgFailure::None) {
    outcome.result = kSgFailure;
    // Data that a failed command moved is not trusted.
    outcome.transferred = 0;
  }
  return outcome;
}

const char* SgFailureText(SgFailure failure) {
  switch (failure) {
    case SgFailure::None:
      return "no error";
    case SgFailure::CheckCondition:
      return "the drive refused the command";
    case SgFailure::DeviceStatus:
      return "the drive answered with an unexpected status";
    case SgFailure::TimedOut:
      return "the command timed out";
    case SgFailure::HostError:
      return "the host adapter could not deliver the command";
    case SgFailure::DriverError:
      return "the SCSI driver reported an error";
    case SgFailure::NotPermitted:
      return "the kernel refused the command";
    case SgFailure::AccessDenied:
      return "access to the device was denied";
    case SgFailure::DeviceGone:
      return "the device is gone";
    case SgFailure::CallFailed:
      return "the SG_IO call failed";
  }
  return "unknown error";
}

}  // namespace kestrel::linux_sg
