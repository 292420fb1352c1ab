// The simulated drive keeps the promises the utilities rely on: identification,
// sense, readiness, and the maker's firmware download and programming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sim/model/drive_model.h"

namespace kestrel::sim {
namespace {

struct Cdb10 {
  uint8_t b[10] = {};
};

Cdb10 BufferCdb(uint8_t opcode, uint8_t id, uint32_t offset, uint32_t length) {
  Cdb10 c;
  c.b[0] = opcode;
  c.b[1] = 0x01;
  c.b[2] = id;
  c.b[3] = static_cast<uint8_t>(offset >> 16);
  c.b[4] = static_cast<uint8_t>(offset >> 8);
  c.b[5] = static_cast<uint8_t>(offset);
  c.b[7] = static_cast<uint8_t>(length >> 8);
  c.b[8] = static_cast<uint8_t>(length);
  return c;
}

CommandResult WriteBuf(Drive& d, uint8_t id, uint32_t offset, const uint8_t* data,
                       uint32_t length) {
  Cdb10 c = BufferCdb(0x3B, id, offset, length);
  return d.Execute(c.b, 10, length ? DataDirection::Out : DataDirection::None,
                   const_cast<uint8_t*>(data), length);
}

CommandResult ReadBuf(Drive& d, uint32_t offset, uint8_t* data, uint32_t length) {
  Cdb10 c = BufferCdb(0x3C, 0x80, offset, length);
  return d.Execute(c.b, 10, DataDirection::In, data, length);
}

std::vector<uint8_t> Inquiry(Drive& d, uint8_t allocation = 0x60, uint32_t transfer = 96) {
  uint8_t cdb[6] = {0x12, 0, 0, 0, allocation, 0};
  std::vector<uint8_t> reply(transfer + 8, 0xEE);  // guard bytes after the transfer length
  d.Execute(cdb, 6, DataDirection::In, reply.data(), transfer);
  return reply;
}

std::string Text(const std::vector<uint8_t>& bytes, size_t at, size_t n) {
  return std::string(reinterpret_cast<const char*>(&bytes[at]), n);
}

Sense RequestSense(Drive& d, uint8_t allocation = 18, std::vector<uint8_t>* raw = nullptr) {
  uint8_t cdb[6] = {0x03, 0, 0, 0, allocation, 0};
  std::vector<uint8_t> reply(32, 0xEE);
  CommandResult r = d.Execute(cdb, 6, DataDirection::In, reply.data(), allocation);
  EXPECT_TRUE(r.good());
  if (raw) *raw = reply;
  return Sense{reply[2], reply[12], reply[13]};
}

// A complete image part plus trailer as DownloadFirmware sends them.
struct Download {
  std::vector<uint8_t> part;
  std::vector<uint8_t> trailer;
};

Download MakeDownload(const std::string& revision, const std::string& date) {
  FirmwarePartSetup setup;
  setup.revision = revision;
  setup.date = date;
  setup.fillSeed = 77;
  Download d{MakeFirmwarePart(setup), std::vector<uint8_t>(kTrailerSize, 0x11)};
  std::memcpy(&d.trailer[0x1000], "WIN2", 4);
  return d;
}

void SendDownload(Drive& d, const Download& dl) {
  ASSERT_TRUE(WriteBuf(d, 0x30, 0, nullptr, 0).good());
  for (uint32_t o = 0; o < kFlashSize; o += kDownloadBlockSize) {
    ASSERT_TRUE(WriteBuf(d, 0xFF, o, &dl.part[o], kDownloadBlockSize).good()) << o;
  }
  ASSERT_TRUE(WriteBuf(d, 0xFF, kTrailerOffset, dl.trailer.data(), kTrailerSize).good());
}

std::vector<uint8_t> ReadFlash(Drive& d) {
  std::vector<uint8_t> back(kFlashSize);
  for (uint32_t o = 0; o < kFlashSize; o += kDownloadBlockSize) {
    EXPECT_TRUE(ReadBuf(d, o, &back[o], kDownloadBlockSize).good()) << o;
  }
  return back;
}

// Offsets where two parts differ.
std::vector<uint32_t> Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  std::vector<uint32_t> at;
  for (uint32_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) at.push_back(i);
  }
  return at;
}

