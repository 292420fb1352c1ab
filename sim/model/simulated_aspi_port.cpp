#include "sim/model/simulated_aspi_port.h"

#include <algorithm>

namespace kestrel::sim {

SimulatedAspiPort::SimulatedAspiPort(Bus& bus) : bus_(bus), manager_(bus, *this) {}

SimulatedAspiPort::~SimulatedAspiPort() {
  for (uint8_t* block : allocations_) delete[] block;
}

bool SimulatedAspiPort::LoadManager() {
  loaded_ = loadable_;
  return loaded_;
}

uint32_t SimulatedAspiPort::GetASPI32SupportInfo() { return manager_.GetASPI32SupportInfo(); }

uint32_t SimulatedAspiPort::SendASPI32Command(void* srb) { return manager_.SendASPI32Command(srb); }

void* SimulatedAspiPort::CreateCompletionEvent() {
  void* event = reinterpret_cast<void*>(nextEvent_);
  nextEvent_ += 8;
  events_[event] = false;
  return event;
}

void SimulatedAspiPort::Signal(void* event) {
  auto it = events_.find(event);
  if (it != events_.end()) it->second = true;
}

bool SimulatedAspiPort::WaitForEvent(void* event, uint32_t timeoutMs) {
  auto it = events_.find(event);
  if (it == events_.end()) {
    ++badEventUses_;
    return false;
  }
  manager_.Tick();
  const uint64_t deadline = timeoutMs == kInfinite ? kNever : bus_.NowMs() + timeoutMs;
  while (!it->second) {
    uint64_t next = manager_.NextCompletionMs();
    if (next == kNever && deadline == kNever) {
      ++hungWaits_;  // on a real system this wait would never return
      return false;
    }
    uint64_t until = std::min(next, deadline);
    if (until > bus_.NowMs()) bus_.SetNowMs(until);
    manager_.Tick();
    if (bus_.NowMs() >= deadline) break;
  }
  if (!it->second) return false;
  it->second = false;  // auto-reset
  return true;
}

void SimulatedAspiPort::CloseEvent(void* event) {
  if (events_.erase(event) == 0) ++badEventUses_;
}

uint8_t* SimulatedAspiPort::AllocateLocked(size_t bytes) {
  ++allocationsSeen_;
  if (allocationFailNth_ > 0 && allocationsSeen_ == allocationFailNth_) return nullptr;
  uint8_t* block = new uint8_t[bytes]();
  allocations_.insert(block);
  return block;
}

void SimulatedAspiPort::FreeLocked(uint8_t* block) {
  auto it = allocations_.find(block);
  if (it == allocations_.end()) return;
  delete[] block;
  allocations_.erase(it);
}

}  // namespace kestrel::sim
