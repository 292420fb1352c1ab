#include "drive/command_set.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drive/cdb_builders.h"
#include "drive/sense.h"
#include "fakes/program_rows.h"
#include "fakes/recording_transport.h"
#include "sim/model/bus.h"
#include "sim/model/direct_transport.h"
#include "sim/model/passthrough_device_port.h"
#include "transport/passthrough/passthrough_transport.h"

namespace kestrel {
namespace {

using testing::RecordingTransport;

std::vector<uint8_t> Cdb(const ScsiCommand& command) {
  return std::vector<uint8_t>(command.cdb.begin(), command.cdb.begin() + command.cdbLength);
}

class CommandSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320"));
    ASSERT_NE(bus.DriveAt(0, 0), nullptr);  // drive() relies on it
    transport.InitDriveAccess();
    transport.SelectDrive({0, 0});
  }
  sim::Drive& drive() { return *bus.DriveAt(0, 0); }

  sim::Bus bus;
  sim::DirectTransport transport{bus};
  RecordingTransport recorder{transport};
};

TEST_F(CommandSetTest, SimpleCommandsAsSent) {
  DriveContext tarn9x(recorder, testing::ProfileOf(Program::Tarn9x));
  DriveContext tarn2k(recorder, testing::ProfileOf(Program::Tarn2k));
  ASSERT_EQ(SendInquiry(tarn9x), 0);
  ASSERT_EQ(SendRequestSense(tarn9x), 0);
  ASSERT_EQ(SendRequestSense(tarn2k), 0);
  ASSERT_EQ(SendTestUnitReady(tarn9x), 0);
  ASSERT_EQ(recorder.commands.size(), 4u);

  const ScsiCommand& inquiry = recorder.commands[0].command;
  EXPECT_EQ(Cdb(inquiry), (std::vector<uint8_t>{0x12, 0, 0, 0, 0x60, 0}));
  EXPECT_EQ(inquiry.direction, DataDirection::In);
  EXPECT_EQ(inquiry.data, transport.Buffers().data);
  EXPECT_EQ(inquiry.transferLength, 96u);
  EXPECT_EQ(inquiry.timeoutSeconds, 2u);
  EXPECT_EQ(inquiry.autoSenseLength, 18);
  EXPECT_EQ(0, std::memcmp(transport.Buffers().data, drive().Inquiry().data(), 96));

  // The ASPI builds ask for 18 bytes of sense, the pass-through build for 24.
  const ScsiCommand& sense18 = recorder.commands[1].command;
  const ScsiCommand& sense24 = recorder.commands[2].command;
  EXPECT_EQ(Cdb(sense18), (std::vector<uint8_t>{0x03, 0, 0, 0, 18, 0}));
  EXPECT_EQ(sense18.transferLength, 18u);
  EXPECT_EQ(sense24.cdb[4], 24);
  EXPECT_EQ(sense24.transferLength, 24u);
  EXPECT_EQ(sense24.data, transport.Buffers().sense.data());
  EXPECT_EQ(sense24.autoSenseLength, 0);

  const ScsiCommand& tur = recorder.commands[3].command;
  EXPECT_EQ(Cdb(tur), (std::vector<uint8_t>(6, 0)));
  EXPECT_EQ(tur.direction, DataDirection::None);
  EXPECT_EQ(tur.data, nullptr);
  EXPECT_EQ(tur.transferLength, 0u);
  EXPECT_TRUE(tur.passThroughDataIn);
  EXPECT_EQ(tur.autoSenseLength, 18);
  drive().ShortReply(sim::op::kInquiry, 1, 35);
  EXPECT_EQ(SendInquiry(tarn9x), kReplyTooShort);
  drive().ShortReply(sim::op::kInquiry, 1, 36);
  EXPECT_EQ(SendInquiry(tarn9x), 0);
}

