// The record of every request the simulated devices saw, for tests to assert on
// and for the DLL's trace file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drive/command_transport.h"
#include "sim/model/sim_types.h"

namespace kestrel::sim {

struct TraceEntry {
  enum class Kind : uint8_t {
    Command,         // reached a drive
    AdapterInquiry,  // ASPI SC_HA_INQUIRY
    Rejected,        // stopped before a drive: no such adapter/device, refused request
  };
  Kind kind = Kind::Command;
  int adapter = -1;  // -1: not addressed through an adapter
  int target = -1;
  char letter = 0;  // 0: not addressed through a drive letter
  std::vector<uint8_t> cdb;
  DataDirection direction = DataDirection::None;
  uint32_t transferLength = 0;
  ScsiStatus status = ScsiStatus::Good;
  Sense sense;               // with CheckCondition
  uint32_t transferred = 0;  // data bytes actually moved
  uint64_t atMs = 0;
  uint64_t completesAtMs = 0;  // kNever: the command never ends
  std::string note;            // Rejected: why; AdapterInquiry: the ASPI status

  uint8_t opcode() const { return cdb.empty() ? 0xFF : cdb[0]; }
  // Buffer id of READ/WRITE BUFFER (CDB byte 2); -1 for other commands.
  int bufferId() const;
};

class Trace {
 public:
  void Record(TraceEntry entry);
  const std::vector<TraceEntry>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }
  // Commands that reached a drive with this opcode (and buffer id, if >= 0).
  std::vector<TraceEntry> Commands(uint8_t opcode, int bufferId = -1) const;
  size_t CountCommands(uint8_t opcode, int bufferId = -1) const;
  // Called after each record (the DLL appends it to its trace file).
  void SetListener(std::function<void(const TraceEntry&)> listener) {
    listener_ = std::move(listener);
  }

 private:
  std::vector<TraceEntry> entries_;
  std::function<void(const TraceEntry&)> listener_;
};

// One line, no line end, e.g.
//   "cmd a=0 t=0 cdb=12 00 00 00 60 00 dir=in len=96 moved=96 status=good"
//   "cmd a=0 t=0 cdb=3c 01 80 00 10 00 00 00 20 00 dir=in len=32 moved=0 status=check
//   sense=05/24/00" "cmd L=D cdb=00 00 00 00 00 00 dir=none len=0 moved=0 status=good" "ha_inquiry
//   a=0 status=01" "rejected a=1 t=0 cdb=12 00 00 00 60 00 dir=in len=96 why=no_device"
std::string FormatTraceLine(const TraceEntry& entry);

}  // namespace kestrel::sim
