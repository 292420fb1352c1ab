// A simulated machine: ASPI host adapters with targets, and drive letters for
// the pass-through programs, all on one clock and one trace.
//
//   sim::Bus bus;
//   bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320"));
//   bus.MapLetter('D', 0, 0);             // the same drive as D:
//   sim::Drive* drive = bus.DriveAt(0, 0);
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/model/drive_model.h"

namespace kestrel::sim {

constexpr int kTargetsPerAdapter = 8;

class Bus;

class Adapter {
 public:
  // Replaces whatever sits at the target; returns the adapter for chaining.
  Adapter& AddTarget(uint8_t target, DriveConfig config);
  Adapter& RemoveTarget(uint8_t target);
  Drive* Target(uint8_t target) const;
  // The 16 identifier bytes, zero-padded as ASPI managers give them.
  const std::array<char, 16>& Identifier() const { return identifier_; }
  uint8_t Number() const { return number_; }

 private:
  friend class Bus;
  Adapter(Bus& bus, uint8_t number, const std::string& identifier);
  Bus& bus_;
  uint8_t number_;
  std::array<char, 16> identifier_{};
  std::array<std::unique_ptr<Drive>, kTargetsPerAdapter> targets_;
};

// A drive letter as the pass-through programs see it.
struct LetterDevice {
  char letter = 0;
  Drive* drive = nullptr;
  // What IOCTL_SCSI_GET_ADDRESS reports.
  uint8_t portNumber = 0;
  uint8_t pathId = 0;
  uint8_t targetId = 0;
  uint8_t lun = 0;
  // Faults of the device layer.
  bool refuseOpen = false;
  bool refuseCapabilities = false;
  bool refuseAddress = false;
};

class Bus {
 public:
  Bus() = default;
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  Adapter& AddAdapter(const std::string& identifier);
  size_t AdapterCount() const { return adapters_.size(); }
  Adapter* GetAdapter(size_t number) const;
  Drive* DriveAt(size_t adapter, size_t target) const;

  // A drive reached only through a letter (D to Z); returns it.
  Drive& AddLetter(char letter, DriveConfig config, uint8_t pathId = 0, uint8_t targetId = 0,
                   uint8_t lun = 0);
  // An adapter's drive, also reached through a letter (address: port adapter+1,
  // path 0, that target, lun 0). False when there is no such drive or letter.
  bool MapLetter(char letter, uint8_t adapter, uint8_t target);
  LetterDevice* Letter(char letter);
  std::vector<char> Letters() const;

  // Every drive of the bus, adapters first, then letter-only drives.
  std::vector<Drive*> AllDrives() const;

  Clock& GetClock() { return clock_; }
  uint64_t NowMs() const { return clock_.NowMs(); }
  void AdvanceMs(uint64_t ms);
  void SetNowMs(uint64_t ms);
  void Update();  // lets every drive finish what is due
  Trace& GetTrace() { return trace_; }

 private:
  friend class Adapter;
  void Adopt(Drive& drive);

  Clock clock_;
  Trace trace_;
  std::vector<std::unique_ptr<Adapter>> adapters_;
  std::vector<std::unique_ptr<Drive>> letterDrives_;
  std::map<char, LetterDevice> letters_;
};

}  // namespace kestrel::sim