TEST(SimDriveIdentity, InquiryCarriesTypeIdentificationAndDate) {
  Drive d(KestrelDrive("DRV-320", "1.10", "2003/05/12"));
  auto inq = Inquiry(d);
  EXPECT_EQ(inq[0], 5);
  EXPECT_EQ(Text(inq, 8, 24), "KESTREL DVD-ROM DRV-320 ");
  EXPECT_EQ(Text(inq, 32, 4), "1.10");
  EXPECT_EQ(Text(inq, 37, 10), "2003/05/12");
  EXPECT_EQ(inq[96], 0xEE);  // nothing past the transfer length

  Drive other(OtherDrive("PIONEER ", "DVD-ROM DVD-106", "1.22", 5));
  auto o = Inquiry(other);
  EXPECT_EQ(Text(o, 8, 24), "PIONEER DVD-ROM DVD-106 ");
  EXPECT_EQ(Text(o, 32, 4), "1.22");
}

TEST(SimDriveIdentity, ShortAllocationOrTransferGetsOnlyWhatFits) {
  Drive d(KestrelDrive("DRV-320"));
  auto small = Inquiry(d, 0x60, 20);
  EXPECT_EQ(Text(small, 8, 12), "KESTREL DVD-");
  EXPECT_EQ(small[20], 0xEE);
  auto alloc = Inquiry(d, 36, 96);
  EXPECT_EQ(alloc[35], '0');
  EXPECT_EQ(alloc[36], 0xEE);
}

TEST(SimDriveIdentity, RomIdBlockReadsOnlyAtTheConfiguredPlace) {
  for (uint32_t at : {0x1000u, 0x100u, 0x2000u}) {
    DriveConfig c = KestrelDrive("DRV-320", "1.10", "2003/05/12", "HITACHI H8_3062R");
    c.romIdOffset = at;
    Drive d(c);
    for (uint32_t probe : {0x1000u, 0x100u, 0x2000u}) {
      std::vector<uint8_t> block(32);
      ASSERT_TRUE(ReadBuf(d, probe, block.data(), 32).good());
      if (probe == at) {
        EXPECT_EQ(Text(block, 0, 8), "KESTREL ");
        EXPECT_EQ(Text(block, 8, 8), "DRV-320 ");
        EXPECT_EQ(Text(block, 16, 16), "HITACHI H8_3062R");
      } else {
        EXPECT_NE(Text(block, 0, 8), "KESTREL ") << std::hex << at << " probe " << probe;
      }
    }
  }
}

TEST(SimDriveSense, FailureIsReportedOnceByFixedFormatRequestSense) {
  Drive d(KestrelDrive("DRV-320"));
  uint8_t cdb[6] = {0xE7, 0, 0, 0, 0, 0};
  CommandResult r = d.Execute(cdb, 6, DataDirection::None, nullptr, 0);
  EXPECT_EQ(r.status, ScsiStatus::CheckCondition);
  EXPECT_EQ(r.sense, kInvalidOpcode);

  std::vector<uint8_t> raw;
  EXPECT_EQ(RequestSense(d, 18, &raw), kInvalidOpcode);
  EXPECT_EQ(raw[0], 0x70);
  EXPECT_EQ(raw[18], 0xEE);              // 18 asked, 18 given
  EXPECT_EQ(RequestSense(d), kNoSense);  // reported once

  d.Execute(cdb, 6, DataDirection::None, nullptr, 0);
  RequestSense(d, 24, &raw);
  EXPECT_EQ(raw[12], 0x20);
  EXPECT_EQ(raw[7], 16);  // 24-byte sense data
  EXPECT_EQ(raw[24], 0xEE);
}

TEST(SimDriveSense, SuccessfulCommandClearsTheLastFailure) {
  Drive d(KestrelDrive("DRV-320"));
  uint8_t bad[6] = {0xE7, 0, 0, 0, 0, 0};
  d.Execute(bad, 6, DataDirection::None, nullptr, 0);
  Inquiry(d);
  EXPECT_EQ(RequestSense(d), kNoSense);
}

