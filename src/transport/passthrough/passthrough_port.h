// The operating-system calls that PassThroughTransport makes (CreateFileW and
// DeviceIoControl on Windows), so that its logic runs natively too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrel {

class PassThroughPort {
 public:
  using Handle = intptr_t;
  static constexpr Handle kInvalid = -1;
  virtual ~PassThroughPort() = default;
  // path such as "\\\\.\\D:"; read/write access, shared read/write, existing only.
  virtual Handle Open(const std::string& path) = 0;
  // DeviceIoControl: true when the call succeeded.
  virtual bool Control(Handle handle, uint32_t code, void* in, uint32_t inBytes, void* out,
                       uint32_t outBytes) = 0;
  virtual void Close(Handle handle) = 0;
  virtual uint8_t* AllocateLocked(size_t bytes) = 0;
  virtual void FreeLocked(uint8_t* block) = 0;
};

}  // namespace kestrel
