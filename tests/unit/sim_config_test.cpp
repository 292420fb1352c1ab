// The DLL's configuration file and state file, read and written by portable code.
#include "sim/model/sim_config.h"

#include <gtest/gtest.h>

#include <cstring>

#include "sim/model/sim_state.h"

namespace kestrel::sim {
namespace {

std::string InquiryText(Drive& d, size_t at, size_t n) {
  return std::string(reinterpret_cast<const char*>(&d.Inquiry()[at]), n);
}

TEST(SimConfig, EmptyFileGivesOneIntelataAdapterWithAKestrelDrive) {
  SimConfig c = ParseSimConfig("");
  EXPECT_TRUE(c.errors.empty());
  Bus bus;
  BuildBus(c, bus);
  ASSERT_EQ(bus.AdapterCount(), 1u);
  EXPECT_EQ(std::string(bus.GetAdapter(0)->Identifier().data(), 8), "intelata");
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  EXPECT_EQ(InquiryText(*bus.DriveAt(0, 0), 8, 24), "KESTREL DVD-ROM DRV-320 ");
  EXPECT_EQ(bus.DriveAt(0, 1), nullptr);
}

TEST(SimConfig, AdaptersTargetsAndLetters) {
  SimConfig c = ParseSimConfig(
      "# two adapters\r\n"
      "adapter=ASPI for WIN32\r\n"
      "target=1 other vendor=\"PIONEER \" product=\"DVD-ROM DVD-106\" rev=1.22 type=5\r\n"
      "adapter=intelata\n"
      "target=0 kestrel model=DRV-311 rev=1.05 date=2002/11/01 cpu=\"HITACHI H8_3062R\" byte36=B "
      "idblock=100\n"
      "programming_ms=3000\n"
      "letter=e 1 0\n");
  ASSERT_TRUE(c.errors.empty()) << c.errors[0];
  Bus bus;
  BuildBus(c, bus);
  ASSERT_EQ(bus.AdapterCount(), 2u);
  EXPECT_EQ(std::string(bus.GetAdapter(0)->Identifier().data(), 14), "ASPI for WIN32");
  ASSERT_NE(bus.DriveAt(0, 1), nullptr);
  Drive& other = *bus.DriveAt(0, 1);
  EXPECT_EQ(InquiryText(other, 8, 24), "PIONEER DVD-ROM DVD-106 ");
  EXPECT_FALSE(other.Config().kestrelCommands);
  ASSERT_NE(bus.DriveAt(1, 0), nullptr);
  Drive& kestrel = *bus.DriveAt(1, 0);
  EXPECT_EQ(InquiryText(kestrel, 16, 21), "DVD-ROM DRV-311 1.05B");
  EXPECT_EQ(InquiryText(kestrel, 37, 10), "2002/11/01");
  EXPECT_EQ(kestrel.Config().romIdOffset, 0x100u);
  EXPECT_EQ(kestrel.Config().programmingMs, 3000u);
  EXPECT_EQ(other.Config().programmingMs, 20000u);  // settings follow their target only
  ASSERT_NE(bus.Letter('E'), nullptr);
  EXPECT_EQ(bus.Letter('E')->drive, &kestrel);
}

TEST(SimConfig, SettingsBeforeAnyTargetApplyToTheBuiltInDrive) {
  SimConfig c = ParseSimConfig(
      "programming_ms=0\n"
      "fault=never_finishes\n"
      "fault=cpu_block_at 2000\n"
      "fault=readback_differs 9000\n");
  ASSERT_TRUE(c.errors.empty());
  Bus bus;
  BuildBus(c, bus);
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  Drive& d = *bus.DriveAt(0, 0);
  EXPECT_EQ(d.Config().programmingMs, 0u);
  EXPECT_EQ(d.Config().romIdOffset, 0x2000u);
  // The corrupted byte shows in a read-back.
  uint8_t cdb[10] = {0x3C, 1, 0x80, 0, 0x90, 0x00, 0, 0, 1, 0};
  uint8_t byte = 0;
  d.Execute(cdb, 10, DataDirection::In, &byte, 1);
  EXPECT_EQ(byte, static_cast<uint8_t>(~d.Flash()[0x9000]));
}

TEST(SimConfig, CommandFaultsReachTheirDrive) {
  SimConfig c = ParseSimConfig(
      "adapter=intelata\n"
      "target=0 kestrel\n"
      "fault=refuse_block 1\n"
      "fault=fail opcode=3C id=80 nth=2 sense=03/11/00\n"
      "fault=short opcode=12 bytes=8\n"
      "fault=hold opcode=00 ms=1500 nth=2\n"
      "fault=never_answer opcode=3C id=80\n"
      "fault=blank opcode=43\n"
      "fault=refuse_request nth=5 status=80 count=2\n"
      "fault=support_info e4\n");
  ASSERT_TRUE(c.errors.empty()) << c.errors[0];
  ASSERT_EQ(c.adapters.size(), 1u);
  ASSERT_EQ(c.adapters[0].targets.size(), 1u);
  ASSERT_EQ(c.adapters[0].targets[0].drive.faults.size(), 6u);
  const CommandFault& block = c.adapters[0].targets[0].drive.faults[0];
  EXPECT_EQ(block.bufferId, 0xFF);
  EXPECT_EQ(block.nth, 2);
  const CommandFault& read = c.adapters[0].targets[0].drive.faults[1];
  EXPECT_EQ(read.sense, (Sense{0x03, 0x11, 0x00}));
  EXPECT_EQ(c.refuseNth, 5);
  EXPECT_EQ(c.refuseStatus, 0x80);
  EXPECT_EQ(c.refuseCount, 2);
  EXPECT_EQ(c.supportInfoFailure, 0xE4);

  Bus bus;
  BuildBus(c, bus);
  uint8_t inquiry[6] = {0x12, 0, 0, 0, 0x60, 0};
  uint8_t reply[96] = {};
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  Drive& d = *bus.DriveAt(0, 0);
  EXPECT_EQ(d.Execute(inquiry, 6, DataDirection::In, reply, 96).transferred, 8u);
  // Held and never answered: the command runs, its end moves.
  uint8_t tur[6] = {};
  d.SetNowMs(100);
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).completesAtMs, 100u);
  EXPECT_EQ(d.Execute(tur, 6, DataDirection::None, nullptr, 0).completesAtMs, 1600u);
  uint8_t readBuffer[10] = {0x3C, 0x01, 0x80, 0, 0, 0, 0, 0, 32, 0};
  CommandResult never = d.Execute(readBuffer, 10, DataDirection::In, reply, 32);
  EXPECT_TRUE(never.good());
  EXPECT_EQ(never.completesAtMs, kNever);
  uint8_t toc[10] = {0x43, 0, 0, 0, 0, 0, 0, 0, 20, 0};
  std::memset(reply, 0xEE, sizeof reply);
  EXPECT_EQ(d.Execute(toc, 10, DataDirection::In, reply, 20).transferred, 20u);
  EXPECT_EQ(reply[3], 0);  // last track, blanked
}

