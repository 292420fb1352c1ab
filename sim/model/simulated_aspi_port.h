// An AspiPort over sim::AspiManager with virtual events, for native tests of
// the real AspiTransport: waiting on an event lets the bus clock run forward to
// the next completion (bounded by the wait's timeout), so nothing waits for real.
//
//   sim::Bus bus; ... set up adapters ...
//   sim::SimulatedAspiPort port(bus);
//   kestrel::AspiTransport transport(port);
//   ...
//   EXPECT_EQ(port.OpenEventCount(), 0u);
#pragma once
#include <cstdint>
#include <map>
#include <set>

#include "sim/model/aspi_manager.h"
#include "transport/aspi/aspi_port.h"

namespace kestrel::sim {

class SimulatedAspiPort : public AspiPort, private EventSignal {
 public:
  explicit SimulatedAspiPort(Bus& bus);
  ~SimulatedAspiPort() override;

  bool LoadManager() override;
  uint32_t GetASPI32SupportInfo() override;
  uint32_t SendASPI32Command(void* srb) override;
  void* CreateCompletionEvent() override;
  bool WaitForEvent(void* event, uint32_t timeoutMs) override;
  void CloseEvent(void* event) override;
  uint8_t* AllocateLocked(size_t bytes) override;
  void FreeLocked(uint8_t* block) override;

  AspiManager& Manager() { return manager_; }
  // Faults: the library cannot be loaded; the nth allocation fails.
  void SetLoadable(bool loadable) { loadable_ = loadable; }
  void FailAllocation(int nth) { allocationFailNth_ = nth, allocationsSeen_ = 0; }

  // Inspection.
  bool Loaded() const { return loaded_; }
  size_t OpenEventCount() const { return events_.size(); }
  int BadEventUseCount() const { return badEventUses_; }  // waits/closes on unknown events
  // Infinite waits that could never end (the request will never complete).
  int HungWaitCount() const { return hungWaits_; }
  size_t OutstandingAllocations() const { return allocations_.size(); }

 private:
  void Signal(void* event) override;

  Bus& bus_;
  AspiManager manager_;
  bool loadable_ = true;
  bool loaded_ = false;
  std::map<void*, bool> events_;  // event -> signalled
  uintptr_t nextEvent_ = 0x1000;
  std::set<uint8_t*> allocations_;
  int badEventUses_ = 0;
  int hungWaits_ = 0;
  int allocationFailNth_ = 0;
  int allocationsSeen_ = 0;
};

}  // namespace kestrel::sim
