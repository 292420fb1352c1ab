// The simulated drive's region playback control: what the ini file sets up,
// how SEND KEY changes and counts, what the disc reports, and that the state
// survives a restart of the machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/model/sim_config.h"
#include "sim/model/sim_state.h"

namespace kestrel::sim {
namespace {

struct Cdb12 {
  uint8_t b[12] = {};
};

CommandResult ReportRpc(Drive& d, std::vector<uint8_t>& reply, uint8_t allocation = 8) {
  Cdb12 c;
  c.b[0] = 0xA4;
  c.b[9] = allocation;
  c.b[10] = 0x08;
  reply.assign(12, 0xEE);
  return d.Execute(c.b, 12, DataDirection::In, reply.data(), 8);
}

CommandResult ReadCopyright(Drive& d, std::vector<uint8_t>& reply) {
  Cdb12 c;
  c.b[0] = 0xAD;
  c.b[7] = 0x01;
  c.b[9] = 8;
  reply.assign(8, 0xEE);
  return d.Execute(c.b, 12, DataDirection::In, reply.data(), 8);
}

CommandResult SetRegion(Drive& d, uint8_t mask) {
  Cdb12 c;
  c.b[0] = 0xA3;
  c.b[9] = 8;
  c.b[10] = 0x06;
  uint8_t list[8] = {0, 6, 0, 0, mask, 0, 0, 0};
  return d.Execute(c.b, 12, DataDirection::Out, list, 8);
}

TEST(SimRegion, SendKeyCountsRefusesAndReportsTheRpcState) {
  DriveConfig config = KestrelDrive("DRV-320");
  Drive d(config);
  std::vector<uint8_t> reply;
  ASSERT_TRUE(ReportRpc(d, reply).good());
  EXPECT_EQ(reply, (std::vector<uint8_t>{0, 6, 0, 0, 0x25, 0xFF, 1, 0, 0xEE, 0xEE, 0xEE, 0xEE}));

  EXPECT_EQ(SetRegion(d, 0xFC).sense, kInvalidParameter) << "two regions at once";
  for (int change = 1; change <= 5; ++change) EXPECT_TRUE(SetRegion(d, 0xFD).good());
  EXPECT_EQ(SetRegion(d, 0xFE).sense, kRegionPermanent);
  ASSERT_TRUE(ReportRpc(d, reply, 6).good());
  // Type 3, 4 vendor resets, no change left; only what the allocation allows.
  EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 7),
            (std::vector<uint8_t>{0, 6, 0, 0, 0xE0, 0xFD, 0xEE}));
  EXPECT_EQ(d.Region().ChangeCount(), 5u);
}

TEST(SimRegion, DiscStatesAndTheStrictDrive) {
  DriveConfig config = KestrelDrive("DRV-320");
  config.region.disc = CssDisc(0x3E);
  config.region.strict = true;
  config.region.attentionAfterChange = true;
  Drive d(config);
  std::vector<uint8_t> reply;
  ASSERT_TRUE(ReadCopyright(d, reply).good());
  EXPECT_EQ(reply, (std::vector<uint8_t>{0, 6, 0, 0, 1, 0x3E, 0, 0}));

  EXPECT_EQ(SetRegion(d, 0xFD).sense, kRegionMismatch);
  ASSERT_TRUE(SetRegion(d, 0xFE).good());
  // The unit attention of the change meets the next command.
  EXPECT_EQ(ReportRpc(d, reply).sense, kMediumChanged);
  EXPECT_TRUE(ReportRpc(d, reply).good());

  d.RemoveDisc();
  EXPECT_EQ(ReadCopyright(d, reply).sense, kMediumChanged);
  EXPECT_EQ(ReadCopyright(d, reply).sense, kNoMedium);
  // Without a disc the strict drive has nothing to object to.
  EXPECT_TRUE(SetRegion(d, 0xFD).good());
  d.InsertDisc(2000);
  d.Region().SetDisc(UnknownProtectionDisc(5));
  EXPECT_EQ(ReadCopyright(d, reply).sense, kMediumChanged);
  EXPECT_EQ(ReadCopyright(d, reply).sense, kBecomingReady);
  d.AdvanceMs(2000);
  ASSERT_TRUE(ReadCopyright(d, reply).good());
  EXPECT_EQ(reply[4], 5);
}

