#include "sim/tcmu/tcmu_ring.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "sim/model/trace.h"
#include "sim/tcmu/scsi_opcodes.h"
#include "sim/tcmu/tcmu_abi.h"

namespace kestrel::sim {

namespace {

constexpr uint8_t kCheckCondition = 0x02;
constexpr Sense kAborted{0x0B, 0x00, 0x00};
// The kernel's time-out timer fires a little after the deadline.
constexpr uint64_t kTimeoutMarginMs = 1000;
constexpr size_t kMaxCdb = 16;

// TCMU_TMR_* of the kernel header.
const char* TmrName(uint8_t type) {
  static const char* const kNames[] = {"unknown",           "abort_task",       "abort_task_set",
                                       "clear_aca",         "clear_task_set",   "lun_reset",
                                       "target_warm_reset", "target_cold_reset"};
  if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
  return type == 128 ? "lun_reset_pro" : "unknown";
}

}  // namespace

TcmuRing::TcmuRing(uint8_t* map, size_t mapSize, Bus& bus, Drive& drive)
    : map_(map), mapSize_(mapSize), bus_(bus), drive_(drive) {
  if (mapSize_ >= sizeof(kestrel_tcmu_mailbox)) {
    tail_ = __atomic_load_n(
        reinterpret_cast<uint32_t*>(map_ + offsetof(kestrel_tcmu_mailbox, cmd_tail)),
        __ATOMIC_ACQUIRE);
  }
  bus_.GetTrace().SetListener(
      [this](const TraceEntry& entry) { Trace(FormatTraceLine(entry) + note_); });
}

TcmuRing::~TcmuRing() { bus_.GetTrace().SetListener(nullptr); }

bool TcmuRing::Check(std::string& why) const {
  if (mapSize_ < sizeof(kestrel_tcmu_mailbox))
    return why = "the map is smaller than the mailbox", false;
  const auto* mb = reinterpret_cast<const kestrel_tcmu_mailbox*>(map_);
  const uint64_t off = mb->cmdr_off, size = mb->cmdr_size;
  if (mb->version != KESTREL_TCMU_MAILBOX_VERSION) {
    why = "mailbox version " + std::to_string(mb->version) + ", not " +
          std::to_string(KESTREL_TCMU_MAILBOX_VERSION);
    return false;
  }
  if (off < sizeof(kestrel_tcmu_mailbox) || size < sizeof(kestrel_tcmu_cmd_entry) ||
      off + size > mapSize_ || size % KESTREL_TCMU_OP_ALIGN_SIZE != 0 || tail_ >= size ||
      tail_ % KESTREL_TCMU_OP_ALIGN_SIZE != 0) {
    why = "the command ring lies outside the map";
    return false;
  }
  return true;
}

uint8_t* TcmuRing::Ring() const {
  return map_ + reinterpret_cast<const kestrel_tcmu_mailbox*>(map_)->cmdr_off;
}

uint32_t TcmuRing::Head() const {
  return __atomic_load_n(
      reinterpret_cast<uint32_t*>(map_ + offsetof(kestrel_tcmu_mailbox, cmd_head)),
      __ATOMIC_ACQUIRE);
}

void TcmuRing::SetTail(uint32_t tail) {
  tail_ = tail;
  // The answer written before is visible before the tail that hands it back.
  __atomic_store_n(reinterpret_cast<uint32_t*>(map_ + offsetof(kestrel_tcmu_mailbox, cmd_tail)),
                   tail, __ATOMIC_RELEASE);
}

uint32_t TcmuRing::EntryLength(uint32_t offset) {
  const uint32_t size = reinterpret_cast<const kestrel_tcmu_mailbox*>(map_)->cmdr_size;
  kestrel_tcmu_cmd_entry_hdr hdr;
  std::memcpy(&hdr, Ring() + offset, sizeof hdr);
  const uint32_t length = (hdr.len_op & ~uint32_t{KESTREL_TCMU_OP_MASK});
  // The kernel pads the ring's end rather than wrap an entry.
  if (length < sizeof hdr || length % KESTREL_TCMU_OP_ALIGN_SIZE != 0 || length > size - offset) {
    broken_ = "entry at " + std::to_string(offset) + " has length " + std::to_string(length);
    return 0;
  }
  return length;
}

bool TcmuRing::Serve(uint64_t nowMs) {
  const uint32_t size = reinterpret_cast<const kestrel_tcmu_mailbox*>(map_)->cmdr_size;
  bool moved = false;
  while (!Broken()) {
    const uint32_t head = Head();
    if (head >= size || head % KESTREL_TCMU_OP_ALIGN_SIZE != 0) {
      broken_ = "head " + std::to_string(head) + " outside the ring";
      break;
    }
    if (tail_ == head) break;
    const uint32_t length = EntryLength(tail_);
    if (length == 0) break;
    kestrel_tcmu_cmd_entry_hdr hdr;
    std::memcpy(&hdr, Ring() + tail_, sizeof hdr);
    const uint32_t next = (tail_ + length) % size;
    const auto op = (hdr.len_op & KESTREL_TCMU_OP_MASK);
    if (op == KESTREL_TCMU_OP_TMR) {
      NoteTmr(tail_, length);
      // Every entry it names lies before it: its ids are done with.
      std::vector<uint16_t> ids;
      const auto* tmr = reinterpret_cast<const kestrel_tcmu_tmr_entry*>(Ring() + tail_);
      for (uint32_t i = 0; i < tmr->cmd_cnt && sizeof *tmr + 2 * (i + 1) <= length; ++i)
        aborted_.erase(tmr->cmd_ids[i]);
      tracedTmr_.erase(tail_);
    } else if (op == KESTREL_TCMU_OP_CMD) {
      if (!held_) {
        if (length < sizeof(kestrel_tcmu_cmd_entry)) {
          broken_ = "command entry of " + std::to_string(length) + " bytes";
          break;
        }
        const bool timedOut = kernelTimeoutMs_ != 0 && waitingSince_.count(tail_) &&
                              nowMs >= waitingSince_[tail_] + kernelTimeoutMs_ + kTimeoutMarginMs;
        if (aborted_.count(hdr.cmd_id) || timedOut) {
          // The kernel has given up on it: not run, its slot given back.
          Trace("dropped cmd_id=" + std::to_string(hdr.cmd_id) +
                (timedOut ? " why=timed_out" : " why=aborted"));
          aborted_.erase(hdr.cmd_id);
          waitingSince_.erase(tail_);
          Answer aborted{kCheckCondition, kAborted.key, kAborted.asc, kAborted.ascq};
          WriteAnswer(tail_, aborted);
          SetTail(next);
          moved = true;
          continue;
        }
        waitingSince_.erase(tail_);
        uint64_t dueMs = 0;
        Answer answer = Run(tail_, length, nowMs, dueMs);
        uint64_t giveUp = kNever;
        if (dueMs == kNever && kernelTimeoutMs_ != 0)
          giveUp = nowMs + kernelTimeoutMs_ + kTimeoutMarginMs;
        held_ = Held{tail_, hdr.cmd_id, dueMs, giveUp, answer};
      }
      // The command at the tail: answered when due, given back once the
      // kernel has given up on it, else everything behind it waits.
      const bool due = held_->dueMs != kNever && nowMs >= held_->dueMs;
      if (!due && !AbortNoticed(next, held_->cmdId, nowMs) && nowMs < held_->giveUpMs) break;
      if (due) {
        WriteAnswer(tail_, held_->answer);
      } else {
        const bool aborted = aborted_.erase(held_->cmdId) > 0;
        Trace("dropped cmd_id=" + std::to_string(held_->cmdId) +
              (aborted ? " why=aborted" : " why=timed_out"));
        WriteAnswer(tail_, Answer{kCheckCondition, kAborted.key, kAborted.asc, kAborted.ascq});
      }
      held_.reset();
    }
    // PAD, and opcodes this does not know, are skipped.
    SetTail(next);
    moved = true;
  }
  return moved;
}

// Looks at the entries behind the held one: TMR notices are traced and their
// ids noted, commands get the time they began to wait. True when `cmdId` is
// among the aborted.
bool TcmuRing::AbortNoticed(uint32_t from, uint16_t cmdId, uint64_t now) {
  const uint32_t size = reinterpret_cast<const kestrel_tcmu_mailbox*>(map_)->cmdr_size;
  const uint32_t head = Head();
  for (uint32_t at = from; at != head && at < size;) {
    kestrel_tcmu_cmd_entry_hdr hdr;
    std::memcpy(&hdr, Ring() + at, sizeof hdr);
    const uint32_t length = (hdr.len_op & ~uint32_t{KESTREL_TCMU_OP_MASK});
    if (length < sizeof hdr || length % KESTREL_TCMU_OP_ALIGN_SIZE != 0 || length > size - at)
      break;
    if ((hdr.len_op & KESTREL_TCMU_OP_MASK) == KESTREL_TCMU_OP_TMR) NoteTmr(at, length);
    if ((hdr.len_op & KESTREL_TCMU_OP_MASK) == KESTREL_TCMU_OP_CMD) waitingSince_.emplace(at, now);
    at = (at + length) % size;
  }
  return aborted_.count(cmdId) > 0;
}

void TcmuRing::NoteTmr(uint32_t offset, uint32_t length) {
  if (!tracedTmr_.insert(offset).second) return;
  const auto* tmr = reinterpret_cast<const kestrel_tcmu_tmr_entry*>(Ring() + offset);
  std::string line = std::string("tmr ") + TmrName(tmr->tmr_type) + " cmd_ids=";
  for (uint32_t i = 0; i < tmr->cmd_cnt && sizeof *tmr + 2 * (i + 1) <= length; ++i) {
    aborted_.insert(tmr->cmd_ids[i]);
    line += (i ? "," : "") + std::to_string(tmr->cmd_ids[i]);
  }
  Trace(line);
}

TcmuRing::Answer TcmuRing::Run(uint32_t offset, uint32_t length, uint64_t nowMs, uint64_t& dueMs) {
  // Everything the answer overwrites is read first: rsp overlays req.
  const auto* entry = reinterpret_cast<const kestrel_tcmu_cmd_entry*>(Ring() + offset);
  const uint16_t cmdId = entry->hdr.cmd_id;
  const uint64_t cdbOff = entry->req.cdb_off;
  const uint32_t iovCount = entry->req.iov_cnt;
  struct Piece {
    uint64_t offset, length;
  };
  std::vector<Piece> pieces;
  bool inside = iovCount <= (length - offsetof(kestrel_tcmu_cmd_entry, req.iov)) / sizeof(iovec);
  uint64_t total = 0;
  for (uint32_t i = 0; inside && i < iovCount; ++i) {
    iovec v;
    std::memcpy(&v, Ring() + offset + offsetof(kestrel_tcmu_cmd_entry, req.iov) + i * sizeof v,
                sizeof v);
    const uint64_t base = reinterpret_cast<uintptr_t>(v.iov_base);
    inside = base <= mapSize_ && v.iov_len <= mapSize_ - base;
    pieces.push_back({base, v.iov_len});
    total += v.iov_len;
  }
  uint8_t cdb[kMaxCdb] = {};
  size_t cdbLength = 0;
  if (cdbOff < mapSize_) {
    cdbLength = CdbLength(map_[cdbOff]);
    inside = inside && cdbLength <= mapSize_ - cdbOff;
  }
  Answer answer;
  if (!inside || cdbLength == 0 || total > std::min<uint64_t>(mapSize_, UINT32_MAX)) {
    // Offsets outside the map: nothing is touched.
    answer = Answer{kCheckCondition, kInvalidField.key, kInvalidField.asc, kInvalidField.ascq};
    Trace("refused cmd_id=" + std::to_string(cmdId) + " why=outside_map");
    return answer;
  }
  std::memcpy(cdb, map_ + cdbOff, cdbLength);
  DataDirection direction = total ? DirectionOf(cdb[0]) : DataDirection::None;
  std::vector<uint8_t> data(direction == DataDirection::None ? 0 : total);
  if (direction == DataDirection::Out) {
    size_t at = 0;
    for (const Piece& p : pieces) {
      std::memcpy(data.data() + at, map_ + p.offset, p.length);
      at += p.length;
    }
  }

  bus_.SetNowMs(nowMs);
  note_ = " cmd_id=" + std::to_string(cmdId);
  CommandResult result =
      drive_.Execute(cdb, cdbLength, direction, data.empty() ? nullptr : data.data(),
                     static_cast<uint32_t>(data.size()));
  note_.clear();
  bus_.GetTrace().Clear();  // the lines are written out; the handler runs for long

  dueMs = result.completesAtMs > nowMs ? result.completesAtMs : 0;
  answer.status = static_cast<uint8_t>(result.status);
  if (!result.good()) {
    answer.senseKey = result.sense.key;
    answer.asc = result.sense.asc;
    answer.ascq = result.sense.ascq;
    drive_.ClearPendingSense();  // delivered with the status, as autosense
  }
  if (direction == DataDirection::In) {
    answer.readLength = true;
    answer.readLen = result.good() ? result.transferred : 0;
    // Data-in goes out at once: the buffers are the command's until its answer.
    size_t at = 0;
    for (const Piece& p : pieces) {
      if (at >= answer.readLen) break;
      const size_t n = std::min<uint64_t>(p.length, answer.readLen - at);
      std::memcpy(map_ + p.offset, data.data() + at, n);
      at += n;
    }
  }
  return answer;
}

void TcmuRing::WriteAnswer(uint32_t offset, const Answer& answer) {
  auto* entry = reinterpret_cast<kestrel_tcmu_cmd_entry*>(Ring() + offset);
  entry->rsp.scsi_status = answer.status;
  std::memset(entry->rsp.sense_buffer, 0, sizeof entry->rsp.sense_buffer);
  if (answer.status == kCheckCondition) {
    // Fixed format, 18 bytes.
    auto* sense = reinterpret_cast<uint8_t*>(entry->rsp.sense_buffer);
    sense[0] = 0x70;
    sense[2] = answer.senseKey;
    sense[7] = 10;
    sense[12] = answer.asc;
    sense[13] = answer.ascq;
  }
  entry->hdr.uflags = 0;
  if (answer.readLength) {
    entry->hdr.uflags |= KESTREL_TCMU_UFLAG_READ_LEN;
    entry->rsp.read_len = answer.readLen;
  }
}

uint64_t TcmuRing::NextDueMs() const {
  if (!held_) return kNever;
  return std::min(held_->dueMs, held_->giveUpMs);
}

}  // namespace kestrel::sim
