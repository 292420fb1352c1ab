#include "transport/passthrough/passthrough_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/model/bus.h"
#include "sim/model/passthrough_device_port.h"
#include "transport/passthrough/passthrough_defs.h"
#include "transport/passthrough/passthrough_result.h"

namespace kestrel {
namespace {

// Drive-letter devices and the storage port driver, under the test's control.
class FakePassThroughPort : public PassThroughPort {
 public:
  struct Device {
    bool capabilitiesOk = true;
    bool addressOk = true;
    ntscsi::SCSI_ADDRESS address{8, 1, 0, 0, 0};
  };
  // What the driver does with the next pass-through request.
  struct Reply {
    bool callSucceeds = true;
    uint8_t scsiStatus = 0;
    std::vector<uint8_t> sense;  // written to the block's sense area
    int senseInfoLength = -1;    // returned SenseInfoLength; -1 leaves it as sent
  };

  std::map<std::string, Device> devices;
  size_t failAllocation = 0;  // 1-based; 0 none
  Reply reply;

  std::vector<std::string> openedPaths;
  std::vector<uint32_t> controlCodes;
  std::vector<ntscsi::PassThroughBlock> requests;
  std::vector<size_t> allocatedSizes;
  std::vector<uint8_t*> allocated;
  std::vector<uint8_t*> freed;

  Handle Open(const std::string& path) override {
    openedPaths.push_back(path);
    if (devices.count(path) == 0) return kInvalid;
    const Handle handle = nextHandle_++;
    open_[handle] = path;
    return handle;
  }

  bool Control(Handle handle, uint32_t code, void* in, uint32_t inBytes, void* out,
               uint32_t outBytes) override {
    controlCodes.push_back(code);
    EXPECT_TRUE(open_.count(handle)) << "request on a handle that is not open";
    if (open_.count(handle) == 0) return false;
    const Device& device = devices[open_[handle]];
    switch (code) {
      case ntscsi::IOCTL_SCSI_GET_CAPABILITIES:
        EXPECT_EQ(in, nullptr);
        EXPECT_EQ(outBytes, 24u);
        if (!device.capabilitiesOk) return false;
        static_cast<ntscsi::IO_SCSI_CAPABILITIES*>(out)->Length = 24;
        return true;
      case ntscsi::IOCTL_SCSI_GET_ADDRESS:
        EXPECT_EQ(outBytes, 8u);
        if (!device.addressOk) return false;
        std::memcpy(out, &device.address, sizeof device.address);
        return true;
      case ntscsi::IOCTL_SCSI_PASS_THROUGH_DIRECT: {
        EXPECT_EQ(in, out);
        EXPECT_EQ(inBytes, sizeof(ntscsi::PassThroughBlock));
        EXPECT_EQ(outBytes, sizeof(ntscsi::PassThroughBlock));
        auto* block = static_cast<ntscsi::PassThroughBlock*>(out);
        requests.push_back(*block);
        // Without a status from the drive the block comes back as it went.
        if (reply.scsiStatus == 0) return reply.callSucceeds;
        block->sptd.ScsiStatus = reply.scsiStatus;
        std::memcpy(block->sense, reply.sense.data(),
                    std::min(reply.sense.size(), sizeof block->sense));
        if (reply.senseInfoLength >= 0) {
          block->sptd.SenseInfoLength = static_cast<uint8_t>(reply.senseInfoLength);
        }
        return reply.callSucceeds;
      }
    }
    ADD_FAILURE() << "unexpected control code " << code;
    return false;
  }

  void Close(Handle handle) override {
    EXPECT_EQ(open_.erase(handle), 1u) << "handle closed twice or never opened";
  }

  uint8_t* AllocateLocked(size_t bytes) override {
    allocatedSizes.push_back(bytes);
    if (allocatedSizes.size() == failAllocation) return nullptr;
    blocks_.push_back(std::make_unique<uint8_t[]>(bytes));
    allocated.push_back(blocks_.back().get());
    return allocated.back();
  }
  void FreeLocked(uint8_t* block) override {
    EXPECT_EQ(std::find(freed.begin(), freed.end(), block), freed.end()) << "freed twice";
    freed.push_back(block);
  }