TEST_F(CommandSetTest, BufferCommandsAreBigEndianModeOne) {
  DriveContext context(recorder, testing::ProfileOf(Program::Tarn9x));
  uint8_t* data = transport.Buffers().data;
  EXPECT_EQ(ReadDriveBuffer(context, kReadBackId, 0x018000, 0x8000, data), 0);
  EXPECT_EQ(0, std::memcmp(data, drive().Flash().data() + 0x18000, 0x8000));
  EXPECT_EQ(PrepareDownload(context), 0);
  EXPECT_EQ(WriteDriveBuffer(context, kDownloadBlockId, 0, 0x8000, transport.Buffers().image), 0);
  ASSERT_EQ(recorder.commands.size(), 3u);

  const ScsiCommand& read = recorder.commands[0].command;
  EXPECT_EQ(Cdb(read),
            (std::vector<uint8_t>{0x3C, 0x01, 0x80, 0x01, 0x80, 0x00, 0, 0x80, 0x00, 0}));
  EXPECT_EQ(read.direction, DataDirection::In);
  EXPECT_EQ(read.timeoutSeconds, 5u);
  EXPECT_EQ(read.autoSenseLength, 0);

  // Zero-length WRITE BUFFERs carry no data and are data-out on pass-through.
  const ScsiCommand& prepare = recorder.commands[1].command;
  EXPECT_EQ(Cdb(prepare), (std::vector<uint8_t>{0x3B, 0x01, 0x30, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(prepare.direction, DataDirection::None);
  EXPECT_EQ(prepare.data, nullptr);
  EXPECT_FALSE(prepare.passThroughDataIn);
  EXPECT_EQ(prepare.timeoutSeconds, 5u);

  const ScsiCommand& block = recorder.commands[2].command;
  EXPECT_EQ(Cdb(block), (std::vector<uint8_t>{0x3B, 0x01, 0xFF, 0, 0, 0, 0, 0x80, 0x00, 0}));
  EXPECT_EQ(block.direction, DataDirection::Out);
  EXPECT_FALSE(block.passThroughDataIn);

  const ScsiCommand program = FlashProgrammingCommand(context);
  EXPECT_EQ(Cdb(program), (std::vector<uint8_t>{0x3B, 0x01, 0x42, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(program.data, nullptr);
  EXPECT_EQ(program.transferLength, 0u);
  EXPECT_FALSE(program.passThroughDataIn);
  EXPECT_EQ(program.timeoutSeconds, 5u);
}

TEST_F(CommandSetTest, RequestsThatCannotBeBuiltAreNotSent) {
  DriveContext context(recorder, testing::ProfileOf(Program::Tarn9x));
  uint8_t* data = transport.Buffers().data;
  EXPECT_EQ(ReadDriveBuffer(context, kReadBackId, 0x1000000, 32, data), kCommandNotSent);
  EXPECT_EQ(WriteDriveBuffer(context, kDownloadBlockId, 0, 16, nullptr), kCommandNotSent);
  EXPECT_TRUE(recorder.commands.empty());
  // The largest offset still fits.
  EXPECT_TRUE(BuildReadBuffer(kReadBackId, 0xFFFFFF, 0xFFFF, data).has_value());

  // Start-up does not look at InitDriveAccess's result, so the buffers may
  // be missing: INQUIRY then fails instead of writing through a null pointer.
  transport.ReleaseDriveAccess();
  EXPECT_EQ(SendInquiry(context), kCommandNotSent);
  EXPECT_TRUE(recorder.commands.empty());
}

TEST_F(CommandSetTest, EveryBuildClearsAReadBufferFirst) {
  drive().FailCommand(sim::op::kReadBuffer, 1, sim::kHardwareError);
  drive().FailCommand(sim::op::kReadBuffer, 2, sim::kHardwareError);
  std::vector<uint8_t> destination(64, 0xAB);

  DriveContext tarn9x(transport, testing::ProfileOf(Program::Tarn9x));
  EXPECT_NE(ReadDriveBuffer(tarn9x, kReadBackId, 0, 64, destination.data()), 0);
  EXPECT_EQ(destination, std::vector<uint8_t>(64, 0));
  destination.assign(64, 0xAB);

  DriveContext tarn2k(transport, testing::ProfileOf(Program::Tarn2k));
  EXPECT_NE(ReadDriveBuffer(tarn2k, kReadBackId, 0, 32, destination.data()), 0);
  EXPECT_EQ(std::vector<uint8_t>(destination.begin(), destination.begin() + 32),
            std::vector<uint8_t>(32, 0));
  EXPECT_EQ(destination[32], 0xAB) << "only the transfer length is cleared";
}

// The commands through the real pass-through transport: every request carries
// a direction, its timeout and its automatic-sense length.
TEST(CommandSetOverPassThrough, RequestBlocksCarryTheTableValues) {
  sim::Bus bus;
  bus.AddLetter('D', sim::KestrelDrive("DRV-320"));
  sim::PassThroughDevicePort port(bus);
  PassThroughTransport transport(port);
  ASSERT_EQ(transport.InitDriveAccess(), 0);
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  DriveContext context(transport, testing::ProfileOf(Program::Tarn2k));
  auto last = [&] { return transport.LastRequest().sptd; };

  ASSERT_EQ(SendInquiry(context), 0);
  EXPECT_EQ(last().DataIn, ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(last().TimeOutValue, 2u);
  EXPECT_EQ(last().SenseInfoLength, 18);

  ASSERT_EQ(SendTestUnitReady(context), 0);
  EXPECT_EQ(last().DataIn, ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(last().DataTransferLength, 0u);
  EXPECT_EQ(last().SenseInfoLength, 18);

  ASSERT_EQ(PrepareDownload(context), 0);
  EXPECT_EQ(last().DataIn, ntscsi::SCSI_IOCTL_DATA_OUT);
  EXPECT_EQ(last().DataTransferLength, 0u);
  EXPECT_EQ(last().TimeOutValue, 5u);
  EXPECT_EQ(last().SenseInfoLength, 0);

  ASSERT_EQ(SendRequestSense(context), 0);
  EXPECT_EQ(last().DataTransferLength, 24u);
  EXPECT_EQ(last().SenseInfoLength, 0);
  transport.CloseDrive();
}

TEST(SenseDecoding, ShowsTheWholeKeyByteAndToleratesShortData) {
  const uint8_t sense[18] = {0x70, 0, 0xE5, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x01};
  const SenseCodes codes = DecodeSense(sense, sizeof sense);
  EXPECT_EQ(FormatSenseReport(codes), "Sense Code : e5-24-01");
  EXPECT_EQ(FormatSenseInParentheses(codes), "(e5-24-01)");
  EXPECT_EQ(codes.SenseKey(), 0x05);

  const SenseCodes cut = DecodeSense(sense, 12);  // ASC and ASCQ missing
  EXPECT_EQ(FormatSenseReport(cut), "Sense Code : e5-00-00");

  // The descriptor format keeps key, ASC and ASCQ in bytes 1-3.
  const uint8_t descriptor[8] = {0x72, 0x02, 0x3A, 0x01, 0, 0, 0, 0};
  EXPECT_TRUE(DecodeSense(descriptor, sizeof descriptor).MediumNotPresent());

  EXPECT_TRUE((SenseCodes{0x06, 0x28, 0x00}).UnitAttention());
  EXPECT_TRUE((SenseCodes{0xF2, 0x04, 0x01}).BecomingReady());
  EXPECT_FALSE((SenseCodes{0x02, 0x04, 0x07}).BecomingReady());
  EXPECT_TRUE((SenseCodes{0x02, 0x3A, 0x02}).MediumNotPresent());
}

}  // namespace
}  // namespace kestrel
