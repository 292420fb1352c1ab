// The pass-through device emulation: drive letters, address and capability
// requests, SCSI_PASS_THROUGH_DIRECT blocks with sense, and handle bookkeeping.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/model/passthrough_device_port.h"
#include "transport/passthrough/passthrough_transport.h"

namespace kestrel::sim {
namespace {

using namespace kestrel::ntscsi;

struct PortFixture : ::testing::Test {
  PortFixture() : port(bus) {
    bus.AddAdapter("atapi")
        .AddTarget(0, KestrelDrive("DRV-320"))
        .AddTarget(1, KestrelDrive("DRV-331"));
    bus.MapLetter('D', 0, 1);
    bus.AddLetter('F', OtherDrive("PIONEER ", "DVD-ROM DVD-106"), 2, 3, 0);
  }
  PassThroughBlock Block(std::vector<uint8_t> cdb, uint8_t dataIn, void* data, uint32_t length,
                         uint8_t senseLength) {
    PassThroughBlock b;
    std::memset(&b, 0, sizeof b);
    b.sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    b.sptd.CdbLength = static_cast<uint8_t>(cdb.size());
    std::memcpy(b.sptd.Cdb, cdb.data(), cdb.size());
    b.sptd.DataIn = dataIn;
    b.sptd.DataBuffer = data;
    b.sptd.DataTransferLength = length;
    b.sptd.SenseInfoLength = senseLength;
    b.sptd.SenseInfoOffset = offsetof(PassThroughBlock, sense);
    b.sptd.TimeOutValue = 2;
    return b;
  }
  bool Send(PassThroughPort::Handle h, PassThroughBlock& b) {
    return port.Control(h, IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof b, &b, sizeof b);
  }
  Bus bus;
  PassThroughDevicePort port;
};

TEST_F(PortFixture, OnlyConfiguredLettersInDeviceFormOpen) {
  EXPECT_EQ(port.Open("\\\\.\\E:"), PassThroughPort::kInvalid);
  EXPECT_EQ(port.Open("D:"), PassThroughPort::kInvalid);
  EXPECT_EQ(port.Open("\\\\.\\D:\\"), PassThroughPort::kInvalid);
  auto d = port.Open("\\\\.\\d:");
  ASSERT_NE(d, PassThroughPort::kInvalid);
  EXPECT_EQ(port.LetterOf(d), 'D');
  ASSERT_NE(bus.Letter('F'), nullptr);
  bus.Letter('F')->refuseOpen = true;
  EXPECT_EQ(port.Open("\\\\.\\F:"), PassThroughPort::kInvalid);
  EXPECT_EQ(port.OpenHandleCount(), 1u);
  port.Close(d);
  port.Close(d);
  EXPECT_EQ(port.OpenHandleCount(), 0u);
  EXPECT_EQ(port.BadCloseCount(), 1);
}

TEST_F(PortFixture, AddressAndCapabilitiesDescribeTheDevice) {
  auto f = port.Open("\\\\.\\F:");
  SCSI_ADDRESS address{};
  ASSERT_TRUE(port.Control(f, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address));
  EXPECT_EQ(address.Length, 8u);
  EXPECT_EQ(address.PathId, 2);
  EXPECT_EQ(address.TargetId, 3);
  IO_SCSI_CAPABILITIES caps{};
  ASSERT_TRUE(port.Control(f, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &caps, sizeof caps));
  EXPECT_EQ(caps.Length, sizeof caps);
  // Too small an output, and refusals set on the letter.
  EXPECT_FALSE(port.Control(f, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, 4));
  ASSERT_NE(bus.Letter('F'), nullptr);
  bus.Letter('F')->refuseAddress = true;
  bus.Letter('F')->refuseCapabilities = true;
  EXPECT_FALSE(port.Control(f, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address));
  EXPECT_FALSE(port.Control(f, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &caps, sizeof caps));
  port.Close(f);
  EXPECT_FALSE(port.Control(f, IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &caps, sizeof caps));
}

TEST_F(PortFixture, PassThroughReachesTheLettersDrive) {
  auto d = port.Open("\\\\.\\D:");
  std::vector<uint8_t> reply(96);
  auto b = Block({0x12, 0, 0, 0, 0x60, 0}, SCSI_IOCTL_DATA_IN, reply.data(), 96, 18);
  ASSERT_TRUE(Send(d, b));
  EXPECT_EQ(b.sptd.ScsiStatus, 0);
  EXPECT_EQ(std::memcmp(&reply[16], "DVD-ROM DRV-331", 15), 0);
  ASSERT_FALSE(bus.GetTrace().Entries().empty());
  EXPECT_EQ(bus.GetTrace().Entries().back().letter, 'D');
  EXPECT_EQ(bus.GetTrace().Entries().back().target, 1);
  port.Close(d);
}

TEST_F(PortFixture, CheckConditionCopiesSenseWithinTheBlock) {
  auto d = port.Open("\\\\.\\D:");
  auto b = Block({0xE7, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_IN, nullptr, 0, 18);
  EXPECT_TRUE(Send(d, b));
  EXPECT_EQ(b.sptd.ScsiStatus, 2);
  EXPECT_EQ(b.sense[2], 0x05);
  EXPECT_EQ(b.sense[12], 0x20);
  EXPECT_EQ(b.sense[18], 0);  // 18 bytes asked

  // A sense area pointing outside the block is not written.
  auto outside = Block({0xE7, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_IN, nullptr, 0, 18);
  outside.sptd.SenseInfoOffset = 200;
  EXPECT_TRUE(Send(d, outside));
  EXPECT_EQ(outside.sptd.SenseInfoLength, 0);

  // Without automatic sense the drive keeps it for REQUEST SENSE.
  auto noSense = Block({0xE7, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_IN, nullptr, 0, 0);
  EXPECT_TRUE(Send(d, noSense));
  EXPECT_EQ(noSense.sense[2], 0);
  ASSERT_NE(bus.DriveAt(0, 1), nullptr);
  EXPECT_EQ(bus.DriveAt(0, 1)->PendingSense(), kInvalidOpcode);
  port.Close(d);
}

TEST_F(PortFixture, InjectedDeviceIoControlFailureLeavesTheChosenStatus) {
  auto d = port.Open("\\\\.\\D:");
  port.FailPassThrough(1, 0x00);
  auto first = Block({0x00, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_IN, nullptr, 0, 18);
  EXPECT_FALSE(Send(d, first));
  EXPECT_EQ(first.sptd.ScsiStatus, 0);
  EXPECT_EQ(bus.GetTrace().CountCommands(0x00), 0u);  // never reached the drive

  port.FailPassThrough(1, 0x02, true);
  auto second = Block({0x00, 0, 0, 0, 0, 0}, SCSI_IOCTL_DATA_IN, nullptr, 0, 18);
  EXPECT_FALSE(Send(d, second));
  EXPECT_EQ(second.sptd.ScsiStatus, 2);
  EXPECT_EQ(bus.GetTrace().CountCommands(0x00), 1u);
  port.Close(d);
}

// The real PassThroughTransport over the emulation.
TEST_F(PortFixture, RunsThePassThroughTransportWithoutLeaks) {
  {
    PassThroughTransport transport(port);
    ASSERT_EQ(transport.InitDriveAccess(), 0);
    EXPECT_EQ(transport.OpenDrive('E'), -1);
    ASSERT_NE(bus.Letter('F'), nullptr);
    bus.Letter('F')->refuseAddress = true;
    EXPECT_EQ(transport.OpenDrive('F'), -1);
    EXPECT_EQ(port.OpenHandleCount(), 0u);  // a failed open closes again
    ASSERT_EQ(transport.OpenDrive('D'), 0);
    EXPECT_EQ(transport.Address().TargetId, 1);
    ScsiCommand inquiry;
    inquiry.cdb = {0x12, 0, 0, 0, 0x60, 0};
    inquiry.cdbLength = 6;
    inquiry.direction = DataDirection::In;
    inquiry.data = transport.Buffers().data;
    inquiry.transferLength = 96;
    inquiry.autoSenseLength = 18;
    EXPECT_EQ(transport.Execute(inquiry), 0);
    EXPECT_EQ(std::memcmp(transport.Buffers().data + 8, "KESTREL ", 8), 0);
    ASSERT_NE(bus.DriveAt(0, 1), nullptr);
    bus.DriveAt(0, 1)->FailCommand(0x12, 1, Sense{0x02, 0x3A, 0x00});
    EXPECT_EQ(transport.Execute(inquiry), 2);
    EXPECT_EQ(transport.Buffers().sense[12], 0x3A);
    transport.CloseDrive();
    transport.ReleaseDriveAccess();
  }
  EXPECT_EQ(port.OpenHandleCount(), 0u);
  EXPECT_EQ(port.OutstandingAllocations(), 0u);
}

}  // namespace
}  // namespace kestrel::sim
