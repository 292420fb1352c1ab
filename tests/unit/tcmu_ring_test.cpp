// The TCMU ring processor on an in-memory ring laid out as the kernel lays it
// out: entries answered in order, data moved through iov[], held commands.
#include "sim/tcmu/tcmu_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/model/sim_config.h"
#include "sim/tcmu/tcmu_abi.h"

namespace kestrel::sim {
namespace {

using Bytes = std::vector<uint8_t>;

// A mailbox, a command ring of `ringSize` bytes and a data area, as the kernel
// queues commands into them.
class MemoryRing {
 public:
  static constexpr uint32_t kRingOff = sizeof(kestrel_tcmu_mailbox);
  explicit MemoryRing(uint32_t ringSize = 4096) : ringSize_(ringSize), words_(0x30000 / 8) {
    dataNext_ = kRingOff + ringSize;
    auto* mb = Mailbox();
    mb->version = KESTREL_TCMU_MAILBOX_VERSION;
    mb->cmdr_off = kRingOff;
    mb->cmdr_size = ringSize;
  }
  uint8_t* Map() { return reinterpret_cast<uint8_t*>(words_.data()); }
  size_t Size() const { return words_.size() * 8; }
  kestrel_tcmu_mailbox* Mailbox() { return reinterpret_cast<kestrel_tcmu_mailbox*>(Map()); }
  uint32_t Tail() { return Mailbox()->cmd_tail; }
  uint32_t Head() { return Mailbox()->cmd_head; }

  // A command whose data (out bytes, or `inLength` bytes of 0xEE for data in)
  // is split over `pieces` iovs; returns its entry's offset.
  uint32_t Push(const Bytes& cdb, const Bytes& out, uint32_t inLength = 0, int pieces = 1) {
    const uint32_t length = static_cast<uint32_t>(out.empty() ? inLength : out.size());
    const uint32_t base = sizeof(kestrel_tcmu_cmd_entry) + pieces * sizeof(iovec);
    uint32_t at = Reserve(base + 16);
    auto* e = Entry(at);
    e->req.iov_cnt = length ? pieces : 0;
    e->req.cdb_off = kRingOff + at + base;
    std::memcpy(Map() + e->req.cdb_off, cdb.data(), cdb.size());
    for (int i = 0; length && i < pieces; ++i) {
      const uint32_t n = i + 1 < pieces ? length / pieces : length - length / pieces * i;
      e->req.iov[i].iov_base = reinterpret_cast<void*>(uintptr_t{dataNext_});
      e->req.iov[i].iov_len = n;
      if (out.empty())
        std::memset(Map() + dataNext_, 0xEE, n);
      else
        std::memcpy(Map() + dataNext_, &out[length / pieces * i], n);
      dataNext_ += (n + 7) / 8 * 8;
    }
    return Queue(at, base + 16, KESTREL_TCMU_OP_CMD);
  }
  void PushTmr(uint16_t cmdId) {
    uint32_t at = Reserve(sizeof(kestrel_tcmu_tmr_entry) + 8);
    auto* t = reinterpret_cast<kestrel_tcmu_tmr_entry*>(Map() + kRingOff + at);
    t->tmr_type = 1;  // ABORT TASK
    t->cmd_cnt = 1;
    t->cmd_ids[0] = cmdId;
    Queue(at, sizeof *t + 8, KESTREL_TCMU_OP_TMR);
  }
  kestrel_tcmu_cmd_entry* Entry(uint32_t at) {
    return reinterpret_cast<kestrel_tcmu_cmd_entry*>(Map() + kRingOff + at);
  }

 private:
  uint32_t Reserve(uint32_t length) {
    uint32_t head = Head();
    if (head + length > ringSize_) {  // the kernel pads rather than wrap an entry
      Entry(head)->hdr.len_op = (ringSize_ - head) | KESTREL_TCMU_OP_PAD;
      head = 0;
    }
    return head;
  }
  uint32_t Queue(uint32_t at, uint32_t length, uint32_t op) {
    auto* e = Entry(at);
    e->hdr.len_op = ((length + 7) / 8 * 8) | op;
    e->hdr.cmd_id = ++lastId_;
    Mailbox()->cmd_head = (at + (e->hdr.len_op & ~7u)) % ringSize_;
    return at;
  }

