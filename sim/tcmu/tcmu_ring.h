// The command ring of a TCMU device (linux/target_core_user.h), mapped at
// `map`: the kernel queues SCSI commands there and this answers them on one
// simulated drive, in order, each when the drive has finished it. A command
// the drive holds (flash programming) keeps every command behind it waiting;
// one that never ends is never answered: its slot is given back only once the
// kernel has given up on it (an ABORT TASK notice, or its command time-out),
// so that later commands are still served.
//
//   sim::TcmuRing ring(map, mapSize, bus, *bus.DriveAt(0, 0));
//   if (!ring.Check(why)) ...
//   if (ring.Serve(nowMs)) KickTheKernel();
//   WaitForTheKernel(until ring.NextDueMs());
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/model/bus.h"

namespace kestrel::sim {

class TcmuRing {
 public:
  TcmuRing(uint8_t* map, size_t mapSize, Bus& bus, Drive& drive);
  ~TcmuRing();
  TcmuRing(const TcmuRing&) = delete;
  TcmuRing& operator=(const TcmuRing&) = delete;

  // False, with why, when the mailbox does not describe a ring inside the map.
  bool Check(std::string& why) const;
  // Answers every entry it can at nowMs; true when the tail moved (the kernel
  // must then be told). Stops at a command whose answer is not due yet.
  bool Serve(uint64_t nowMs);
  // When Serve has something to do without a new entry; kNever: nothing.
  uint64_t NextDueMs() const;
  // A malformed entry was met: nothing more is served. Why it broke.
  bool Broken() const { return !broken_.empty(); }
  const std::string& BrokenWhy() const { return broken_; }

  // The kernel's time-out for a command in the ring (the backstore's
  // cmd_time_out); 0: it never gives up. 30 s unless told.
  void SetKernelTimeoutMs(uint64_t ms) { kernelTimeoutMs_ = ms; }
  // Every command's trace line (the model's, with " cmd_id=N" added), and the
  // ring's own: "tmr abort_task cmd_ids=5" (a notice), "dropped cmd_id=5
  // why=aborted|timed_out" (given back unanswered: CHECK CONDITION 0B/00/00
  // that the kernel no longer delivers), "refused cmd_id=5 why=outside_map".
  void SetTraceSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

 private:
  struct Answer {
    uint8_t status = 0;
    uint8_t senseKey = 0, asc = 0, ascq = 0;
    bool readLength = false;  // data-in: tell the kernel how much came
    uint32_t readLen = 0;
  };
  struct Held {
    uint32_t offset;  // of the entry in the ring
    uint16_t cmdId;
    uint64_t dueMs;     // kNever: the drive never answers
    uint64_t giveUpMs;  // when the kernel has surely timed it out; kNever: never
    Answer answer;
  };

  uint8_t* Ring() const;
  uint32_t Head() const;
  void SetTail(uint32_t tail);
  // The entry at the tail: its length, or 0 (and broken_ set) when malformed.
  uint32_t EntryLength(uint32_t offset);
  Answer Run(uint32_t offset, uint32_t length, uint64_t nowMs, uint64_t& dueMs);
  void WriteAnswer(uint32_t offset, const Answer& answer);
  void NoteTmr(uint32_t offset, uint32_t length);
  bool AbortNoticed(uint32_t from, uint16_t cmdId, uint64_t nowMs);
  void Trace(const std::string& line) {
    if (sink_) sink_(line);
  }

  uint8_t* map_;
  size_t mapSize_;
  Bus& bus_;
  Drive& drive_;
  uint32_t tail_ = 0;
  std::optional<Held> held_;
  std::set<uint32_t> tracedTmr_;               // TMR entries already seen while looking ahead
  std::set<uint16_t> aborted_;                 // cmd ids the kernel has aborted
  std::map<uint32_t, uint64_t> waitingSince_;  // entries behind the held one
  uint64_t kernelTimeoutMs_ = 30000;
  std::string broken_;
  std::string note_;  // appended to the trace line of the command being run
  std::function<void(const std::string&)> sink_;
};

}  // namespace kestrel::sim
