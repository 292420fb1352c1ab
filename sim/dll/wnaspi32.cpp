// WNASPI32.DLL over the simulated drive. All behaviour is the portable model's
// (sim/model); this file only finds its files, keeps real time, and completes
// pending requests from a worker thread.
//
// Beside the DLL:
//   kestrel-sim.ini    the machine (see sim/model/sim_config.h); none: one
//                      "intelata" adapter with a Kestrel DRV-320 at target 0
//   kestrel-sim.state  flash and firmware identity of the drives, written after
//                      every change and read at start, so a programmed revision
//                      survives a restart
//   kestrel-sim.trace  appended, one line per request (sim/model/trace.h)
#include <windows.h>

#include <cstdint>
#include <string>

#include "sim/model/aspi_manager.h"
#include "sim/model/sim_config.h"
#include "sim/model/sim_state.h"

namespace {

using kestrel::sim::AspiManager;
using kestrel::sim::Bus;
using kestrel::sim::Drive;

// The longest the worker sleeps with nothing due (it is woken for new requests).
constexpr DWORD kIdleWaitMs = 1000;

std::wstring ModuleDirectory() {
  HMODULE self = nullptr;
  // Pinned: the worker thread runs this module's code until the process ends.
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                          reinterpret_cast<LPCWSTR>(&ModuleDirectory), &self)) {
    return L".\\";
  }
  wchar_t path[MAX_PATH * 2] = {};
  DWORD n = GetModuleFileNameW(self, path, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return L".\\";
  std::wstring full(path, n);
  size_t slash = full.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L".\\" : full.substr(0, slash + 1);
}

bool ReadWholeFile(const std::wstring& path, std::string& text) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  text.clear();
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  CloseHandle(h);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
  std::wstring temp = path + L".new";
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size();
  CloseHandle(h);
  // Replace in one step, so that a crash never leaves half a state file.
  return ok && MoveFileExW(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

class WindowsEvents : public kestrel::sim::EventSignal {
 public:
  void Signal(void* event) override { SetEvent(static_cast<HANDLE>(event)); }
};

class Simulator {
 public:
  Simulator() : manager_(bus_, events_) {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
    const std::wstring dir = ModuleDirectory();
    statePath_ = dir + L"kestrel-sim.state";
    trace_ = CreateFileW((dir + L"kestrel-sim.trace").c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);

    std::string text;
    const bool haveConfig = ReadWholeFile(dir + L"kestrel-sim.ini", text);
    kestrel::sim::SimConfig config =
        kestrel::sim::ParseSimConfig(haveConfig ? text : std::string());
    kestrel::sim::BuildBus(config, bus_);
    kestrel::sim::ApplyManagerFaults(config, manager_);
    WriteTrace(haveConfig ? "start config=kestrel-sim.ini" : "start config=built-in");
    for (const std::string& error : config.errors) WriteTrace("config-error " + error);

    if (ReadWholeFile(statePath_, text)) kestrel::sim::LoadSimState(text, bus_);
    RememberFlash();
    bus_.GetTrace().SetListener([this](const kestrel::sim::TraceEntry& e) {
      WriteTrace(kestrel::sim::FormatTraceLine(e));
    });

    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE worker = CreateThread(nullptr, 0, &Simulator::Worker, this, 0, nullptr);
    if (worker) CloseHandle(worker);
  }

  uint32_t SupportInfo() {
    Lock lock(section_);
    return manager_.GetASPI32SupportInfo();
  }

  uint32_t Send(void* srb) {
    uint32_t status;
    {
      Lock lock(section_);
      bus_.SetNowMs(NowMs());
      status = manager_.SendASPI32Command(srb);
      SaveStateIfChanged();
    }
    if (status == kestrel::aspi::SS_PENDING) SetEvent(wake_);
    return status;
  }

  static void InitSection() { InitializeCriticalSection(&section_); }
  static CRITICAL_SECTION section_;

 private:
  struct Lock {
    explicit Lock(CRITICAL_SECTION& s) : s_(s) { EnterCriticalSection(&s_); }
    ~Lock() { LeaveCriticalSection(&s_); }
    CRITICAL_SECTION& s_;
  };

  uint64_t NowMs() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>((now.QuadPart - start_.QuadPart) * 1000 / frequency_.QuadPart);
  }

  void WriteTrace(const std::string& line) {
    if (trace_ == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(trace_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

  void RememberFlash() {
    flashGenerations_.clear();
    for (Drive* d : bus_.AllDrives())
      flashGenerations_ += std::to_string(d->StateGeneration()) + "/" +
                           std::to_string(d->Speed().PermanentChanges()) + ",";
  }

  void SaveStateIfChanged() {
    std::string before = flashGenerations_;
    RememberFlash();
    if (before == flashGenerations_) return;
    if (!WriteWholeFile(statePath_, kestrel::sim::SaveSimState(bus_)))
      WriteTrace("state-error not saved");
  }

  static DWORD WINAPI Worker(void* self) {
    static_cast<Simulator*>(self)->Run();
    return 0;
  }

  void Run() {
    for (;;) {
      DWORD waitMs = kIdleWaitMs;
      {
        Lock lock(section_);
        const uint64_t now = NowMs();
        bus_.SetNowMs(now);
        manager_.Tick();
        SaveStateIfChanged();
        const uint64_t next = manager_.NextCompletionMs();
        if (next != kestrel::sim::kNever) {
          waitMs = next <= now
                       ? 0
                       : static_cast<DWORD>(next - now < kIdleWaitMs ? next - now : kIdleWaitMs);
        }
      }
      WaitForSingleObject(wake_, waitMs);
    }
  }

  Bus bus_;
  WindowsEvents events_;
  AspiManager manager_;
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
  std::wstring statePath_;
  HANDLE trace_ = INVALID_HANDLE_VALUE;
  HANDLE wake_ = nullptr;
  std::string flashGenerations_;
};

CRITICAL_SECTION Simulator::section_;
Simulator* simulator = nullptr;

// Built on first use, not in DllMain: it reads files and starts a thread.
Simulator& Instance() {
  EnterCriticalSection(&Simulator::section_);
  if (!simulator) simulator = new Simulator();
  LeaveCriticalSection(&Simulator::section_);
  return *simulator;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Simulator::InitSection();
  return TRUE;
}

__declspec(dllexport) DWORD __cdecl GetASPI32SupportInfo(void) { return Instance().SupportInfo(); }

__declspec(dllexport) DWORD __cdecl SendASPI32Command(void* srb) { return Instance().Send(srb); }

}  // extern "C"