  uint32_t ringSize_;
  std::vector<uint64_t> words_;
  uint32_t dataNext_;
  uint16_t lastId_ = 0;
};

struct Rig {
  explicit Rig(uint32_t ringSize = 4096, const std::string& ini = "programming_ms=0\n")
      : memory(ringSize) {
    BuildBus(ParseSimConfig(ini), bus);
    ring = std::make_unique<TcmuRing>(memory.Map(), memory.Size(), bus, *bus.DriveAt(0, 0));
    ring->SetTraceSink([this](const std::string& line) { trace.push_back(line); });
    std::string why;
    EXPECT_TRUE(ring->Check(why)) << why;
  }
  Drive& drive() { return *bus.DriveAt(0, 0); }
  Bytes In(uint32_t at) {  // the first iov's bytes
    const auto& v = memory.Entry(at)->req.iov[0];
    const uint8_t* p = memory.Map() + reinterpret_cast<uintptr_t>(v.iov_base);
    return Bytes(p, p + v.iov_len);
  }
  MemoryRing memory;
  Bus bus;
  std::unique_ptr<TcmuRing> ring;
  std::vector<std::string> trace;
};

const Bytes kInquiry = {0x12, 0, 0, 0, 0x60, 0};
const Bytes kTur = {0, 0, 0, 0, 0, 0};

TEST(TcmuRing, DataInIsScatteredWithItsLengthAndFailuresCarryFixedSense) {
  Rig rig;
  const uint32_t inquiry = rig.memory.Push(kInquiry, {}, 96);
  const uint32_t shorter = rig.memory.Push({0x12, 0, 0, 0, 36, 0}, {}, 96);
  const uint32_t unknown = rig.memory.Push({0xE7, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {});
  const Bytes vpd80 = {0x12, 0x01, 0x80, 0, 0xFF, 0};
  // The answer overwrites req: the data pointers are read before it.
  const auto iov = rig.memory.Entry(inquiry)->req.iov[0];
  rig.memory.Push(vpd80, {}, 255);
  EXPECT_TRUE(rig.ring->Serve(0));
  EXPECT_EQ(rig.memory.Tail(), rig.memory.Head());
  auto* e = rig.memory.Entry(inquiry);
  EXPECT_EQ(e->rsp.scsi_status, 0);
  EXPECT_EQ(e->hdr.uflags, KESTREL_TCMU_UFLAG_READ_LEN);
  EXPECT_EQ(e->rsp.read_len, 96u);
  const uint8_t* data = rig.memory.Map() + reinterpret_cast<uintptr_t>(iov.iov_base);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data + 8), 24), "KESTREL DVD-ROM DRV-320 ");
  EXPECT_EQ(data[2], 5);                                    // SPC-3
  EXPECT_EQ(rig.memory.Entry(shorter)->rsp.read_len, 36u);  // the kernel's residual: 60
  auto* bad = rig.memory.Entry(unknown);
  EXPECT_EQ(bad->rsp.scsi_status, 0x02);
  const auto* sense = reinterpret_cast<const uint8_t*>(bad->rsp.sense_buffer);
  EXPECT_EQ(Bytes(sense, sense + 18),
            (Bytes{0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0}));
  EXPECT_EQ(bad->hdr.uflags, 0);                    // no data: no read length
  EXPECT_EQ(rig.drive().PendingSense(), kNoSense);  // delivered as autosense
  ASSERT_EQ(rig.trace.size(), 4u);
  EXPECT_EQ(rig.trace[0],
            "cmd a=0 t=0 cdb=12 00 00 00 60 00 dir=in len=96 moved=96 status=good cmd_id=1");
  EXPECT_EQ(rig.trace[3],
            "cmd a=0 t=0 cdb=12 01 80 00 ff 00 dir=in len=255 moved=14 status=good cmd_id=4");
}

TEST(TcmuRing, DataOutOverSeveralPiecesReachesTheDrive) {
  Rig rig;
  FirmwarePartSetup setup;
  setup.revision = "1.20";
  Bytes part = MakeFirmwarePart(setup);
  Bytes trailer(kTrailerSize, 0x11);
  std::memcpy(&trailer[0x1000], "WIN2", 4);
  auto buffer = [](uint8_t id, uint32_t offset, uint32_t length) {
    return Bytes{0x3B,
                 0x01,
                 id,
                 static_cast<uint8_t>(offset >> 16),
                 static_cast<uint8_t>(offset >> 8),
                 0,
                 static_cast<uint8_t>(length >> 16),
                 static_cast<uint8_t>(length >> 8),
                 static_cast<uint8_t>(length),
                 0};
  };
  rig.memory.Push(buffer(0x30, 0, 0), {});
  for (uint32_t o = 0; o < kFlashSize; o += kDownloadBlockSize) {
    rig.memory.Push(buffer(0xFF, o, kDownloadBlockSize),
                    Bytes(part.begin() + o, part.begin() + o + kDownloadBlockSize), 0, 3);
    ASSERT_TRUE(rig.ring->Serve(0));
  }
  rig.memory.Push(buffer(0xFF, kTrailerOffset, kTrailerSize), trailer, 0, 2);
  rig.memory.Push(buffer(0x42, 0, 0), {});
  rig.ring->Serve(0);
  for (const std::string& line : rig.trace)
    EXPECT_NE(line.find("status=good"), std::string::npos) << line;
  EXPECT_EQ(rig.drive().ProgrammingCount(), 1);
  EXPECT_EQ(rig.drive().Revision(), "1.20");
  EXPECT_EQ(Bytes(rig.drive().Flash().begin() + 0x8000, rig.drive().Flash().end()),
            Bytes(part.begin() + 0x8000, part.end()));
}

