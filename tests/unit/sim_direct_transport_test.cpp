// The in-process transport: addressing by adapter/target or by letter, the
// failure value, automatic sense, and submit/poll on the bus clock.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/model/direct_transport.h"
#include "sim/model/sim_timer.h"

namespace kestrel::sim {
namespace {

ScsiCommand Inquiry(WorkBuffers& buffers) {
  ScsiCommand c;
  c.cdb = {0x12, 0, 0, 0, 0x60, 0};
  c.cdbLength = 6;
  c.direction = DataDirection::In;
  c.data = buffers.data;
  c.transferLength = 96;
  return c;
}

ScsiCommand Buffer(uint8_t opcode, uint8_t id, uint32_t offset, uint32_t length, uint8_t* data) {
  ScsiCommand c;
  c.cdb = {opcode,
           1,
           id,
           static_cast<uint8_t>(offset >> 16),
           static_cast<uint8_t>(offset >> 8),
           static_cast<uint8_t>(offset),
           0,
           static_cast<uint8_t>(length >> 8),
           static_cast<uint8_t>(length),
           0};
  c.cdbLength = 10;
  c.direction = length == 0      ? DataDirection::None
                : opcode == 0x3C ? DataDirection::In
                                 : DataDirection::Out;
  c.data = data;
  c.transferLength = length;
  return c;
}

TEST(SimDirectTransport, BuffersAreRealAndZeroed) {
  Bus bus;
  DirectTransport t(bus);
  EXPECT_EQ(t.Buffers().data, nullptr);
  ASSERT_EQ(t.InitDriveAccess(), 0);
  ASSERT_NE(t.Buffers().image, nullptr);
  EXPECT_EQ(t.Buffers().image[kImageBufferSize - 1], 0);
  EXPECT_EQ(t.Buffers().data[kDataBufferSize - 1], 0);
  EXPECT_EQ(t.Buffers().small[kSmallBufferSize - 1], 0);
  t.ReleaseDriveAccess();
  EXPECT_EQ(t.Buffers().data, nullptr);
}

TEST(SimDirectTransport, AdaptersTargetsAndFailureValue) {
  Bus bus;
  bus.AddAdapter("ESDI_506").AddTarget(1, OtherDrive("TOSHIBA ", "CD-ROM XM-6702B", "1.00", 5));
  bus.AddAdapter("intelata_x").AddTarget(0, KestrelDrive("DRV-320"));
  DirectTransport t(bus);
  t.InitDriveAccess();
  EXPECT_EQ(t.AdapterCount(), 2);
  EXPECT_TRUE(t.IntelataPresent());
  EXPECT_EQ(std::string(t.AdapterIdentifier(0).data(), 8), "ESDI_506");
  t.SelectDrive({1, 0});
  EXPECT_EQ(t.Execute(Inquiry(t.Buffers())), 0);
  EXPECT_EQ(std::memcmp(t.Buffers().data + 8, "KESTREL ", 8), 0);
  t.SelectDrive({0, 0});
  EXPECT_EQ(t.Execute(Inquiry(t.Buffers())), -1);
  EXPECT_EQ(bus.GetTrace().Entries().size(), 1u);

  Bus other;
  other.AddAdapter("atapi").AddTarget(0, KestrelDrive("DRV-320"));
  DirectTransport pt(other, 2);
  pt.InitDriveAccess();
  EXPECT_EQ(pt.OpenDrive('D'), -1);
  other.MapLetter('D', 0, 0);
  ASSERT_NE(other.DriveAt(0, 0), nullptr);
  other.DriveAt(0, 0)->FailCommand(0x12, 1, kNoMedium);
  ASSERT_EQ(pt.OpenDrive('D'), 0);
  ScsiCommand c = Inquiry(pt.Buffers());
  c.autoSenseLength = 18;
  EXPECT_EQ(pt.Execute(c), 2);
  EXPECT_EQ(pt.Buffers().sense[12], 0x3A);
  pt.CloseDrive();
  EXPECT_EQ(pt.Execute(c), 2);  // nothing open
}

TEST(SimDirectTransport, SubmittedProgrammingRunsUntilTheClockPassesIt) {
  Bus bus;
  DriveConfig config = KestrelDrive("DRV-320");
  config.programmingMs = 20000;
  bus.AddAdapter("intelata").AddTarget(0, config);
  DirectTransport t(bus);
  t.InitDriveAccess();
  uint8_t* image = t.Buffers().image;
  ASSERT_EQ(t.Execute(Buffer(0x3B, 0x30, 0, 0, t.Buffers().data)), 0);
  for (uint32_t o = 0; o < 0x20000; o += 0x8000) {
    ASSERT_EQ(t.Execute(Buffer(0x3B, 0xFF, o, 0x8000, image + o)), 0);
  }
  std::memcpy(image + 0x21000, "WIN2", 4);
  ASSERT_EQ(t.Execute(Buffer(0x3B, 0xFF, 0x20000, 0x1010, image + 0x20000)), 0);

  t.Submit(Buffer(0x3B, 0x42, 0, 0, t.Buffers().data));
  EXPECT_EQ(t.Poll(), 1);
  // Nothing else may go out while it runs.
  EXPECT_EQ(t.Execute(Inquiry(t.Buffers())), -1);
  EXPECT_EQ(t.OverlapCount(), 1);
  SimTimer timer(bus);
  timer.SleepMs(19999);
  EXPECT_EQ(t.Poll(), 1);
  EXPECT_EQ(t.PingAdapter(), 1);
  timer.SleepMs(1);
  EXPECT_EQ(t.Poll(), 0);
  EXPECT_EQ(t.Poll(), 1);  // reported once
  // The flash now holds the zero image except the drive's own bytes.
  ASSERT_EQ(t.Execute(Buffer(0x3C, 0x80, 0, 0x8000, t.Buffers().data)), 0);
  EXPECT_EQ(t.Buffers().data[0x3FF], 0);
  EXPECT_EQ(t.Buffers().data[0x450], 0);
}

TEST(SimDirectTransport, SubmitToAMissingDriveEndsWithAnError) {
  Bus bus;
  bus.AddAdapter("intelata");
  DirectTransport t(bus);
  t.InitDriveAccess();
  t.Submit(Inquiry(t.Buffers()));
  EXPECT_EQ(t.Poll(), -1);
}

TEST(SimTimer, SleepsAndReadingsMoveTheBusClock) {
  Bus bus;
  SimTimer timer(bus, 2);
  timer.SetSmallestPeriod(3);
  EXPECT_FALSE(timer.BeginPeriod(2));
  EXPECT_TRUE(timer.BeginPeriod(3));
  EXPECT_EQ(timer.TimeMs(), 0u);
  EXPECT_EQ(timer.TimeMs(), 2u);
  timer.SleepMs(1000);
  EXPECT_EQ(bus.NowMs(), 1004u);
  timer.SetBaseMs(0xFFFFFFF0u);
  EXPECT_EQ(timer.TimeMs(), 1004u - 16u);  // wraps like timeGetTime
}

}  // namespace
}  // namespace kestrel::sim