  std::vector<std::string> OpenPaths() const {
    std::vector<std::string> paths;
    for (const auto& [handle, path] : open_) paths.push_back(path);
    return paths;
  }

 private:
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  std::map<Handle, std::string> open_;
  Handle nextHandle_ = 0x40;
};

const std::string kDriveD = "\\\\.\\D:";
const std::string kDriveE = "\\\\.\\E:";

std::vector<uint8_t> SenseBytes(uint8_t key, uint8_t asc, uint8_t ascq) {
  std::vector<uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

ScsiCommand Inquiry(uint8_t* data) {
  ScsiCommand command;
  command.cdb = {0x12, 0, 0, 0, 0x60};
  command.cdbLength = 6;
  command.direction = DataDirection::In;
  command.data = data;
  command.transferLength = 96;
  command.timeoutSeconds = 2;
  command.autoSenseLength = 18;
  return command;
}

class PassThroughTransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.devices[kDriveD].address = {8, 1, 2, 3, 4};
    port.devices[kDriveE].address = {8, 0, 0, 1, 0};
    ASSERT_EQ(transport.InitDriveAccess(), 0);
  }

  FakePassThroughPort port;
  PassThroughTransport transport{port};
};

// ---- the result rule --------------------------------------------------------

struct ResultRow {
  bool callSucceeded;
  uint8_t scsiStatus;
  uint8_t senseInfoLength;
  int32_t result;
  bool copySense;
  bool markCheckCondition;
};

// Every combination the driver can hand back. The last row is a failed call
// that still shows status 0 and a sense length: it is a failure, never a
// completed command.
const ResultRow kResultRows[] = {
    {true, 0x00, 0, 0, false, false},  {true, 0x00, 18, 0, false, false},
    {true, 0x02, 0, 2, true, false},   {true, 0x02, 18, 2, true, false},
    {true, 0x18, 18, 2, true, false},  {false, 0x02, 18, 2, true, false},
    {false, 0x02, 0, 2, true, false},  {false, 0x00, 0, 2, false, true},
    {false, 0x00, 18, 2, false, true},
};

TEST(PassThroughResultRule, EveryRowOfTheTable) {
  for (const ResultRow& row : kResultRows) {
    SCOPED_TRACE(::testing::Message()
                 << "call " << row.callSucceeded << " status " << int(row.scsiStatus) << " sense "
                 << int(row.senseInfoLength));
    const PassThroughOutcome outcome = DecidePassThroughResult(row.callSucceeded, row.scsiStatus);
    EXPECT_EQ(outcome.result, row.result);
    EXPECT_EQ(outcome.copySense, row.copySense);
    EXPECT_EQ(outcome.markCheckCondition, row.markCheckCondition);
  }
}

TEST_F(PassThroughTransportTest, ExecuteFollowsTheResultRuleForEveryRow) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  const std::vector<uint8_t> driveSense = SenseBytes(0x05, 0x24, 0x00);
  for (const ResultRow& row : kResultRows) {
    SCOPED_TRACE(::testing::Message()
                 << "call " << row.callSucceeded << " status " << int(row.scsiStatus) << " sense "
                 << int(row.senseInfoLength));
    WorkBuffers& buffers = transport.Buffers();
    buffers.sense.fill(0xEE);
    port.reply = {row.callSucceeded, row.scsiStatus, driveSense, row.senseInfoLength};
    ScsiCommand command = Inquiry(buffers.data);
    command.autoSenseLength = row.senseInfoLength;

    EXPECT_EQ(transport.Execute(command), row.result);

    std::array<uint8_t, kSenseBufferSize> expected;
    expected.fill(0xEE);
    if (row.copySense) {
      std::copy_n(driveSense.begin(), row.senseInfoLength, expected.begin());
    }
    EXPECT_EQ(buffers.sense, expected);
    if (row.markCheckCondition) {
      EXPECT_EQ(transport.LastRequest().sptd.ScsiStatus, 2);
    }
  }
}

