#include "firmware/firmware_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/sense_report.h"
#include "drive/supported_drive.h"
#include "fakes/fake_drive_list_view.h"
#include "fakes/program_rows.h"
#include "fakes/recording_transport.h"
#include "sim/model/bus.h"
#include "sim/model/direct_transport.h"
#include "transport/aspi/aspi_drive_access.h"

namespace kestrel {
namespace {

using testing::FakeDriveListView;
using testing::RecordingTransport;

std::string Text(const uint8_t* bytes, size_t count) {
  return std::string(reinterpret_cast<const char*>(bytes), count);
}

template <size_t N>
std::string Text(const std::array<uint8_t, N>& bytes, size_t from, size_t count) {
  return Text(bytes.data() + from, count);
}

// One drive at adapter 0, target 0, the pass-through failure value 2 so that a
// failed read can be told from the comparison results -1 to -3.
class FirmwareTransferTest : public ::testing::Test {
 protected:
  void Use(sim::DriveConfig config, Program utility = Program::Tarn9x) {
    bus.AddAdapter("intelata").AddTarget(0, std::move(config));
    transport.InitDriveAccess();
    transport.SelectDrive({0, 0});
    context.emplace(recorder, testing::ProfileOf(utility));
  }
  sim::Drive& drive() { return *bus.DriveAt(0, 0); }
  uint8_t* image() { return transport.Buffers().image; }
  DriveRecords& records() { return context->records; }
  ImageRecord& imageRecord() { return imageRecord_; }
  std::vector<testing::RecordedCommand> Sent(uint8_t opcode) const {
    std::vector<testing::RecordedCommand> out;
    for (const auto& c : recorder.commands)
      if (c.opcode() == opcode) out.push_back(c);
    return out;
  }

