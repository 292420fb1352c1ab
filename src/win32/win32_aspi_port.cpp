#include "win32/win32_aspi_port.h"

#include "transport/aspi/aspi_defs.h"
#include "win32/message_pump.h"
#include "win32/trusted_library.h"

namespace kestrel::win32 {

// The manager's published entry points, declared only for their exact types.
namespace wnaspi32 {
DWORD __cdecl GetASPI32SupportInfo(void);
DWORD __cdecl SendASPI32Command(void* srb);
}  // namespace wnaspi32

namespace {

static_assert(AspiPort::kInfinite == INFINITE);

// An export by name, else by its ordinal, typed as the entry point it is.
template <typename Function>
Function* BindExport(HMODULE module, const char* name, WORD ordinal) {
  FARPROC address = ::GetProcAddress(module, name);
  if (address == nullptr) address = ::GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
  // Through a plain function pointer type, which any function pointer converts to and back.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

bool Win32AspiPort::LoadManager() {
  if (manager_ != nullptr) return true;
  // From the program's folder or the system's, never from the current
  // directory: these programs run with administrator rights.
  UniqueModule module(LoadTrustedLibrary(L"WNASPI32.DLL"));
  if (!module) return false;
  auto* getSupportInfo =
      BindExport<decltype(wnaspi32::GetASPI32SupportInfo)>(module.get(), "GetASPI32SupportInfo", 1);
  auto* sendCommand =
      BindExport<decltype(wnaspi32::SendASPI32Command)>(module.get(), "SendASPI32Command", 2);
  // A library without both entry points is no ASPI manager.
  if (getSupportInfo == nullptr || sendCommand == nullptr) return false;
  manager_ = module.release();  // kept loaded for the life of the process
  getSupportInfo_ = getSupportInfo;
  sendCommand_ = sendCommand;
  return true;
}

uint32_t Win32AspiPort::GetASPI32SupportInfo() {
  if (getSupportInfo_ == nullptr) return uint32_t{aspi::SS_FAILED_INIT} << 8;
  return getSupportInfo_();
}

uint32_t Win32AspiPort::SendASPI32Command(void* srb) {
  if (sendCommand_ == nullptr) return aspi::SS_FAILED_INIT;
  return sendCommand_(srb);
}

void* Win32AspiPort::CreateCompletionEvent() {
  // Auto-reset, not signalled, unnamed.
  UniqueEvent event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!event) return nullptr;
  HANDLE handle = event.get();
  events_[handle] = std::move(event);
  return handle;
}

bool Win32AspiPort::WaitForEvent(void* event, uint32_t timeoutMs) {
  if (events_.count(event) == 0) return false;
  // The window keeps painting while the drive works (a spindle stops in
  // seconds); its input waits for the operation's end.
  return WaitPumping(event, timeoutMs);
}

void Win32AspiPort::CloseEvent(void* event) { events_.erase(event); }

uint8_t* Win32AspiPort::AllocateLocked(size_t bytes) { return memory_.Allocate(bytes); }

void Win32AspiPort::FreeLocked(uint8_t* block) { memory_.Free(block); }

}  // namespace kestrel::win32
