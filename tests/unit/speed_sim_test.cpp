// The simulated drive's speed commands: modes and their lasting, the
// capabilities reply, stopping the disc, and the settings that shape them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/model/drive_model.h"
#include "sim/model/sim_config.h"
#include "sim/model/sim_state.h"

namespace kestrel::sim {
namespace {

CommandResult SetSpeed(Drive& d, uint8_t modeByte, uint16_t speed) {
  const uint8_t cdb[12] = {0xBB, modeByte, static_cast<uint8_t>(speed >> 8),
                           static_cast<uint8_t>(speed)};
  return d.Execute(cdb, 12, DataDirection::None, nullptr, 0);
}

std::vector<uint8_t> ModeSense(Drive& d, uint16_t allocation = 34, uint8_t page = 0x2A) {
  const uint8_t cdb[10] = {0x5A,
                           0x08,
                           page,
                           0,
                           0,
                           0,
                           0,
                           static_cast<uint8_t>(allocation >> 8),
                           static_cast<uint8_t>(allocation)};
  std::vector<uint8_t> reply(allocation, 0xEE);
  CommandResult r = d.Execute(cdb, 10, DataDirection::In, reply.data(), allocation);
  if (!r.good()) return {};
  reply.resize(r.transferred);
  return reply;
}

uint16_t At16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

TEST(SimSpeedTest, CapabilitiesReplyCarriesMediumTypeAndBothSpeeds) {
  DriveConfig config = KestrelDrive("DRV-320");
  config.speed.mediumType = 0x41;
  Drive d(config);
  ASSERT_TRUE(SetSpeed(d, 0x00, 2816).good());
  std::vector<uint8_t> reply = ModeSense(d);
  ASSERT_EQ(reply.size(), 34u);
  EXPECT_EQ(At16(reply, 0), 32);      // mode data length
  EXPECT_EQ(reply[2], 0x41);          // medium type
  EXPECT_EQ(At16(reply, 6), 0);       // no block descriptors
  EXPECT_EQ(reply[8], 0x2A);          // page code
  EXPECT_EQ(At16(reply, 16), 22160);  // maximum read speed, DVD
  EXPECT_EQ(At16(reply, 22), 2816);   // current read speed
  // The allocation length limits the reply; another page is refused.
  EXPECT_EQ(ModeSense(d, 16).size(), 16u);
  EXPECT_TRUE(ModeSense(d, 34, 0x01).empty());
  EXPECT_EQ(d.PendingSense(), kInvalidField);

  d.RemoveDisc();
  ModeSense(d);  // unit attention
  reply = ModeSense(d);
  ASSERT_EQ(reply.size(), 34u);
  EXPECT_EQ(reply[2], 0x70);  // no disc
}

TEST(SimSpeedTest, ModeChangesLastAsTheirByteSaysAndOnlyTheKnownFieldsAreAccepted) {
  Drive d(KestrelDrive("DRV-320"));
  ASSERT_TRUE(SetSpeed(d, 0x01, 0x0000).good());
  EXPECT_EQ(At16(ModeSense(d), 16), 4234);
  d.PowerCycle();
  ModeSense(d);  // unit attention
  EXPECT_EQ(At16(ModeSense(d), 16), 7056);
  ASSERT_TRUE(SetSpeed(d, 0x03, 0x0000).good());
  d.PowerCycle();
  ModeSense(d);
  EXPECT_EQ(At16(ModeSense(d), 16), 4234);
  EXPECT_EQ(d.Speed().PermanentMode(), DriveMode::Quiet);

  EXPECT_FALSE(SetSpeed(d, 0x01, 0x0580).good());
  EXPECT_FALSE(SetSpeed(d, 0x02, 0xFFFF).good());
  EXPECT_EQ(d.Speed().ActiveMode(), DriveMode::Quiet);
}

TEST(SimSpeedTest, StoppingATurningDiscTakesTheSpinDownTimeAndEjectIsRefused) {
  DriveConfig config = KestrelDrive("DRV-320");
  config.speed.spinDownMs = 1500;
  Drive d(config);
  const uint8_t stop[6] = {0x1B, 0, 0, 0, 0x00, 0};
  CommandResult r = d.Execute(stop, 6, DataDirection::None, nullptr, 0);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(r.completesAtMs, d.NowMs() + 1500);
  EXPECT_TRUE(d.Speed().Stopped());
  r = d.Execute(stop, 6, DataDirection::None, nullptr, 0);  // already stopped
  EXPECT_EQ(r.completesAtMs, d.NowMs());
  const uint8_t eject[6] = {0x1B, 0, 0, 0, 0x02, 0};
  EXPECT_FALSE(d.Execute(eject, 6, DataDirection::None, nullptr, 0).good());
  d.InsertDisc();
  EXPECT_FALSE(d.Speed().Stopped());
}

TEST(SimSpeedTest, APermanentModeSurvivesARestartThroughTheStateFile) {
  Bus before;
  before.AddAdapter("intelata").AddTarget(0, KestrelDrive("DRV-320"));
  ASSERT_TRUE(SetSpeed(*before.DriveAt(0, 0), 0x03, 0x0000).good());
  const std::string state = SaveSimState(before);

  Bus after;
  after.AddAdapter("intelata").AddTarget(0, KestrelDrive("DRV-320"));
  const uint32_t changes = after.DriveAt(0, 0)->Speed().PermanentChanges();
  ASSERT_TRUE(LoadSimState(state, after));
  EXPECT_EQ(after.DriveAt(0, 0)->Speed().ActiveMode(), DriveMode::Quiet);
  EXPECT_NE(after.DriveAt(0, 0)->Speed().PermanentChanges(), changes);

  // A temporary mode is not what a drive switched off between runs starts in.
  ASSERT_TRUE(SetSpeed(*after.DriveAt(0, 0), 0x01, 0xFFFF).good());
  DriveConfig switchedOff = KestrelDrive("DRV-320");
  switchedOff.speed.offBetweenRuns = true;
  Bus again;
  again.AddAdapter("intelata").AddTarget(0, switchedOff);
  ASSERT_TRUE(LoadSimState(SaveSimState(after), again));
  EXPECT_EQ(again.DriveAt(0, 0)->Speed().ActiveMode(), DriveMode::Quiet);
}

TEST(SimSpeedTest, SpeedSettingsAreReadAsDefaultsAndPerTarget) {
  SimConfig config = ParseSimConfig(
      "max_speed=7039\n"
      "adapter=intelata\n"
      "target=0 kestrel medium=41 max_dvd_speed=21600 drive_mode=quiet spindown_ms=800\n"
      "target=1 kestrel read_speed=0\n"
      "fault=fail opcode=BB sense=05/24/00\n");
  ASSERT_TRUE(config.errors.empty()) << config.errors[0];
  Bus bus;
  BuildBus(config, bus);
  Drive& first = *bus.DriveAt(0, 0);
  Drive& second = *bus.DriveAt(0, 1);
  EXPECT_EQ(first.Speed().ActiveMode(), DriveMode::Quiet);
  first.Speed().SetPermanentMode(DriveMode::Performance);
  std::vector<uint8_t> reply = ModeSense(first);
  ASSERT_EQ(reply.size(), 34u);
  EXPECT_EQ(reply[2], 0x41);
  EXPECT_EQ(At16(reply, 16), 21600);
  reply = ModeSense(second);
  ASSERT_EQ(reply.size(), 34u);
  EXPECT_EQ(At16(reply, 16), 7039);
  EXPECT_EQ(At16(reply, 22), 0);
  EXPECT_EQ(SetSpeed(second, 0x00, 0x0580).sense, (Sense{0x05, 0x24, 0x00}));

  SimConfig bad = ParseSimConfig("medium=dvdrom\nmax_speed=70000\ndrive_mode=loud\n");
  EXPECT_EQ(bad.errors.size(), 3u);
}

}  // namespace
}  // namespace kestrel::sim
