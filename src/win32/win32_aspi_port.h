// The ASPI manager as Windows offers it: WNASPI32.DLL loaded at run time, so
// that a system without it starts and finds no adapter.
#pragma once
#include <map>

#include "transport/aspi/aspi_port.h"
#include "win32/global_blocks.h"
#include "win32/unique_handle.h"

namespace kestrel::win32 {

class Win32AspiPort : public AspiPort {
 public:
  Win32AspiPort() = default;
  Win32AspiPort(const Win32AspiPort&) = delete;
  Win32AspiPort& operator=(const Win32AspiPort&) = delete;

  bool LoadManager() override;
  uint32_t GetASPI32SupportInfo() override;
  uint32_t SendASPI32Command(void* srb) override;
  void* CreateCompletionEvent() override;
  bool WaitForEvent(void* event, uint32_t timeoutMs) override;
  void CloseEvent(void* event) override;
  uint8_t* AllocateLocked(size_t bytes) override;
  void FreeLocked(uint8_t* block) override;

 private:
  using GetSupportInfoFunction = DWORD __cdecl();
  using SendCommandFunction = DWORD __cdecl(void*);

  // Never freed: the manager may still own a request (flash programming that
  // the wait gave up on) and its own threads when the program ends.
  HMODULE manager_ = nullptr;
  GetSupportInfoFunction* getSupportInfo_ = nullptr;
  SendCommandFunction* sendCommand_ = nullptr;
  std::map<HANDLE, UniqueEvent> events_;
  GlobalBlocks memory_;
};

}  // namespace kestrel::win32