  sim::Bus bus;
  sim::DirectTransport transport{bus, 2};
  RecordingTransport recorder{transport};
  std::optional<DriveContext> context;
  FakeDriveListView view;
  ImageRecord imageRecord_;
};

// --- CheckSupportedDrive -----------------------------------------------------

TEST_F(FirmwareTransferTest, SupportedModelsMatchOnVendorAndProductOnly) {
  Use(sim::KestrelDrive("DRV-321A", "9.99", "2004/01/02"));
  records().driveGeneration = 0;
  EXPECT_EQ(CheckSupportedDrive(*context), 0);
  EXPECT_EQ(records().driveGeneration, 6);
  EXPECT_EQ(Text(records().driveIdentification, 0, 28), "KESTREL DVD-ROM DRV-321A9.99");
  EXPECT_EQ(Text(records().driveIdentification, 29, 10), "2004/01/02");
}

TEST_F(FirmwareTransferTest, OneDifferentProductCharacterIsNotSupported) {
  Use(sim::KestrelDrive("DRV-322"));
  records().driveGeneration = 7;
  records().driveIdentification.fill(0xAA);
  EXPECT_EQ(CheckSupportedDrive(*context), 1);
  EXPECT_EQ(records().driveGeneration, 7);
  EXPECT_EQ(records().driveIdentification[0], 0xAA);
}

TEST_F(FirmwareTransferTest, SecondMakersRowSetsTheGeneration) {
  Use(sim::OtherDrive("Maple", "DVD-ROM DRV-311"));
  EXPECT_EQ(CheckSupportedDrive(*context), 0);
  EXPECT_EQ(records().driveGeneration, 5);
}

TEST_F(FirmwareTransferTest, Tarn2kRowWithoutGenerationKeepsIt) {
  Use(sim::KestrelDrive("DRW-410"), Program::Tarn2k);
  records().driveGeneration = 6;
  EXPECT_EQ(CheckSupportedDrive(*context), 0);
  EXPECT_EQ(records().driveGeneration, 6);
  // TARN2K's table has no generation-5 drives.
  ASSERT_NE(bus.GetAdapter(0), nullptr);
  bus.GetAdapter(0)->AddTarget(1, sim::KestrelDrive("DRV-310"));
  transport.SelectDrive({0, 1});
  EXPECT_EQ(CheckSupportedDrive(*context), 1);
}

TEST_F(FirmwareTransferTest, Beck9xKeepsThirtyFiveBytes) {
  Use(sim::KestrelDrive("DRV-331", "1.23", "2005/06/07"), Program::Beck9x);
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  records().driveIdentification.fill(0xAA);
  EXPECT_EQ(CheckSupportedDrive(*context), 0);
  EXPECT_EQ(Text(records().driveIdentification, 0, 35), Text(drive().Inquiry().data() + 8, 35));
  EXPECT_EQ(records().driveIdentification[35], 0xAA);
  EXPECT_EQ(records().driveGeneration, 7);
}

TEST_F(FirmwareTransferTest, AspiAddressIsUsedForTheInquiryAndRestored) {
  Use(sim::KestrelDrive("DRV-320"));
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  ASSERT_NE(bus.GetAdapter(0), nullptr);
  bus.GetAdapter(0)->AddTarget(1, sim::OtherDrive("OTHERCO", "DVD-ROM XJ-1"));
  transport.SelectDrive({0, 1});
  AspiDriveAccess access(transport);
  const DriveEntry entry{"ID=0 : ", AspiAddress{0, 0}};
  EXPECT_EQ(access.CheckSupported(*context, entry), 0);
  EXPECT_EQ(transport.CurrentAddress().target, 1);
  auto inquiries = bus.GetTrace().Commands(sim::op::kInquiry);
  ASSERT_EQ(inquiries.size(), 1u);
  EXPECT_EQ(inquiries[0].target, 0);

  // Also after a failed INQUIRY.
  drive().FailCommand(sim::op::kInquiry, 1, sim::kHardwareError);
  EXPECT_EQ(access.CheckSupported(*context, entry), -1);
  EXPECT_EQ(transport.CurrentAddress().target, 1);
}

// --- ReadCpuIdentification ---------------------------------------------------

std::vector<uint32_t> ReadOffsets(const std::vector<testing::RecordedCommand>& reads) {
  std::vector<uint32_t> offsets;
  for (const auto& r : reads)
    offsets.push_back(uint32_t{r.command.cdb[3]} << 16 | r.command.cdb[4] << 8 | r.command.cdb[5]);
  return offsets;
}

TEST_F(FirmwareTransferTest, CpuIdentificationAtItsUsualPlace) {
  Use(sim::KestrelDrive("DRV-320", "1.10", "2003/05/12", "HITACHI H8_3062R"));
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  EXPECT_EQ(ReadCpuIdentification(*context, view), 0);
  EXPECT_EQ(Text(records().cpuIdentification, 0, 32), Text(drive().RomIdBlock().data(), 32));
  EXPECT_EQ(ReadOffsets(Sent(0x3C)), (std::vector<uint32_t>{0x1000}));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(FirmwareTransferTest, CpuIdentificationOfOlderDrivesAt2000h) {
  auto config = sim::KestrelDrive("DRV-310", "1.10", "2003/05/12", "HITACHI H8_3048F");
  config.romIdOffset = 0x2000;
  Use(config);
  EXPECT_EQ(ReadCpuIdentification(*context, view), 0);
  EXPECT_EQ(Text(records().cpuIdentification, 16, 16), "HITACHI H8_3048F");
  EXPECT_EQ(ReadOffsets(Sent(0x3C)), (std::vector<uint32_t>{0x1000, 0x100, 0x2000}));
}

TEST_F(FirmwareTransferTest, CpuIdentificationAt100hIsRefused) {
  auto config = sim::KestrelDrive("DRV-310");
  config.romIdOffset = 0x100;
  Use(config);
  EXPECT_EQ(ReadCpuIdentification(*context, view), -1);
  EXPECT_EQ(Text(records().cpuIdentification, 0, 32), "Not recognize   Not recognize   ");
  EXPECT_EQ(ReadOffsets(Sent(0x3C)), (std::vector<uint32_t>{0x1000, 0x100}));
  // Every command succeeded, so the report shows empty sense.
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Sense Code : 00-00-00");
  EXPECT_EQ(view.messages[0].caption, "TARN9X");
}

TEST_F(FirmwareTransferTest, CpuIdentificationReadFailureShowsItsSense) {
  Use(sim::KestrelDrive("DRV-320"));
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  drive().FailCommand(sim::op::kReadBuffer, 1, sim::Sense{0x04, 0x44, 0x00});
  records().cpuIdentification.fill(0xAA);
  EXPECT_EQ(ReadCpuIdentification(*context, view), -1);
  EXPECT_EQ(ReadOffsets(Sent(0x3C)).size(), 1u);
  EXPECT_EQ(records().cpuIdentification[0], 0xAA);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Sense Code : 04-44-00");
}

// --- ReportSense -------------------------------------------------------------

TEST_F(FirmwareTransferTest, ReportSenseTexts) {
  Use(sim::KestrelDrive("DRV-320"), Program::Tarn2k);
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  // READ BUFFER asks for no automatic sense, so the drive keeps it for
  // REQUEST SENSE.
  drive().FailCommand(sim::op::kReadBuffer, 1, sim::Sense{0x05, 0x24, 0x00});
  EXPECT_NE(ReadDriveBuffer(*context, kReadBackId, 0, 32, transport.Buffers().data), 0);
  ReportSense(*context, view);
  drive().FailCommand(sim::op::kRequestSense, 1, sim::kHardwareError);
  ReportSense(*context, view);
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[0].text, "Sense Code : 05-24-00");
  EXPECT_EQ(view.messages[0].caption, "TARN2K");
  EXPECT_EQ(view.messages[1].text, "Request Sense Comand Failed.");
  EXPECT_EQ(view.messages[1].caption, "TARN2K");
  ASSERT_FALSE(Sent(0x03).empty());
  EXPECT_EQ(Sent(0x03)[0].command.cdb[4], 24);
}

// --- DownloadFirmware --------------------------------------------------------

// Every 4 KB page of the image carries its own number, so a block shows where
// it came from.
void FillImage(uint8_t* image) {
  for (uint32_t i = 0; i < kImageBufferSize; ++i)
    image[i] = static_cast<uint8_t>((i >> 12) ^ (i & 0xFF));
}

struct DownloadCase {
  const char* model;
  const char* cpu;
  uint32_t base;
  uint32_t trailer;
};

class DownloadChoiceTest : public FirmwareTransferTest,
                           public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadChoiceTest, SendsThePartAndTrailerOfTheDrive) {
  const DownloadCase& c = GetParam();
  Use(sim::KestrelDrive(c.model, "1.10", "2003/05/12", c.cpu));
  FillImage(image());
  ASSERT_EQ(CheckSupportedDrive(*context), 0);
  ASSERT_EQ(ReadCpuIdentification(*context, view), 0);
  imageRecord().imageBase = 0x12345;

  ASSERT_EQ(DownloadFirmware(*context, imageRecord(), view), 0);
  EXPECT_EQ(imageRecord().imageBase, c.base);
  EXPECT_EQ(Text(image() + c.trailer + 0x1000, 4), "WIN2");

  const auto writes = Sent(0x3B);
  ASSERT_EQ(writes.size(), 6u);
  EXPECT_EQ(writes[0].bufferId(), 0x30);
  const uint32_t offsets[] = {0, 0x8000, 0x10000, 0x18000};
  for (int i = 0; i < 4; ++i) {
    const auto& block = writes[1 + i];
    EXPECT_EQ(block.bufferId(), 0xFF);
    EXPECT_EQ(block.command.cdb[3] << 16 | block.command.cdb[4] << 8 | block.command.cdb[5],
              offsets[i]);
    ASSERT_EQ(block.dataOut.size(), 0x8000u);
    EXPECT_EQ(0, std::memcmp(block.dataOut.data(), image() + c.base + offsets[i], 0x8000)) << i;
  }
  const auto& trailer = writes[5];
  EXPECT_EQ(trailer.command.cdb[3], 0x02);  // drive offset 20000h
  ASSERT_EQ(trailer.dataOut.size(), 0x1010u);
  EXPECT_EQ(0, std::memcmp(trailer.dataOut.data(), image() + c.trailer, 0x1010));
  EXPECT_EQ(Text(trailer.dataOut.data() + 0x1000, 4), "WIN2");
  // The drive took the whole sequence: programming may start now.
  EXPECT_EQ(StartFlashProgramming(*context), 0);
  EXPECT_TRUE(view.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, DownloadChoiceTest,
                         ::testing::Values(DownloadCase{"DRV-310", "HITACHI H8_3062R", 0x20000,
                                                        0x41000},
                                           DownloadCase{"DRV-311", "HITACHI H8_3048F", 0, 0x40000},
                                           DownloadCase{"DRV-320", "HITACHI H8_3062R", 0, 0x20000}),
                         [](const ::testing::TestParamInfo<DownloadCase>& info) {
                           std::string name =
                               std::string(info.param.model) + "_" + (info.param.cpu + 12);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_F(FirmwareTransferTest, ARefusedBlockEndsTheDownload) {
  Use(sim::KestrelDrive("DRV-320"));
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  FillImage(image());
  drive().RefuseDownloadBlock(2, sim::Sense{0x05, 0x26, 0x00});
  EXPECT_EQ(DownloadFirmware(*context, imageRecord(), view), -1);
  const auto writes = Sent(0x3B);
  ASSERT_EQ(writes.size(), 4u);  // prepare and blocks 0-2
  EXPECT_EQ(writes.back().result, 2);
  EXPECT_EQ(bus.GetTrace().CountCommands(sim::op::kWriteBuffer, 0x42), 0u);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Sense Code : 05-26-00");
  // The marker stays written.
  EXPECT_EQ(Text(image() + 0x21000, 4), "WIN2");
}

TEST_F(FirmwareTransferTest, AFailedPrepareSendsNothingElse) {
  Use(sim::KestrelDrive("DRV-320"));
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  drive().FailCommand(sim::op::kWriteBuffer, 1, sim::kHardwareError, 0x30);
  imageRecord().imageBase = 0x20000;
  EXPECT_EQ(DownloadFirmware(*context, imageRecord(), view), -1);
  EXPECT_EQ(Sent(0x3B).size(), 1u);
  EXPECT_EQ(imageRecord().imageBase, 0x20000u);
  EXPECT_NE(Text(image() + 0x21000, 4), "WIN2");
  EXPECT_EQ(view.messages.size(), 1u);
}

// --- VerifyFirmware ----------------------------------------------------------

class VerifyTest : public FirmwareTransferTest {
 protected:
  void SetUp() override {
    Use(sim::KestrelDrive("DRV-320"));
    ASSERT_NE(bus.DriveAt(0, 0), nullptr);
    imageRecord().imageBase = 0x20000;
    FillImage(image());
    drive().LoadFlash(std::vector<uint8_t>(image() + 0x20000, image() + 0x40000));
  }
};

TEST_F(VerifyTest, EqualFlashVerifies) {
  EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x20000), 0);
  EXPECT_EQ(ReadOffsets(Sent(0x3C)), (std::vector<uint32_t>{0, 0x8000, 0x10000, 0x18000}));
  EXPECT_EQ(0, std::memcmp(transport.Buffers().data, image() + 0x20000, 0x20000));
}

TEST_F(VerifyTest, TheDrivesOwnBytesAreNotCompared) {
  for (uint32_t i = 0x400; i < 0x450; ++i) image()[0x20000 + i] ^= 0x5A;
  EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x20000), 0);
}

