// The region commands through the real pass-through transport: CDB bytes,
// direction, transfer length, timeout and automatic-sense length; the RPC
// state's fields; and the region utility's message pairs.
#include "drive/region_commands.h"

#include <gtest/gtest.h>

#include "fakes/program_rows.h"

#include <set>
#include <vector>

#include "drive/program_profile.h"
#include "region/region_decoding.h"
#include "region/region_messages.h"
#include "shell/printf_specifiers.h"
#include "sim/model/bus.h"
#include "sim/model/passthrough_device_port.h"
#include "transport/passthrough/passthrough_transport.h"

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
  // Byte 4 holds the type code, the vendor resets and the user changes.
  const RpcStateFields e5 = DecodeRpcState(RegionReply{0, 6, 0, 0, 0xE5, 0xFE, 1, 0});
  EXPECT_EQ((Bytes{e5.typeCode, e5.vendorResets, e5.userChanges}), (Bytes{3, 4, 5}));

  ASSERT_EQ(ReadDiscRegionInfo(context, reply), 0);
  EXPECT_EQ(cdb(), (Bytes{0xAD, 0, 0, 0, 0, 0, 0, 0x01, 0, 8, 0, 0}));
  expectTransport(ntscsi::SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(reply, (RegionReply{0, 6, 0, 0, 1, 0x3E, 0, 0}));

  ASSERT_EQ(SetDriveRegion(context, 0xDF), 0);
  EXPECT_EQ(cdb(), (Bytes{0xA3, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x06, 0}));
  expectTransport(ntscsi::SCSI_IOCTL_DATA_OUT);
  EXPECT_EQ(Bytes(transport.Buffers().data, transport.Buffers().data + 8),
            (Bytes{0, 6, 0, 0, 0xDF, 0, 0, 0}));

  // A failed read leaves the caller's copy as it was: cut short, data length 0, no disc.
  const RegionReply before = reply;
  bus.Letter('D')->drive->ShortReply(0xA4, 1, 7);
  EXPECT_EQ(ReadRpcState(context, reply), kReplyTooShort);
  bus.Letter('D')->drive->BlankReply(0xAD, 1);
  EXPECT_EQ(ReadDiscRegionInfo(context, reply), kReplyTooShort);
  bus.Letter('D')->drive->RemoveDisc();
  EXPECT_NE(ReadDiscRegionInfo(context, reply), 0);
  EXPECT_EQ(reply, before);
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