TEST(SimRegion, EachCommandCanBeMadeToFail) {
  SimConfig c = ParseSimConfig(
      "fault=fail opcode=A4 sense=04/44/00\n"
      "fault=fail opcode=AD\n"
      "fault=fail opcode=A3 sense=05/6F/05\n");
  ASSERT_TRUE(c.errors.empty()) << c.errors[0];
  Bus bus;
  BuildBus(c, bus);
  Drive& d = *bus.DriveAt(0, 0);
  std::vector<uint8_t> reply;
  EXPECT_EQ(ReportRpc(d, reply).sense, kHardwareError);
  EXPECT_EQ(ReadCopyright(d, reply).sense, kHardwareError);
  EXPECT_EQ(SetRegion(d, 0xFE).sense, kRegionPermanent);
  EXPECT_EQ(d.Region().Rpc().regionMask, 0xFF);
  EXPECT_TRUE(ReportRpc(d, reply).good()) << "only the first of each";
}

TEST(SimRegionConfig, KeysSetTheRpcStateAndTheDisc) {
  SimConfig c = ParseSimConfig(
      "rpc_changes=3\n"
      "adapter=intelata\n"
      "target=0 kestrel rpc_mask=FB rpc_type=1 disc=css disc_rmi=3B\n"
      "target=1 kestrel disc=unknown rpc_scheme=0 rpc_strict=on rpc_attention_after_change=on\n"
      "target=2 kestrel disc=none\n");
  ASSERT_TRUE(c.errors.empty()) << c.errors[0];
  Bus bus;
  BuildBus(c, bus);
  EXPECT_EQ(bus.DriveAt(0, 0)->Region().Rpc(), (RpcState{1, 3, 4, 0xFB, 1}));
  EXPECT_EQ(bus.DriveAt(0, 0)->Region().Disc().protectionType, 1);
  EXPECT_EQ(bus.DriveAt(0, 0)->Region().Disc().regionInfo, 0x3B);
  EXPECT_EQ(bus.DriveAt(0, 1)->Region().Rpc().scheme, 0);
  EXPECT_EQ(bus.DriveAt(0, 1)->Region().Disc().protectionType, 3);
  std::vector<uint8_t> reply;
  EXPECT_EQ(ReadCopyright(*bus.DriveAt(0, 2), reply).sense, kNoMedium);

  SimConfig bad = ParseSimConfig("rpc_changes=8\nrpc_mask=1FF\nrpc_strict=maybe\ndisc=dvd\n");
  EXPECT_EQ(bad.errors.size(), 4u);
}

TEST(SimRegionState, AChangeSurvivesARestart) {
  const std::string ini = "adapter=intelata\ntarget=0 kestrel\ntarget=1 kestrel rpc_changes=2\n";
  std::string saved;
  {
    Bus bus;
    BuildBus(ParseSimConfig(ini), bus);
    const uint32_t before = bus.DriveAt(0, 0)->StateGeneration();
    ASSERT_TRUE(SetRegion(*bus.DriveAt(0, 0), 0xF7).good());
    EXPECT_NE(bus.DriveAt(0, 0)->StateGeneration(), before) << "the DLL saves on this";
    saved = SaveSimState(bus);
  }
  Bus bus;
  BuildBus(ParseSimConfig(ini), bus);
  ASSERT_TRUE(LoadSimState(saved, bus));
  EXPECT_EQ(bus.DriveAt(0, 0)->Region().Rpc(), (RpcState{1, 4, 4, 0xF7, 1}));
  EXPECT_EQ(bus.DriveAt(0, 1)->Region().Rpc(), (RpcState{0, 2, 4, 0xFF, 1}));
}

}  // namespace
}  // namespace kestrel::sim
