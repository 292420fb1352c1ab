// The operating-system calls that AspiTransport makes, so that its logic runs
// natively against the simulated drive and against fakes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrel {

class AspiPort {
 public:
  static constexpr uint32_t kInfinite = 0xFFFFFFFF;
  virtual ~AspiPort() = default;
  // Loads "WNASPI32.DLL" by name and binds its two entry points; false when it
  // cannot be loaded. Never unloaded.
  virtual bool LoadManager() = 0;
  virtual uint32_t GetASPI32SupportInfo() = 0;
  virtual uint32_t SendASPI32Command(void* srb) = 0;
  // Auto-reset, initially not signalled, unnamed.
  virtual void* CreateCompletionEvent() = 0;
  // true when the event was signalled within timeoutMs.
  virtual bool WaitForEvent(void* event, uint32_t timeoutMs) = 0;
  virtual void CloseEvent(void* event) = 0;
  // Zero-initialised movable memory, locked until freed; null on failure.
  virtual uint8_t* AllocateLocked(size_t bytes) = 0;
  virtual void FreeLocked(uint8_t* block) = 0;
};

}  // namespace kestrel
