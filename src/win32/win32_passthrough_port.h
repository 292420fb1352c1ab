// Drive-letter devices and the storage port driver as Windows offers them.
#pragma once
#include <map>
#include <string>

#include "transport/passthrough/passthrough_port.h"
#include "win32/global_blocks.h"
#include "win32/unique_handle.h"

namespace kestrel::win32 {

class Win32PassThroughPort : public PassThroughPort {
 public:
  Win32PassThroughPort() = default;
  Win32PassThroughPort(const Win32PassThroughPort&) = delete;
  Win32PassThroughPort& operator=(const Win32PassThroughPort&) = delete;

  Handle Open(const std::string& path) override;
  bool Control(Handle handle, uint32_t code, void* in, uint32_t inBytes, void* out,
               uint32_t outBytes) override;
  void Close(Handle handle) override;
  uint8_t* AllocateLocked(size_t bytes) override;
  void FreeLocked(uint8_t* block) override;

 private:
  std::map<Handle, UniqueFile> devices_;  // a device left open is closed with the port
  GlobalBlocks memory_;
};

}  // namespace kestrel::win32