TEST(SimConfig, BadLinesAreReportedWithTheirNumberAndSkipped) {
  SimConfig c = ParseSimConfig(
      "target=0 kestrel\n"  // 1: before any adapter
      "adapter=intelata\n"
      "target=9 kestrel\n"               // 3: no such target id
      "target=0 kestrel idblock=3000\n"  // 4
      "fault=explode\n"                  // 5
      "fault=fail opcode=zz\n"           // 6
      "colour=blue\n"                    // 7
      "just words\n"                     // 8
      "fault=hold opcode=00\n"           // 9: no ms=
      "target=1 kestrel rev=2.00\n");
  ASSERT_EQ(c.errors.size(), 8u);
  EXPECT_EQ(c.errors[0].rfind("line 1:", 0), 0u);
  EXPECT_EQ(c.errors[7].rfind("line 9:", 0), 0u);
  ASSERT_EQ(c.adapters.size(), 1u);
  ASSERT_EQ(c.adapters[0].targets.size(), 1u);
  EXPECT_EQ(c.adapters[0].targets[0].target, 1);
}

TEST(SimConfig, NoAdaptersFault) {
  SimConfig c = ParseSimConfig("fault=no_adapters\n");
  Bus bus;
  BuildBus(c, bus);
  EXPECT_EQ(bus.AdapterCount(), 0u);
}