TEST(TcmuRing, PadIsSkippedAndTheRingWraps) {
  Rig rig(1024);
  std::vector<uint32_t> at;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 4; ++i) at.push_back(rig.memory.Push(kInquiry, {}, 96));
    ASSERT_TRUE(rig.ring->Serve(0));
    EXPECT_EQ(rig.memory.Tail(), rig.memory.Head());
  }
  EXPECT_EQ(at[7], 0u);  // wrapped after a pad
  EXPECT_EQ(rig.trace.size(), 12u);
}

TEST(TcmuRing, HeldCommandKeepsTheOnesBehindItWaitingUntilDue) {
  Rig rig(4096, "fault=hold opcode=00 ms=500\n");
  const uint32_t tur = rig.memory.Push(kTur, {});
  const uint32_t inquiry = rig.memory.Push(kInquiry, {}, 96);
  EXPECT_FALSE(rig.ring->Serve(0));
  EXPECT_EQ(rig.ring->NextDueMs(), 500u);
  EXPECT_FALSE(rig.ring->Serve(499));
  EXPECT_EQ(rig.memory.Tail(), tur);
  EXPECT_EQ(rig.In(inquiry)[0], 0xEE);  // not run yet
  EXPECT_EQ(rig.trace.size(), 1u);
  EXPECT_TRUE(rig.ring->Serve(500));
  EXPECT_EQ(rig.memory.Tail(), rig.memory.Head());
  EXPECT_EQ(rig.memory.Entry(tur)->rsp.scsi_status, 0);
  EXPECT_EQ(rig.memory.Entry(inquiry)->rsp.read_len, 96u);
  EXPECT_EQ(rig.ring->NextDueMs(), kNever);
}

TEST(TcmuRing, NeverAnsweredCommandGivesItsSlotBackOnlyOnceTheKernelGaveUp) {
  for (bool abortNotice : {false, true}) {
    Rig rig(4096, "fault=never_answer opcode=00\n");
    const uint32_t tur = rig.memory.Push(kTur, {});
    const uint32_t waiting = rig.memory.Push(kInquiry, {}, 96);
    EXPECT_FALSE(rig.ring->Serve(0));
    EXPECT_EQ(rig.ring->NextDueMs(), 31000u);  // the kernel's 30 s, and a margin
    const uint64_t at = abortNotice ? 5000 : 31000;
    if (abortNotice) {
      rig.memory.PushTmr(1);
    } else {
      EXPECT_FALSE(rig.ring->Serve(at - 1));
    }
    EXPECT_TRUE(rig.ring->Serve(at));
    // Never a good status: the kernel drops it, and no later command is lost.
    EXPECT_EQ(rig.memory.Entry(tur)->rsp.scsi_status, 0x02);
    EXPECT_EQ(rig.memory.Entry(tur)->rsp.sense_buffer[2], 0x0B);
    const std::string why = abortNotice ? " why=aborted" : " why=timed_out";
    EXPECT_NE(std::find(rig.trace.begin(), rig.trace.end(), "dropped cmd_id=1" + why),
              rig.trace.end());
    // The one behind it ran unless it too had waited out the kernel's time.
    EXPECT_EQ(rig.memory.Entry(waiting)->rsp.scsi_status, abortNotice ? 0 : 0x02);
    const uint32_t later = rig.memory.Push(kInquiry, {}, 96);
    EXPECT_TRUE(rig.ring->Serve(at + 1));
    EXPECT_EQ(rig.memory.Entry(later)->rsp.read_len, 96u);
    EXPECT_EQ(rig.memory.Tail(), rig.memory.Head());
    if (abortNotice) {
      EXPECT_EQ(rig.trace[1], "tmr abort_task cmd_ids=1");
    }
  }
}

TEST(TcmuRing, MalformedEntriesAreRefusedWithoutTouchingMemory) {
  Rig rig;
  const uint32_t at = rig.memory.Push(kInquiry, {}, 96);
  rig.memory.Entry(at)->req.iov[0].iov_base = reinterpret_cast<void*>(uintptr_t{0x7FFFFFF0});
  rig.memory.Push(kInquiry, {}, 96);
  EXPECT_TRUE(rig.ring->Serve(0));
  EXPECT_EQ(rig.memory.Entry(at)->rsp.sense_buffer[12], 0x24);
  EXPECT_EQ(rig.trace[0], "refused cmd_id=1 why=outside_map");
  rig.memory.Entry(rig.memory.Push(kInquiry, {}, 96))->hdr.len_op = 0x10001;  // past the ring
  rig.ring->Serve(0);
  EXPECT_TRUE(rig.ring->Broken());
}

}  // namespace
}  // namespace kestrel::sim