TEST(SimDriveReadiness, DiscChangeGivesUnitAttentionOnceThenBecomingReady) {
  Drive d(KestrelDrive("DRV-320"));
  uint8_t tur[6] = {};
  EXPECT_TRUE(d.Execute(tur, 6, DataDirection::None, nullptr, 0).good());

  d.RemoveDisc();
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kMediumChanged);
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kNoMedium);

  d.InsertDisc(3000);
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kMediumChanged);
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kBecomingReady);
  d.AdvanceMs(2999);
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kBecomingReady);
  d.AdvanceMs(1);
  EXPECT_TRUE(d.Execute(tur, 6, DataDirection::None, nullptr, 0).good());
}

TEST(SimDriveReadiness, InquiryIsAnsweredDespiteUnitAttention) {
  Drive d(KestrelDrive("DRV-320"));
  d.InsertDisc();
  EXPECT_EQ(Text(Inquiry(d), 8, 8), "KESTREL ");
  uint8_t tur[6] = {};
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kMediumChanged);
}

TEST(SimDriveFlash, DownloadProgramAndReadBackEqualExceptOwnBytes) {
  DriveConfig c = KestrelDrive("DRV-320", "1.10", "2003/05/12");
  c.programmingMs = 20000;
  Drive d(c);
  Download dl = MakeDownload("1.20", "2003/09/30");
  SendDownload(d, dl);

  CommandResult start = WriteBuf(d, 0x42, 0, nullptr, 0);
  ASSERT_TRUE(start.good());
  EXPECT_EQ(start.completesAtMs, 20000u);
  EXPECT_TRUE(d.Programming());
  // The drive is busy until programming ends.
  std::vector<uint8_t> block(kDownloadBlockSize);
  EXPECT_EQ(ReadBuf(d, 0, block.data(), kDownloadBlockSize).sense, kOperationInProgress);
  d.AdvanceMs(19999);
  EXPECT_TRUE(d.Programming());
  d.AdvanceMs(1);
  EXPECT_FALSE(d.Programming());
  EXPECT_EQ(d.ProgrammingCount(), 1);

  auto back = ReadFlash(d);
  auto diff = Differences(back, dl.part);
  ASSERT_FALSE(diff.empty());  // the drive's own bytes differ from the image
  for (uint32_t at : diff) {
    EXPECT_GE(at, kOwnDataOffset);
    EXPECT_LT(at, kOwnDataOffset + kOwnDataSize);
  }
  auto inq = Inquiry(d);
  EXPECT_EQ(Text(inq, 8, 24), "KESTREL DVD-ROM DRV-320 ");
  EXPECT_EQ(Text(inq, 32, 4), "1.20");
  EXPECT_EQ(Text(inq, 37, 10), "2003/09/30");
}

TEST(SimDriveFlash, OwnBytesSurviveProgrammingUnchanged) {
  Drive d(KestrelDrive("DRV-320"));
  std::vector<uint8_t> before(d.Flash().begin() + kOwnDataOffset,
                              d.Flash().begin() + kOwnDataOffset + kOwnDataSize);
  d.SetProgrammingMs(0);
  SendDownload(d, MakeDownload("1.20", "2003/09/30"));
  EXPECT_TRUE(WriteBuf(d, 0x42, 0, nullptr, 0).good());
  EXPECT_FALSE(d.Programming());  // 0 ms: done at once
  std::vector<uint8_t> after(kOwnDataSize);
  ASSERT_TRUE(ReadBuf(d, kOwnDataOffset, after.data(), kOwnDataSize).good());
  EXPECT_EQ(after, before);
}

TEST(SimDriveFlash, ImageWithoutIdentificationRecordKeepsRevision) {
  Drive d(KestrelDrive("DRV-320", "1.10"));
  d.SetProgrammingMs(0);
  FirmwarePartSetup setup;
  setup.revision = "9.99";
  setup.identificationOffset = 0;
  Download dl{MakeFirmwarePart(setup), std::vector<uint8_t>(kTrailerSize, 0)};
  std::memcpy(&dl.trailer[0x1000], "WIN2", 4);
  SendDownload(d, dl);
  ASSERT_TRUE(WriteBuf(d, 0x42, 0, nullptr, 0).good());
  EXPECT_EQ(d.Revision(), "1.10");
  EXPECT_EQ(d.ProgrammingCount(), 1);
}

