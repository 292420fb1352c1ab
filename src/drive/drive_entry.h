// The drives a utility's window lists: one entry per list item, in list order.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "drive/command_transport.h"

namespace kestrel {

constexpr size_t kDriveEntryCapacity = 256;
constexpr size_t kBeck9xDriveEntryCapacity = 255;

struct DriveEntry {
  std::string text;     // the list item's text
  AspiAddress address;  // ASPI builds: where the device answered
  // Pass-through builds: the entry text begins with the drive letter.
  char Letter() const { return text.empty() ? '\0' : text[0]; }
};

// Owned by the main window; filled by discovery, read by the selection handling.
class DriveList {
 public:
  explicit DriveList(size_t capacity = kDriveEntryCapacity) : capacity_(capacity) {}

  void Clear() {
    entries_.clear();
    firstMakerDrive_.reset();
    selectedIndex_ = -1;
  }
  // false, and nothing kept, once the table is full.
  bool Add(DriveEntry entry) {
    if (entries_.size() >= capacity_) return false;
    entries_.push_back(std::move(entry));
    return true;
  }
  size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  size_t Capacity() const { return capacity_; }
  // Null for an index that names no entry (no selection, or a list item such
  // as "No I/F adapter" that stands for no drive).
  const DriveEntry* At(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return nullptr;
    return &entries_[static_cast<size_t>(index)];
  }

  // ASPI: the first device, in discovery order, of the maker's DVD drives.
  const std::optional<AspiAddress>& FirstMakerDrive() const { return firstMakerDrive_; }
  void SetFirstMakerDrive(AspiAddress address) { firstMakerDrive_ = address; }

  // The entry the last drive-selection check took; -1 before one.
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int index) { selectedIndex_ = index; }

 private:
  size_t capacity_;
  std::vector<DriveEntry> entries_;
  std::optional<AspiAddress> firstMakerDrive_;
  int selectedIndex_ = -1;
};

}  // namespace kestrel