TEST_F(PassThroughTransportTest, SenseIsCopiedOnlyAsFarAsTheSenseArea) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  std::vector<uint8_t> longSense(32);
  for (size_t i = 0; i < longSense.size(); ++i) longSense[i] = static_cast<uint8_t>(i + 1);
  port.reply = {true, 2, longSense, 255};  // a driver claiming more than there is
  ScsiCommand command = Inquiry(transport.Buffers().data);
  command.autoSenseLength = 200;
  EXPECT_EQ(transport.Execute(command), 2);
  ASSERT_EQ(port.requests.size(), 1u);
  EXPECT_EQ(port.requests.back().sptd.SenseInfoLength, 32);
  EXPECT_TRUE(std::equal(longSense.begin(), longSense.end(), transport.Buffers().sense.begin()));
}

// ---- requests ---------------------------------------------------------------

TEST_F(PassThroughTransportTest, InquiryWithCheckConditionFillsSenseBuffer) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  const std::vector<uint8_t> sense = SenseBytes(0x06, 0x29, 0x00);
  port.reply = {true, 2, sense, 18};
  uint8_t* data = transport.Buffers().data;
  EXPECT_EQ(transport.Execute(Inquiry(data)), 2);

  ASSERT_EQ(port.requests.size(), 1u);
  const ntscsi::SCSI_PASS_THROUGH_DIRECT& sptd = port.requests[0].sptd;
  EXPECT_EQ(sptd.Length, sizeof(ntscsi::SCSI_PASS_THROUGH_DIRECT));
  EXPECT_EQ(sptd.CdbLength, 6);
  EXPECT_EQ(sptd.Cdb[0], 0x12);
  EXPECT_EQ(sptd.Cdb[4], 0x60);
  EXPECT_EQ(sptd.SenseInfoLength, 18);
  EXPECT_EQ(sptd.DataIn, ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(sptd.DataTransferLength, 96u);
  EXPECT_EQ(sptd.TimeOutValue, 2u);
  EXPECT_EQ(sptd.DataBuffer, data);
  EXPECT_EQ(sptd.SenseInfoOffset, offsetof(ntscsi::PassThroughBlock, sense));

  const auto& buffer = transport.Buffers().sense;
  EXPECT_TRUE(std::equal(sense.begin(), sense.end(), buffer.begin()));
  EXPECT_EQ(buffer[2], 0x06);
  EXPECT_EQ(buffer[12], 0x29);
}

TEST_F(PassThroughTransportTest, ZeroLengthCommandsUseSmallBufferAndTheirMarkedDirection) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);

  ScsiCommand prepare;  // WRITE BUFFER id 30h without data
  prepare.cdb = {0x3B, 0x01, 0x30};
  prepare.cdbLength = 10;
  prepare.direction = DataDirection::None;
  prepare.passThroughDataIn = false;
  prepare.timeoutSeconds = 5;
  EXPECT_EQ(transport.Execute(prepare), 0);
  ASSERT_EQ(port.requests.size(), 1u);
  const ntscsi::SCSI_PASS_THROUGH_DIRECT& write = port.requests.back().sptd;
  EXPECT_EQ(write.DataIn, ntscsi::SCSI_IOCTL_DATA_OUT);
  EXPECT_EQ(write.DataTransferLength, 0u);
  EXPECT_EQ(write.DataBuffer, transport.Buffers().small);
  EXPECT_EQ(write.TimeOutValue, 5u);
  EXPECT_EQ(write.SenseInfoLength, 0);
  EXPECT_EQ(write.CdbLength, 10);
  EXPECT_EQ(write.Cdb[2], 0x30);

  ScsiCommand ready;  // TEST UNIT READY
  ready.cdbLength = 6;
  ready.direction = DataDirection::None;
  ready.passThroughDataIn = true;
  ready.autoSenseLength = 18;
  EXPECT_EQ(transport.Execute(ready), 0);
  ASSERT_EQ(port.requests.size(), 2u);
  EXPECT_EQ(port.requests.back().sptd.DataIn, ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(port.requests.back().sptd.DataTransferLength, 0u);

  ScsiCommand block = prepare;  // a download block goes out from the image
  block.direction = DataDirection::Out;
  block.passThroughDataIn = true;  // ignored when the command has a direction
  block.data = transport.Buffers().image;
  block.transferLength = 0x8000;
  EXPECT_EQ(transport.Execute(block), 0);
  ASSERT_EQ(port.requests.size(), 3u);
  EXPECT_EQ(port.requests.back().sptd.DataIn, ntscsi::SCSI_IOCTL_DATA_OUT);
  EXPECT_EQ(port.requests.back().sptd.DataBuffer, transport.Buffers().image);
}