// A drive programmed with new firmware, saved and loaded into a fresh machine,
// comes back with the new revision and flash.
TEST(SimState, ProgrammedFirmwareSurvivesARestart) {
  auto makeBus = [](Bus& bus) {
    bus.AddAdapter("intelata")
        .AddTarget(0, KestrelDrive("DRV-320", "1.10", "2003/05/12"))
        .AddTarget(1, OtherDrive("PIONEER ", "DVD-ROM DVD-106"));
  };
  Bus before;
  makeBus(before);
  ASSERT_NE(before.DriveAt(0, 0), nullptr);
  Drive& d = *before.DriveAt(0, 0);
  FirmwarePartSetup setup;
  setup.revision = "1.30";
  setup.date = "2004/01/20";
  setup.fillSeed = 9;
  std::vector<uint8_t> part = MakeFirmwarePart(setup);
  part[0x10] = 0xFF;
  d.LoadFlash(part);
  ASSERT_EQ(d.Revision(), "1.30");
  std::string saved = SaveSimState(before);

  Bus after;
  makeBus(after);
  ASSERT_TRUE(LoadSimState(saved, after));
  ASSERT_NE(after.DriveAt(0, 0), nullptr);
  Drive& restored = *after.DriveAt(0, 0);
  EXPECT_EQ(restored.Revision(), "1.30");
  EXPECT_EQ(InquiryText(restored, 37, 10), "2004/01/20");
  EXPECT_EQ(restored.Flash(), d.Flash());

  // A different drive at that address keeps its own firmware.
  Bus changed;
  changed.AddAdapter("intelata").AddTarget(0, KestrelDrive("DRV-331", "2.00"));
  ASSERT_TRUE(LoadSimState(saved, changed));
  ASSERT_NE(changed.DriveAt(0, 0), nullptr);
  EXPECT_EQ(changed.DriveAt(0, 0)->Revision(), "2.00");

  EXPECT_FALSE(LoadSimState("not a state file\n", after));
}

TEST(SimState, DamagedRowLeavesTheDriveAsConfigured) {
  Bus bus;
  bus.AddAdapter("intelata").AddTarget(0, KestrelDrive("DRV-320", "1.10"));
  std::string saved = SaveSimState(bus);
  size_t row = saved.find("flash 000040 ");
  ASSERT_NE(row, std::string::npos);
  const char digit = saved[row + 13];
  saved[row + 13] = 'x';
  Bus fresh;
  fresh.AddAdapter("intelata").AddTarget(0, KestrelDrive("DRV-320", "1.10"));
  ASSERT_NE(fresh.DriveAt(0, 0), nullptr);
  auto flashBefore = fresh.DriveAt(0, 0)->Flash();
  ASSERT_TRUE(LoadSimState(saved, fresh));
  ASSERT_NE(fresh.DriveAt(0, 0), nullptr);
  EXPECT_EQ(fresh.DriveAt(0, 0)->Flash(), flashBefore);
  // So is an offset that wraps around to 0 with the row's 64 bytes.
  saved[row + 13] = digit;
  ASSERT_TRUE(LoadSimState(saved.replace(row + 6, 6, "ffffffffffffffc0"), fresh));
  EXPECT_EQ(fresh.DriveAt(0, 0)->Flash(), flashBefore);
}

}  // namespace
}  // namespace kestrel::sim