TEST_F(VerifyTest, DifferencesByPart) {
  struct {
    uint32_t offset;
    int32_t result;
  } const cases[] = {{0, -1}, {0x3FF, -1}, {0x450, -2}, {0x7FFF, -2}, {0x8000, -3}, {0x1FFFF, -3}};
  for (const auto& c : cases) {
    drive().ClearFaults();
    drive().CorruptReadBack(c.offset);
    EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x20000), c.result) << std::hex << c.offset;
  }
  // A one-block verification does not look beyond its block.
  drive().ClearFaults();
  drive().CorruptReadBack(0x8000);
  EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x8000), 0);
}

TEST_F(VerifyTest, BytesTheDriveNeverSentDoNotCompareEqual) {
  // DataBuffer starts out holding the image itself, as the loader leaves it.
  struct {
    const char* name;
    std::function<void(sim::Drive&)> fault;
    int32_t result;
  } const cases[] = {
      {"first block empty", [](sim::Drive& d) { d.EmptyReadBack(0); }, -1},
      {"last block empty", [](sim::Drive& d) { d.EmptyReadBack(3); }, -3},
      {"third block short by its last byte",
       [](sim::Drive& d) { d.ShortReply(sim::op::kReadBuffer, 3, 0x7FFF, 0x80); }, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drive().ClearFaults();
    std::memcpy(transport.Buffers().data, image() + 0x20000, 0x20000);
    c.fault(drive());
    EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x20000), c.result);
  }
}