TEST(SimDriveFlash, BlocksOutOfSequenceAreRefused) {
  Drive d(KestrelDrive("DRV-320"));
  Download dl = MakeDownload("1.20", "2003/09/30");
  // No prepare.
  EXPECT_EQ(WriteBuf(d, 0xFF, 0, dl.part.data(), kDownloadBlockSize).sense, kInvalidField);
  // Wrong offset, then the download must start again.
  ASSERT_TRUE(WriteBuf(d, 0x30, 0, nullptr, 0).good());
  EXPECT_EQ(WriteBuf(d, 0xFF, 0x8000, dl.part.data(), kDownloadBlockSize).sense, kInvalidField);
  EXPECT_EQ(WriteBuf(d, 0xFF, 0, dl.part.data(), kDownloadBlockSize).sense, kInvalidField);
  // Wrong length.
  ASSERT_TRUE(WriteBuf(d, 0x30, 0, nullptr, 0).good());
  EXPECT_EQ(WriteBuf(d, 0xFF, 0, dl.part.data(), 0x4000).sense, kInvalidField);
  // Prepare with data.
  EXPECT_EQ(WriteBuf(d, 0x30, 0, dl.part.data(), 16).sense, kInvalidField);
  // A trailer without its marker.
  ASSERT_TRUE(WriteBuf(d, 0x30, 0, nullptr, 0).good());
  for (uint32_t o = 0; o < kFlashSize; o += kDownloadBlockSize) {
    ASSERT_TRUE(WriteBuf(d, 0xFF, o, &dl.part[o], kDownloadBlockSize).good());
  }
  std::vector<uint8_t> noMarker(kTrailerSize, 0);
  EXPECT_EQ(WriteBuf(d, 0xFF, kTrailerOffset, noMarker.data(), kTrailerSize).sense, kInvalidField);
  // Programming without a complete download changes nothing.
  auto flashBefore = d.Flash();
  EXPECT_EQ(WriteBuf(d, 0x42, 0, nullptr, 0).sense, kSequenceError);
  EXPECT_FALSE(d.Programming());
  EXPECT_EQ(d.Flash(), flashBefore);
}

TEST(SimDriveFlash, WriteDataShorterThanTheBlockIsRefused) {
  Drive d(KestrelDrive("DRV-320"));
  std::vector<uint8_t> half(0x4000, 0);
  ASSERT_TRUE(WriteBuf(d, 0x30, 0, nullptr, 0).good());
  Cdb10 c = BufferCdb(0x3B, 0xFF, 0, kDownloadBlockSize);  // claims 8000h, offers 4000h
  EXPECT_EQ(d.Execute(c.b, 10, DataDirection::Out, half.data(), 0x4000).sense, kInvalidField);
}

TEST(SimDriveFlash, OtherMakersDevicesRefuseFirmwareCommands) {
  Drive d(OtherDrive("PIONEER ", "DVD-ROM DVD-106"));
  std::vector<uint8_t> block(32);
  EXPECT_EQ(ReadBuf(d, 0x1000, block.data(), 32).sense, kInvalidField);
  EXPECT_EQ(WriteBuf(d, 0x30, 0, nullptr, 0).sense, kInvalidField);
}

TEST(SimDriveFlash, ReadBeyondFlashIsRefused) {
  Drive d(KestrelDrive("DRV-320"));
  std::vector<uint8_t> block(kDownloadBlockSize);
  EXPECT_EQ(ReadBuf(d, 0x1C000, block.data(), kDownloadBlockSize).sense, kInvalidField);
  EXPECT_EQ(ReadBuf(d, 0x18000, block.data(), kDownloadBlockSize).status, ScsiStatus::Good);
}

TEST(SimDriveFaults, NthCommandOfAKindFailsWithTheGivenSense) {
  Drive d(KestrelDrive("DRV-320"));
  d.FailCommand(0x12, 2, Sense{0x04, 0x44, 0x00});
  EXPECT_TRUE(Inquiry(d)[0] == 5);
  uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
  uint8_t reply[96];
  CommandResult second = d.Execute(cdb, 6, DataDirection::In, reply, 96);
  EXPECT_EQ(second.sense, (Sense{0x04, 0x44, 0x00}));
  EXPECT_EQ(RequestSense(d), (Sense{0x04, 0x44, 0x00}));
  EXPECT_TRUE(d.Execute(cdb, 6, DataDirection::In, reply, 96).good());
}

