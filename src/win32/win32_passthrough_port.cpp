// The portable names first: <ntddscsi.h> turns the same names into macros.
#include <cstddef>
#include <cstdint>

#include "transport/passthrough/passthrough_defs.h"

namespace kestrel::win32::portable {
constexpr uint32_t kGetCapabilities = ntscsi::IOCTL_SCSI_GET_CAPABILITIES;
constexpr uint32_t kGetAddress = ntscsi::IOCTL_SCSI_GET_ADDRESS;
constexpr uint32_t kPassThroughDirect = ntscsi::IOCTL_SCSI_PASS_THROUGH_DIRECT;
constexpr uint8_t kDataIn = ntscsi::SCSI_IOCTL_DATA_IN;
constexpr uint8_t kDataOut = ntscsi::SCSI_IOCTL_DATA_OUT;
}  // namespace kestrel::win32::portable

#include "win32/message_pump.h"
#include "win32/wide_text.h"
#include "win32/win32_passthrough_port.h"

// <ntddscsi.h> builds on <windows.h> and the control-code macros of <winioctl.h>.
// clang-format off
#include <winioctl.h>
#include <ntddscsi.h>
// clang-format on

namespace kestrel::win32 {
namespace {

// The portable records must be the ones the storage port driver reads.
static_assert(portable::kGetCapabilities == IOCTL_SCSI_GET_CAPABILITIES);
static_assert(portable::kGetAddress == IOCTL_SCSI_GET_ADDRESS);
static_assert(portable::kPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(portable::kDataIn == SCSI_IOCTL_DATA_IN);
static_assert(portable::kDataOut == SCSI_IOCTL_DATA_OUT);
static_assert(sizeof(ntscsi::SCSI_PASS_THROUGH_DIRECT) == sizeof(::SCSI_PASS_THROUGH_DIRECT));
static_assert(offsetof(ntscsi::SCSI_PASS_THROUGH_DIRECT, DataBuffer) ==
              offsetof(::SCSI_PASS_THROUGH_DIRECT, DataBuffer));
static_assert(offsetof(ntscsi::SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) ==
              offsetof(::SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset));
static_assert(offsetof(ntscsi::SCSI_PASS_THROUGH_DIRECT, Cdb) ==
              offsetof(::SCSI_PASS_THROUGH_DIRECT, Cdb));
static_assert(sizeof(ntscsi::SCSI_ADDRESS) == sizeof(::SCSI_ADDRESS));
static_assert(sizeof(ntscsi::IO_SCSI_CAPABILITIES) == sizeof(::IO_SCSI_CAPABILITIES));

// One DeviceIoControl, made on a worker thread.
struct ControlRequest {
  HANDLE device;
  DWORD code;
  void* in;
  DWORD inBytes;
  void* out;
  DWORD outBytes;
  BOOL done = FALSE;
};

DWORD WINAPI RunControl(void* parameter) {
  auto* request = static_cast<ControlRequest*>(parameter);
  DWORD returned = 0;
  request->done = ::DeviceIoControl(request->device, request->code, request->in, request->inBytes,
                                    request->out, request->outBytes, &returned, nullptr);
  return 0;
}

}  // namespace

PassThroughPort::Handle Win32PassThroughPort::Open(const std::string& path) {
  UniqueFile device(::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  if (!device) return kInvalid;
  const Handle handle = reinterpret_cast<Handle>(device.get());
  devices_[handle] = std::move(device);
  return handle;
}

bool Win32PassThroughPort::Control(Handle handle, uint32_t code, void* in, uint32_t inBytes,
                                   void* out, uint32_t outBytes) {
  auto found = devices_.find(handle);
  if (found == devices_.end()) return false;
  ControlRequest request{found->second.get(), code, in, inBytes, out, outBytes};
  // The request blocks until the drive has answered (a spindle stops in
  // seconds): it runs on a thread of its own while the window keeps painting
  // and its input waits for the operation's end.
  UniqueResource<KernelHandleTraits> worker(
      ::CreateThread(nullptr, 0, RunControl, &request, 0, nullptr));
  if (!worker) {
    RunControl(&request);
    return request.done != FALSE;
  }
  // The buffers are the caller's: never return before the thread has ended.
  if (!WaitPumping(worker.get(), INFINITE)) ::WaitForSingleObject(worker.get(), INFINITE);
  return request.done != FALSE;
}

void Win32PassThroughPort::Close(Handle handle) { devices_.erase(handle); }

uint8_t* Win32PassThroughPort::AllocateLocked(size_t bytes) { return memory_.Allocate(bytes); }

void Win32PassThroughPort::FreeLocked(uint8_t* block) { memory_.Free(block); }

}  // namespace kestrel::win32
