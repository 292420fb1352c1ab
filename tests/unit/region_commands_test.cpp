// The region commands through the real pass-through transport: CDB bytes,
// direction, transfer length, timeout and automatic-sense length; and the
// region utility's message pairs.
#include "drive/region_commands.h"

#include <gtest/gtest.h>

#include "fakes/program_rows.h"

#include <set>
#include <vector>

#include "drive/passthrough_transport.h"
#include "drive/program_profile.h"
#include "region/region_messages.h"
#include "shell/printf_specifiers.h"
#include "sim/model/bus.h"
#include "sim/model/passthrough_device_port.h"

namespace kestrel {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(RegionCommands, RequestBlocksCarryTheTableValues) {
  sim::Bus bus;
  sim::DriveConfig drive = sim::KestrelDrive("DRV-320");
  drive.region.disc = sim::CssDisc(0x3E);
  bus.AddLetter('D', drive);
  sim::PassThroughDevicePort port(bus);
  PassThroughTransport transport(port);
  ASSERT_EQ(transport.InitDriveAccess(), 0);
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  DriveContext context(transport, testing::ProfileOf(Program::Mere2k));
  auto cdb = [&] {
    const auto& sptd = transport.LastRequest().sptd;
    return Bytes(sptd.Cdb, sptd.Cdb + sptd.CdbLength);
  };
  auto expectTransport = [&](uint8_t dataIn) {
    const auto& sptd = transport.LastRequest().sptd;
    EXPECT_EQ(sptd.DataIn, dataIn);
    EXPECT_EQ(sptd.DataTransferLength, 8u);
    EXPECT_EQ(sptd.TimeOutValue, 5u);
    EXPECT_EQ(sptd.SenseInfoLength, 18);
  };

  RegionReply reply{};
  ASSERT_EQ(ReadRpcState(context, reply), 0);
  EXPECT_EQ(cdb(), (Bytes{0xA4, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x08, 0}));
  expectTransport(ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(reply, (RegionReply{0, 6, 0, 0, 0x25, 0xFF, 1, 0}));

  ASSERT_EQ(ReadDiscRegionInfo(context, reply), 0);
  EXPECT_EQ(cdb(), (Bytes{0xAD, 0, 0, 0, 0, 0, 0, 0x01, 0, 8, 0, 0}));
  expectTransport(ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(reply, (RegionReply{0, 6, 0, 0, 1, 0x3E, 0, 0}));

  ASSERT_EQ(SetDriveRegion(context, 0xDF), 0);
  EXPECT_EQ(cdb(), (Bytes{0xA3, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x06, 0}));
  expectTransport(ntscsi::SCSI_IOCTL_DATA_OUT);
  EXPECT_EQ(Bytes(transport.Buffers().data, transport.Buffers().data + 8),
            (Bytes{0, 6, 0, 0, 0xDF, 0, 0, 0}));

  // A failed read leaves the caller's copy as it was.
  bus.Letter('D')->drive->RemoveDisc();
  const RegionReply before = reply;
  EXPECT_NE(ReadDiscRegionInfo(context, reply), 0);
  EXPECT_EQ(reply, before);
  transport.CloseDrive();
}

TEST(RegionCommands, RepliesCutShortOrWithoutTheirDataFailAndLeaveTheCopy) {
  using Action = sim::CommandFault::Action;
  const struct {
    uint8_t opcode;
    Action action;
    uint32_t bytes;
  } rows[] = {{sim::op::kReportKey, Action::Short, 7},
              {sim::op::kReadDvdStructure, Action::Short, 0},
              {sim::op::kReportKey, Action::Blank, 0},  // data length 0
              {sim::op::kReadDvdStructure, Action::Blank, 0}};
  sim::Bus bus;
  sim::Drive& drive = bus.AddLetter('D', sim::KestrelDrive("DRV-320"));
  sim::PassThroughDevicePort port(bus);
  PassThroughTransport transport(port);
  ASSERT_EQ(transport.InitDriveAccess(), 0);
  ASSERT_EQ(transport.OpenDrive('D'), 0);
  DriveContext context(transport, testing::ProfileOf(Program::Mere2k));
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << int(row.opcode) << " " << int(row.action));
    sim::CommandFault fault;
    fault.opcode = row.opcode;
    fault.action = row.action;
    fault.shortBytes = row.bytes;
    drive.AddFault(fault);
    RegionReply reply{1, 2, 3, 4, 5, 6, 7, 8};
    const int32_t result = row.opcode == sim::op::kReportKey ? ReadRpcState(context, reply)
                                                             : ReadDiscRegionInfo(context, reply);
    EXPECT_EQ(result, kReplyTooShort);
    EXPECT_EQ(reply, (RegionReply{1, 2, 3, 4, 5, 6, 7, 8}));
    drive.ClearFaults();
  }
  transport.CloseDrive();
}

TEST(RegionMessages, PairsTakeTheSameArgumentsAndIdsAreUnique) {
  size_t count = 0;
  const MessagePair* pairs = region_text::AllPairs(count);
  ASSERT_GT(count, 20u);
  std::set<int> ids;
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(pairs[i].english);
    EXPECT_EQ(PrintfSpecifiers(pairs[i].english), PrintfSpecifiers(pairs[i].japanese));
    if (pairs[i].englishId != 0) {
      EXPECT_TRUE(ids.insert(pairs[i].englishId).second);
      EXPECT_TRUE(ids.insert(pairs[i].japaneseId).second);
    }
  }
}

}  // namespace
}  // namespace kestrel