TEST(SimDriveFaults, RefusedDownloadBlockCountsOnlyDownloadBlocks) {
  Drive d(KestrelDrive("DRV-320"));
  d.RefuseDownloadBlock(2);
  Download dl = MakeDownload("1.20", "2003/09/30");
  ASSERT_TRUE(WriteBuf(d, 0x30, 0, nullptr, 0).good());
  EXPECT_TRUE(WriteBuf(d, 0xFF, 0, &dl.part[0], kDownloadBlockSize).good());
  EXPECT_TRUE(WriteBuf(d, 0xFF, 0x8000, &dl.part[0x8000], kDownloadBlockSize).good());
  EXPECT_EQ(WriteBuf(d, 0xFF, 0x10000, &dl.part[0x10000], kDownloadBlockSize).sense, kInvalidField);
}

TEST(SimDriveFaults, CorruptedReadBackDiffersAtThatByteOnly) {
  Drive d(KestrelDrive("DRV-320"));
  auto clean = ReadFlash(d);
  d.CorruptReadBack(0x9000);
  auto dirty = ReadFlash(d);
  EXPECT_EQ(Differences(clean, dirty), std::vector<uint32_t>{0x9000});
}

TEST(SimDriveFaults, PowerLostDuringProgrammingLeavesGarbageAndNoEnd) {
  Drive d(KestrelDrive("DRV-320", "1.10"));
  d.ProgrammingNeverFinishes();
  Download dl = MakeDownload("1.20", "2003/09/30");
  SendDownload(d, dl);
  CommandResult start = WriteBuf(d, 0x42, 0, nullptr, 0);
  EXPECT_EQ(start.completesAtMs, kNever);
  d.AdvanceMs(10 * 60 * 1000);
  EXPECT_TRUE(d.Programming());
  std::vector<uint8_t> block(kDownloadBlockSize);
  EXPECT_FALSE(ReadBuf(d, 0, block.data(), kDownloadBlockSize).good());

  d.PowerCycle();
  EXPECT_FALSE(d.Programming());
  EXPECT_EQ(d.ProgrammingCount(), 0);
  EXPECT_EQ(d.Revision(), "1.10");
  uint8_t tur[6] = {};
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kMediumChanged);
  auto back = ReadFlash(d);
  EXPECT_GT(Differences(back, dl.part).size(), 0x1000u);
}

TEST(SimDriveFaults, GarbageAndShortRepliesStayInsideTheBuffer) {
  Drive d(KestrelDrive("DRV-320"));
  d.GarbageReply(0x12, 1);
  d.ShortReply(0x12, 2, 10);
  auto garbled = Inquiry(d);
  EXPECT_NE(Text(garbled, 8, 24), "KESTREL DVD-ROM DRV-320 ");
  EXPECT_EQ(garbled[96], 0xEE);

  uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
  std::vector<uint8_t> reply(96, 0xEE);
  CommandResult shortReply = d.Execute(cdb, 6, DataDirection::In, reply.data(), 96);
  EXPECT_TRUE(shortReply.good());
  EXPECT_EQ(shortReply.transferred, 10u);
  EXPECT_EQ(reply[9], 'E');
  EXPECT_EQ(reply[10], 0xEE);
}

TEST(SimDriveTrace, EveryCommandIsRecordedWithItsOutcome) {
  Drive d(KestrelDrive("DRV-320"));
  Inquiry(d);
  std::vector<uint8_t> block(32);
  ReadBuf(d, 0x1000, block.data(), 32);
  const auto& entries = d.GetTrace().Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].cdb, (std::vector<uint8_t>{0x12, 0, 0, 0, 0x60, 0}));
  EXPECT_EQ(entries[0].direction, DataDirection::In);
  EXPECT_EQ(entries[0].transferred, 96u);
  EXPECT_EQ(entries[1].bufferId(), 0x80);
  EXPECT_EQ(d.GetTrace().CountCommands(0x3C, 0x80), 1u);
  EXPECT_EQ(FormatTraceLine(entries[0]),
            "cmd cdb=12 00 00 00 60 00 dir=in len=96 moved=96 status=good");
}