TEST_F(PassThroughTransportTest, TheOpenDrivesAddressGoesIntoEveryLaterRequest) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  ASSERT_EQ(port.openedPaths.size(), 1u);
  EXPECT_EQ(port.openedPaths.back(), kDriveD);
  EXPECT_EQ(port.controlCodes, (std::vector<uint32_t>{ntscsi::IOCTL_SCSI_GET_CAPABILITIES,
                                                      ntscsi::IOCTL_SCSI_GET_ADDRESS}));
  for (int i = 0; i < 2; ++i) transport.Execute(Inquiry(transport.Buffers().data));
  for (const auto& request : port.requests) {
    EXPECT_EQ(request.sptd.PathId, 2);
    EXPECT_EQ(request.sptd.TargetId, 3);
    EXPECT_EQ(request.sptd.Lun, 4);
  }

  ASSERT_EQ(transport.OpenDrive('E'), 0);
  transport.Execute(Inquiry(transport.Buffers().data));
  ASSERT_EQ(port.requests.size(), 3u);
  EXPECT_EQ(port.requests.back().sptd.PathId, 0);
  EXPECT_EQ(port.requests.back().sptd.TargetId, 1);
  EXPECT_EQ(port.requests.back().sptd.Lun, 0);
}

// ---- open and close ---------------------------------------------------------

TEST_F(PassThroughTransportTest, AFailedOpenLeavesNothingOpen) {
  port.devices["\\\\.\\F:"].capabilitiesOk = false;
  port.devices["\\\\.\\G:"].addressOk = false;
  for (char letter : {'F', 'G', 'Z'}) {
    SCOPED_TRACE(letter);
    EXPECT_EQ(transport.OpenDrive(letter), -1);
    EXPECT_FALSE(transport.DriveOpen());
    EXPECT_TRUE(port.OpenPaths().empty());
  }
  EXPECT_EQ(port.openedPaths, (std::vector<std::string>{"\\\\.\\F:", "\\\\.\\G:", "\\\\.\\Z:"}));
  // Nothing is sent to a drive that is not open.
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), 2);
  EXPECT_TRUE(port.requests.empty());
}

TEST_F(PassThroughTransportTest, OpeningAnotherDriveClosesTheOneStillOpen) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  ASSERT_EQ(transport.OpenDrive('E'), 0);
  EXPECT_EQ(port.OpenPaths(), (std::vector<std::string>{kDriveE}));
  // Also when the second open fails.
  EXPECT_EQ(transport.OpenDrive('Y'), -1);
  EXPECT_TRUE(port.OpenPaths().empty());

  ASSERT_EQ(transport.OpenDrive('D'), 0);
  EXPECT_EQ(transport.CloseDrive(), 0);
  EXPECT_FALSE(transport.DriveOpen());
  EXPECT_TRUE(port.OpenPaths().empty());
  EXPECT_EQ(transport.CloseDrive(), 0);  // the fake flags a second close
}

// ---- buffers ----------------------------------------------------------------

