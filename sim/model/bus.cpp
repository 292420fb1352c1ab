#include "sim/model/bus.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kestrel::sim {

Adapter::Adapter(Bus& bus, uint8_t number, const std::string& identifier)
    : bus_(bus), number_(number) {
  std::memcpy(identifier_.data(), identifier.data(), std::min<size_t>(identifier.size(), 16));
}

Adapter& Adapter::AddTarget(uint8_t target, DriveConfig config) {
  if (target >= kTargetsPerAdapter) return *this;
  targets_[target] = std::make_unique<Drive>(std::move(config));
  bus_.Adopt(*targets_[target]);
  targets_[target]->SetLocation(number_, target);
  return *this;
}

Adapter& Adapter::RemoveTarget(uint8_t target) {
  if (target >= kTargetsPerAdapter) return *this;
  // A letter must not keep pointing at a drive that is gone.
  for (auto& [letter, device] : bus_.letters_) {
    if (device.drive == targets_[target].get()) device.drive = nullptr;
  }
  targets_[target].reset();
  return *this;
}

Drive* Adapter::Target(uint8_t target) const {
  return target < kTargetsPerAdapter ? targets_[target].get() : nullptr;
}

Adapter& Bus::AddAdapter(const std::string& identifier) {
  adapters_.push_back(std::unique_ptr<Adapter>(
      new Adapter(*this, static_cast<uint8_t>(adapters_.size()), identifier)));
  return *adapters_.back();
}

Adapter* Bus::GetAdapter(size_t number) const {
  return number < adapters_.size() ? adapters_[number].get() : nullptr;
}

Drive* Bus::DriveAt(size_t adapter, size_t target) const {
  Adapter* a = GetAdapter(adapter);
  return a && target < kTargetsPerAdapter ? a->Target(static_cast<uint8_t>(target)) : nullptr;
}

namespace {
char NormalLetter(char letter) {
  char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  return up >= 'D' && up <= 'Z' ? up : 0;
}
}  // namespace

Drive& Bus::AddLetter(char letter, DriveConfig config, uint8_t pathId, uint8_t targetId,
                      uint8_t lun) {
  letterDrives_.push_back(std::make_unique<Drive>(std::move(config)));
  Drive& drive = *letterDrives_.back();
  Adopt(drive);
  char l = NormalLetter(letter);
  if (l != 0) {
    drive.SetLetter(l);
    LetterDevice device;
    device.letter = l;
    device.drive = &drive;
    device.pathId = pathId;
    device.targetId = targetId;
    device.lun = lun;
    letters_[l] = device;
  }
  return drive;
}

bool Bus::MapLetter(char letter, uint8_t adapter, uint8_t target) {
  char l = NormalLetter(letter);
  Drive* drive = DriveAt(adapter, target);
  if (l == 0 || !drive) return false;
  drive->SetLetter(l);
  LetterDevice device;
  device.letter = l;
  device.drive = drive;
  device.portNumber = static_cast<uint8_t>(adapter + 1);
  device.targetId = target;
  letters_[l] = device;
  return true;
}

LetterDevice* Bus::Letter(char letter) {
  auto it = letters_.find(NormalLetter(letter));
  return it == letters_.end() ? nullptr : &it->second;
}

std::vector<char> Bus::Letters() const {
  std::vector<char> result;
  for (const auto& [letter, device] : letters_) result.push_back(letter);
  return result;
}

std::vector<Drive*> Bus::AllDrives() const {
  std::vector<Drive*> drives;
  for (const auto& adapter : adapters_) {
    for (uint8_t t = 0; t < kTargetsPerAdapter; ++t) {
      if (Drive* d = adapter->Target(t)) drives.push_back(d);
    }
  }
  for (const auto& d : letterDrives_) drives.push_back(d.get());
  return drives;
}

void Bus::AdvanceMs(uint64_t ms) {
  clock_.AdvanceMs(ms);
  Update();
}

void Bus::SetNowMs(uint64_t ms) {
  clock_.SetNowMs(ms);
  Update();
}

void Bus::Update() {
  for (Drive* d : AllDrives()) d->Update();
}

void Bus::Adopt(Drive& drive) {
  drive.AttachClock(&clock_);
  drive.AttachTrace(&trace_);
}

}  // namespace kestrel::sim