// What a host's own CD/DVD driver (Linux sr at attach and open) and Wine's
// start send on their own: answered, with every reported byte filled.
struct HostCommandRow {
  const char* name;
  std::vector<uint8_t> cdb;
  bool disc;
  Sense sense;  // kNoSense: good
  uint32_t moved;
  std::vector<std::pair<size_t, uint8_t>> bytes;  // reply bytes that must be so
};

void PrintTo(const HostCommandRow& row, std::ostream* os) { *os << row.name; }

class SimDriveHostCommands : public ::testing::TestWithParam<HostCommandRow> {};

TEST_P(SimDriveHostCommands, AnswerAsAnMmcDrive) {
  const HostCommandRow& row = GetParam();
  DriveConfig c = KestrelDrive("DRV-320");
  c.discPresent = row.disc;
  Drive d(c);
  std::vector<uint8_t> reply(4096 + 8, 0xEE);
  CommandResult r =
      d.Execute(row.cdb.data(), row.cdb.size(), DataDirection::In, reply.data(), 4096);
  EXPECT_EQ(r.sense, row.sense);
  EXPECT_EQ(r.transferred, row.moved);
  for (auto [at, value] : row.bytes) EXPECT_EQ(reply[at], value) << "byte " << at;
  if (row.moved) {
    EXPECT_NE(std::count(reply.begin(), reply.begin() + row.moved, 0xEE), row.moved);
  }
  EXPECT_EQ(reply[row.moved], 0xEE);  // nothing past what is reported
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, SimDriveHostCommands,
    ::testing::Values(
        HostCommandRow{"InquirySpc3", {0x12, 0, 0, 0, 0x60, 0}, true, kNoSense, 96,
                       {{2, 5}, {3, 0x32}}},
        HostCommandRow{"VpdList", {0x12, 1, 0x00, 0, 0xFF, 0}, true, kNoSense, 7,
                       {{0, 5}, {3, 3}, {4, 0x00}, {5, 0x80}, {6, 0x83}}},
        HostCommandRow{"VpdSerial", {0x12, 1, 0x80, 0, 0xFF, 0}, true, kNoSense, 14,
                       {{1, 0x80}, {3, 10}, {4, 'K'}, {13, '1'}}},
        HostCommandRow{"VpdT10Id", {0x12, 1, 0x83, 0, 0xFF, 0}, true, kNoSense, 42,
                       {{3, 38}, {4, 0x02}, {5, 0x01}, {7, 34}, {8, 'K'}, {41, '1'}}},
        HostCommandRow{"VpdOther", {0x12, 1, 0xB0, 0, 0xFF, 0}, true, kInvalidField, 0, {}},
        HostCommandRow{"EventsPolled", {0x4A, 1, 0, 0, 0x10, 0, 0, 0, 8, 0}, true, kNoSense, 8,
                       {{1, 6}, {2, 0x04}, {3, 0x10}, {4, 0}, {5, 0x02}}},
        HostCommandRow{"EventsNoDisc", {0x4A, 1, 0, 0, 0x10, 0, 0, 0, 8, 0}, false, kNoSense, 8,
                       {{5, 0x00}}},
        HostCommandRow{"EventsAsync", {0x4A, 0, 0, 0, 0x10, 0, 0, 0, 8, 0}, true, kInvalidField,
                       0, {}},
        HostCommandRow{"PreventNoDisc", {0x1E, 0, 0, 0, 1, 0}, false, kNoSense, 0, {}},
        HostCommandRow{"Toc", {0x43, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, true, kNoSense, 20,
                       {{1, 18}, {2, 1}, {3, 1}, {5, 0x14}, {6, 1}, {11, 0}, {14, 0xAA},
                        {17, 0x23}, {18, 0x05}, {19, 0x40}}},
        HostCommandRow{"TocMsf", {0x43, 2, 0, 0, 0, 0, 0, 0, 0x20, 0}, true, kNoSense, 20,
                       {{9, 0}, {10, 2}, {11, 0}}},
        HostCommandRow{"TocSession", {0x43, 0, 1, 0, 0, 0, 0, 0, 0x20, 0}, true, kNoSense, 12,
                       {{1, 10}, {6, 1}}},
        HostCommandRow{"TocNoDisc", {0x43, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, false, kNoMedium, 0, {}},
        HostCommandRow{"DiscInformation", {0x51, 0, 0, 0, 0, 0, 0, 0, 0x22, 0}, true, kNoSense,
                       34, {{1, 32}, {2, 0x0E}, {4, 1}, {6, 1}, {16, 0xFF}, {33, 0}}},
        HostCommandRow{"TrackInformation", {0x52, 1, 0, 0, 0, 1, 0, 0, 0x24, 0}, true, kNoSense,
                       36, {{1, 34}, {2, 1}, {5, 0x04}, {25, 0x23}, {31, 0x3F}}},
        HostCommandRow{"TrackInformationNoTrack2", {0x52, 1, 0, 0, 0, 2, 0, 0, 0x24, 0}, true,
                       kInvalidField, 0, {}},
        HostCommandRow{"Capacity", {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, kNoSense, 8,
                       {{1, 0x23}, {2, 0x05}, {3, 0x3F}, {6, 0x08}, {7, 0}}},
        HostCommandRow{"Read10", {0x28, 0, 0, 0, 0, 0x10, 0, 0, 2, 0}, true, kNoSense, 4096,
                       {{0, 0}, {4095, 0}}},
        HostCommandRow{"Read10PastEnd", {0x28, 0, 0, 0x23, 0x05, 0x40, 0, 0, 1, 0}, true,
                       kLbaOutOfRange, 0, {}},
        HostCommandRow{"Read10NoDisc", {0x28, 0, 0, 0, 0, 0x10, 0, 0, 1, 0}, false, kNoMedium, 0,
                       {}},
        HostCommandRow{"Configuration", {0x46, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}, true, kNoSense, 32,
                       {{3, 28}, {6, 0x00}, {7, 0x10}, {13, 0x10}, {14, 0x01}, {21, 0x01},
                        {27, 2}}},
        HostCommandRow{"ConfigurationNoDisc", {0x46, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}, false, kNoSense,
                       32, {{7, 0x00}, {14, 0x00}}},
        HostCommandRow{"ConfigurationOne", {0x46, 2, 0, 1, 0, 0, 0, 0, 0xFF, 0}, true, kNoSense, 20,
                       {{9, 0x01}}},
        HostCommandRow{"ModeSense6", {0x1A, 0, 0x2A, 0, 0xFF, 0}, true, kNoSense, 30,
                       {{0, 29}, {3, 0}, {4, 0x2A}, {5, 0x18}, {6, 0x3F}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SimDriveHostCommands, EventPollingReportsANewDiscOnceAndLeavesTheAttention) {
  Drive d(KestrelDrive("DRV-320"));
  d.InsertDisc();
  uint8_t poll[10] = {0x4A, 1, 0, 0, 0x10, 0, 0, 0, 8, 0};
  uint8_t reply[8];
  ASSERT_TRUE(d.Execute(poll, 10, DataDirection::In, reply, 8).good());
  EXPECT_EQ(reply[4], 2);  // new media
  ASSERT_TRUE(d.Execute(poll, 10, DataDirection::In, reply, 8).good());
  EXPECT_EQ(reply[4], 0);
  uint8_t tur[6] = {};
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).sense, kMediumChanged);
}

TEST(SimDriveHostCommands, ModeSense6CarriesTheSamePageAsModeSense10) {
  Drive d(KestrelDrive("DRV-320"));
  uint8_t six[6] = {0x1A, 0, 0x2A, 0, 0xFF, 0}, ten[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF, 0};
  std::vector<uint8_t> a(255), b(255);
  d.Execute(six, 6, DataDirection::In, a.data(), 255);
  d.Execute(ten, 10, DataDirection::In, b.data(), 255);
  EXPECT_EQ(std::vector<uint8_t>(a.begin() + 4, a.begin() + 30),
            std::vector<uint8_t>(b.begin() + 8, b.begin() + 34));
}

}  // namespace
}  // namespace kestrel::sim