TEST_F(VerifyTest, AFailedReadEndsWithItsResult) {
  drive().FailCommand(sim::op::kReadBuffer, 3, sim::kHardwareError);
  EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x20000), 2);
  EXPECT_EQ(Sent(0x3C).size(), 3u);
  // The ASPI build fails a read with -1, the status of a first-part
  // difference; the outcome tells them apart.
  drive().ClearFaults();
  drive().FailCommand(sim::op::kReadBuffer, 3, sim::kHardwareError);
  EXPECT_EQ(CompareFirmware(*context, imageRecord(), 0x20000).outcome, VerifyOutcome::ReadFailed);
  drive().ClearFaults();
  drive().CorruptReadBack(0);
  EXPECT_EQ(CompareFirmware(*context, imageRecord(), 0x20000).outcome,
            VerifyOutcome::FirstPartDiffers);
}

TEST_F(VerifyTest, CountsBeyondTheBuffersAreRefused) {
  EXPECT_EQ(VerifyFirmware(*context, imageRecord(), kDataBufferSize + 1), kCommandNotSent);
  imageRecord().imageBase = kImageBufferSize - 0x10000;
  EXPECT_EQ(VerifyFirmware(*context, imageRecord(), 0x18000), kCommandNotSent);
  EXPECT_TRUE(Sent(0x3C).empty());
}

