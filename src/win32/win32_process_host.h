// The launcher's process host on Windows, and the platform information it
// reads once at start.
#pragma once
#include "launcher/platform_info.h"
#include "launcher/process_host.h"

namespace kestrel::win32 {

// GetVersionExA with the 148-byte OSVERSIONINFOA.
PlatformInfo ReadPlatformInfo();

class Win32ProcessHost final : public ProcessHost {
 public:
  bool FindInCurrentDirectory(const std::string& bareName, std::string& fullPath,
                              uint32_t& error) override;
  bool Start(const std::string& fullPath, uint32_t creationFlags, ProcessToken& process,
             uint32_t& error) override;
  ProcessState Test(ProcessToken process) override;
  void WaitForEndOrMessages(const std::vector<ProcessToken>& processes) override;
  void Release(ProcessToken process) override;
  bool SystemMessage(uint32_t code, uint32_t languageId, uint32_t maxChars, std::string& text,
                     uint32_t& lookupError) override;
};

}  // namespace kestrel::win32