TEST_F(PassThroughTransportTest, BuffersAreObtainedInOrderAndFreedInReverse) {
  EXPECT_EQ(port.allocatedSizes, (std::vector<size_t>{0x50000, 0x140000, 512}));
  EXPECT_EQ(transport.ReleaseDriveAccess(), 0);
  EXPECT_EQ(port.freed, std::vector<uint8_t*>(port.allocated.rbegin(), port.allocated.rend()));
  EXPECT_EQ(transport.Buffers().data, nullptr);
}

TEST(PassThroughTransportStartUp, ReleaseAfterAFailedAllocationFreesWhatWasObtained) {
  for (size_t failing = 1; failing <= 3; ++failing) {
    SCOPED_TRACE(failing);
    FakePassThroughPort port;
    port.failAllocation = failing;
    PassThroughTransport transport(port);
    EXPECT_EQ(transport.InitDriveAccess(), -1);
    EXPECT_EQ(port.allocated.size(), failing - 1);
    transport.ReleaseDriveAccess();
    EXPECT_EQ(port.freed, std::vector<uint8_t*>(port.allocated.rbegin(), port.allocated.rend()));
  }
}

// ---- against the simulated drive ---------------------------------------------

class PassThroughTransportOnSimulatedDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    drive = &bus.AddLetter('D', sim::KestrelDrive("DRV-320"), 1, 2, 0);
    ASSERT_EQ(transport.InitDriveAccess(), 0);
  }

  sim::Bus bus;
  sim::Drive* drive = nullptr;
  sim::PassThroughDevicePort port{bus};
  PassThroughTransport transport{port};
};

TEST_F(PassThroughTransportOnSimulatedDrive, DiscoveryOverEveryLetterLeavesNoHandleOpen) {
  bus.AddLetter('F', sim::KestrelDrive("DRV-331"));
  ASSERT_NE(bus.Letter('F'), nullptr);
  bus.Letter('F')->refuseAddress = true;
  int opened = 0;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (transport.OpenDrive(letter) == 0) {
      ++opened;
      EXPECT_EQ(letter, 'D');
      transport.CloseDrive();
    }
  }
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(port.OpenHandleCount(), 0u);
  EXPECT_EQ(port.BadCloseCount(), 0);
}

TEST_F(PassThroughTransportOnSimulatedDrive, AnsweredAndFailedRequests) {
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  EXPECT_EQ(transport.Address().PathId, 1);
  EXPECT_EQ(transport.Address().TargetId, 2);
  uint8_t* data = transport.Buffers().data;
  ASSERT_EQ(transport.Execute(Inquiry(data)), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 8, 8), "KESTREL ");

  // TEST UNIT READY after the disc went: CHECK CONDITION each time, and
  // automatic sense brings the sense of each answer.
  drive->RemoveDisc();
  ScsiCommand ready;
  ready.cdbLength = 6;
  ready.passThroughDataIn = true;
  ready.autoSenseLength = 18;
  EXPECT_EQ(transport.Execute(ready), 2);
  EXPECT_EQ(transport.Buffers().sense[2] & 0x0F, 0x06);
  EXPECT_EQ(transport.Buffers().sense[12], 0x28);
  EXPECT_EQ(transport.Execute(ready), 2);
  EXPECT_EQ(transport.Buffers().sense[2] & 0x0F, 0x02);
  EXPECT_EQ(transport.Buffers().sense[12], 0x3A);

  // The call fails before the drive answers: a failure, whatever was asked for.
  for (uint8_t sense : {0, 18}) {
    port.FailPassThrough(1, 0);
    ScsiCommand inquiry = Inquiry(data);
    inquiry.autoSenseLength = sense;
    EXPECT_EQ(transport.Execute(inquiry), 2) << int(sense);
  }

  transport.CloseDrive();
  transport.ReleaseDriveAccess();
  EXPECT_EQ(port.OpenHandleCount(), 0u);
  EXPECT_EQ(port.OutstandingAllocations(), 0u);
}

}  // namespace
}  // namespace kestrel