// --- FindFileIdentification --------------------------------------------------

class FileIdentificationTest : public FirmwareTransferTest {
 protected:
  void SetUp() override { Use(sim::KestrelDrive("DRV-320")); }
  // A part at `base` with the build date 2003/05/12 and, if `at`, the marker
  // followed by a recognisable record.
  void Place(uint32_t base, uint32_t at) {
    imageRecord().imageBase = base;
    uint8_t* q = image() + base;
    q[6] = 0x20, q[7] = 0x03, q[8] = 0x05, q[9] = 0x12;
    if (at == 0) return;
    const uint8_t marker[] = {0x05, 0x80, 0x00, 0x32};
    std::memcpy(q + at, marker, 4);
    for (int i = 0; i < 88; ++i) q[at + 8 + i] = static_cast<uint8_t>('a' + i % 26);
  }
};

TEST_F(FileIdentificationTest, RecordAndDate) {
  Place(0x20000, 0x2100);
  imageRecord().fileIdentification.fill(0xAA);
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), 0);
  EXPECT_EQ(Text(imageRecord().fileIdentification, 0, 29), "abcdefghijklmnopqrstuvwxyzabc");
  EXPECT_EQ(Text(imageRecord().fileIdentification, 29, 11), std::string("2003/05/12") + '\0');
  EXPECT_EQ(imageRecord().fileIdentification[40], 'a' + 40 % 26);
}

TEST_F(FileIdentificationTest, WithoutMarkerOnlyTheDateIsWritten) {
  Place(0, 0);
  imageRecord().fileIdentification.fill(0xAA);
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), -1);
  EXPECT_EQ(imageRecord().fileIdentification[0], 0xAA);
  EXPECT_EQ(imageRecord().fileIdentification[28], 0xAA);
  EXPECT_EQ(Text(imageRecord().fileIdentification, 29, 10), "2003/05/12");
  EXPECT_EQ(imageRecord().fileIdentification[40], 0xAA);
}

TEST_F(FileIdentificationTest, SearchRangeIs450hTo1FFFFh) {
  Place(0, 0x44F);
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), -1);
  image()[0x44F] = 0;
  Place(0, 0x1FFFF);  // the last place searched; the record runs past the part
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), 0);
  EXPECT_EQ(imageRecord().fileIdentification[0], 'a');
  image()[0x1FFFF] = 0;
  Place(0, 0x20000);  // beyond the part
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), -1);
}

TEST_F(FileIdentificationTest, Tarn2kCopiesThirtyTwoBytes) {
  context.emplace(recorder, testing::ProfileOf(Program::Tarn2k));
  Place(0, 0x2100);
  imageRecord().fileIdentification.fill(0xAA);
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), 0);
  EXPECT_EQ(imageRecord().fileIdentification[28], 'a' + 28 % 26);
  // Bytes 29-39 hold the date; beyond the first 32 bytes nothing else is copied.
  EXPECT_EQ(imageRecord().fileIdentification[40], 0xAA);
  EXPECT_EQ(imageRecord().fileIdentification[87], 0xAA);
  EXPECT_EQ(Text(imageRecord().fileIdentification, 29, 10), "2003/05/12");
}

TEST_F(FileIdentificationTest, LargestDateFitsItsRoom) {
  Place(0, 0);
  uint8_t* q = image();
  q[6] = q[7] = q[8] = q[9] = 0xFF;
  imageRecord().fileIdentification.fill(0xAA);
  FindFileIdentification(*context, imageRecord());
  EXPECT_EQ(Text(imageRecord().fileIdentification, 29, 11), std::string("ffff/ff/ff") + '\0');
  EXPECT_EQ(imageRecord().fileIdentification[40], 0xAA);
}

TEST_F(FileIdentificationTest, NeverReadsPastTheImageBuffer) {
  // An image base near the end of the buffer (never chosen by the download,
  // but the record is plain data): the search stops at the buffer's end.
  const uint32_t base = kImageBufferSize - 0x500;
  Place(base, 0);
  const uint8_t marker[] = {0x05, 0x80, 0x00, 0x32};
  std::memcpy(image() + kImageBufferSize - 8, marker, 4);  // no room for the record after it
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), -1);
  imageRecord().imageBase = kImageBufferSize;
  EXPECT_EQ(FindFileIdentification(*context, imageRecord()), -1);
}

}  // namespace
}  // namespace kestrel
