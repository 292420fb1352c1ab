// The ASPI manager emulation: request blocks in, statuses and events out, with
// long commands held pending on the clock.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/model/aspi_manager.h"
#include "sim/model/simulated_aspi_port.h"
#include "transport/aspi/aspi_transport.h"

namespace kestrel::sim {
namespace {

using namespace kestrel::aspi;

struct RecordingSignal : EventSignal {
  void Signal(void* event) override { signalled.push_back(event); }
  std::vector<void*> signalled;
};

struct AspiFixture : ::testing::Test {
  AspiFixture() : manager(bus, signal) {
    bus.AddAdapter("intelata").AddTarget(0, KestrelDrive("DRV-320"));
    bus.AddAdapter("ESDI_506");
  }
  SRB_ExecSCSICmd Exec(uint8_t adapter, uint8_t target, std::vector<uint8_t> cdb, uint8_t flags,
                       uint8_t* data, uint32_t length) {
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0, sizeof srb);
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = adapter;
    srb.SRB_Target = target;
    srb.SRB_Flags = static_cast<uint8_t>(SRB_EVENT_NOTIFY | flags);
    srb.SRB_BufPointer = data;
    srb.SRB_BufLen = length;
    srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
    std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
    srb.SRB_PostProc = &eventToken;
    return srb;
  }
  Bus bus;
  RecordingSignal signal;
  AspiManager manager;
  int eventToken = 0;
};

TEST_F(AspiFixture, SupportInfoCountsAdaptersOrReportsNone) {
  EXPECT_EQ(manager.GetASPI32SupportInfo(), (uint32_t{SS_COMP} << 8) | 2);
  Bus empty;
  AspiManager none(empty, signal);
  EXPECT_EQ(none.GetASPI32SupportInfo(), uint32_t{SS_NO_ADAPTERS} << 8);
  manager.FailSupportInfo(SS_FAILED_INIT);
  EXPECT_EQ(manager.GetASPI32SupportInfo(), uint32_t{SS_FAILED_INIT} << 8);
}

TEST_F(AspiFixture, AdapterInquiryCompletesAtOnceWithIdentifier) {
  SRB_HAInquiry srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Cmd = SC_HA_INQUIRY;
  srb.SRB_HaId = 1;
  EXPECT_EQ(manager.SendASPI32Command(&srb), SS_COMP);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(srb.HA_Count, 2);
  EXPECT_EQ(std::memcmp(srb.HA_Identifier, "ESDI_506\0\0\0\0\0\0\0\0", 16), 0);
  EXPECT_EQ(std::memcmp(srb.HA_ManagerId, "ASPI for WIN32", 14), 0);
  srb.SRB_HaId = 2;
  EXPECT_EQ(manager.SendASPI32Command(&srb), SS_INVALID_HA);
  EXPECT_TRUE(signal.signalled.empty());
  ASSERT_FALSE(bus.GetTrace().Entries().empty());
  EXPECT_EQ(FormatTraceLine(bus.GetTrace().Entries().front()), "ha_inquiry a=1 status=01");
}

TEST_F(AspiFixture, CommandIsPendingUntilTickThenSignalled) {
  std::vector<uint8_t> reply(96);
  auto srb = Exec(0, 0, {0x12, 0, 0, 0, 0x60, 0}, SRB_DIR_IN, reply.data(), 96);
  EXPECT_EQ(manager.SendASPI32Command(&srb), SS_PENDING);
  EXPECT_EQ(srb.SRB_Status, SS_PENDING);
  EXPECT_TRUE(signal.signalled.empty());
  EXPECT_EQ(manager.Tick(), 1u);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_EQ(srb.SRB_TargStat, 0);
  ASSERT_EQ(signal.signalled.size(), 1u);
  EXPECT_EQ(signal.signalled[0], &eventToken);
  EXPECT_EQ(std::memcmp(&reply[8], "KESTREL DVD-ROM DRV-320", 23), 0);
}

TEST_F(AspiFixture, CheckConditionCompletesWithErrorAndOptionalSense) {
  auto srb = Exec(0, 0, {0xE7, 0, 0, 0, 0, 0}, 0, nullptr, 0);
  manager.SendASPI32Command(&srb);
  manager.Tick();
  EXPECT_EQ(srb.SRB_Status, SS_ERR);
  EXPECT_EQ(srb.SRB_TargStat, 0x02);
  EXPECT_EQ(srb.SenseArea[2], 0);  // no sense asked: the drive keeps it for REQUEST SENSE
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  EXPECT_EQ(bus.DriveAt(0, 0)->PendingSense(), kInvalidOpcode);

  auto withSense = Exec(0, 0, {0xE7, 0, 0, 0, 0, 0}, 0, nullptr, 0);
  withSense.SRB_SenseLen = 14;
  manager.SendASPI32Command(&withSense);
  manager.Tick();
  EXPECT_EQ(withSense.SenseArea[2], 0x05);
  EXPECT_EQ(withSense.SenseArea[12], 0x20);
}

TEST_F(AspiFixture, MissingAdapterOrDeviceIsAnsweredAtOnceWithoutEvent) {
  auto badAdapter = Exec(5, 0, {0x12, 0, 0, 0, 0x60, 0}, SRB_DIR_IN, nullptr, 0);
  EXPECT_EQ(manager.SendASPI32Command(&badAdapter), SS_INVALID_HA);
  auto noDevice = Exec(1, 0, {0x12, 0, 0, 0, 0x60, 0}, SRB_DIR_IN, nullptr, 0);
  EXPECT_EQ(manager.SendASPI32Command(&noDevice), SS_NO_DEVICE);
  EXPECT_EQ(noDevice.SRB_Status, SS_NO_DEVICE);
  EXPECT_EQ(manager.Tick(), 0u);
  EXPECT_TRUE(signal.signalled.empty());
  ASSERT_FALSE(bus.GetTrace().Entries().empty());
  EXPECT_EQ(FormatTraceLine(bus.GetTrace().Entries().back()),
            "rejected a=1 t=0 cdb=12 00 00 00 60 00 dir=in len=0 why=no_device");
}

TEST_F(AspiFixture, FlashProgrammingStaysPendingUntilTheClockPassesIt) {
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  Drive& drive = *bus.DriveAt(0, 0);
  drive.SetProgrammingMs(20000);
  std::vector<uint8_t> part(0x8000, 0x5A), trailer(0x1010, 0);
  std::memcpy(&trailer[0x1000], "WIN2", 4);
  auto send = [&](std::vector<uint8_t> cdb, uint8_t flags, uint8_t* data, uint32_t n) {
    auto srb = Exec(0, 0, cdb, flags, data, n);
    manager.SendASPI32Command(&srb);
    manager.Tick();
    return srb.SRB_Status;
  };
  ASSERT_EQ(send({0x3B, 1, 0x30, 0, 0, 0, 0, 0, 0, 0}, 0, nullptr, 0), SS_COMP);
  for (uint8_t top : {0x00, 0x01}) {
    for (uint8_t hi : {0x00, 0x80}) {
      ASSERT_EQ(send({0x3B, 1, 0xFF, top, hi, 0, 0, 0x80, 0, 0}, SRB_DIR_OUT, part.data(), 0x8000),
                SS_COMP);
    }
  }
  ASSERT_EQ(send({0x3B, 1, 0xFF, 2, 0, 0, 0, 0x10, 0x10, 0}, SRB_DIR_OUT, trailer.data(), 0x1010),
            SS_COMP);

  auto program = Exec(0, 0, {0x3B, 1, 0x42, 0, 0, 0, 0, 0, 0, 0}, 0, nullptr, 0);
  ASSERT_EQ(manager.SendASPI32Command(&program), SS_PENDING);
  signal.signalled.clear();
  bus.AdvanceMs(19999);
  EXPECT_EQ(manager.Tick(), 0u);
  EXPECT_EQ(program.SRB_Status, SS_PENDING);
  EXPECT_EQ(manager.NextCompletionMs(), 20000u);
  // A host adapter inquiry is answered meanwhile.
  SRB_HAInquiry ping;
  std::memset(&ping, 0, sizeof ping);
  EXPECT_EQ(manager.SendASPI32Command(&ping), SS_COMP);
  bus.AdvanceMs(1);
  EXPECT_EQ(manager.Tick(), 1u);
  EXPECT_EQ(program.SRB_Status, SS_COMP);
  EXPECT_EQ(signal.signalled.size(), 1u);
  EXPECT_EQ(drive.ProgrammingCount(), 1);
}

TEST_F(AspiFixture, RefusedRequestReturnsAtOnceAndNeverSignals) {
  manager.RefuseRequests(2, SS_INVALID_CMD);
  std::vector<uint8_t> reply(96);
  auto first = Exec(0, 0, {0x12, 0, 0, 0, 0x60, 0}, SRB_DIR_IN, reply.data(), 96);
  auto second = first;
  auto third = first;
  EXPECT_EQ(manager.SendASPI32Command(&first), SS_PENDING);
  EXPECT_EQ(manager.SendASPI32Command(&second), SS_INVALID_CMD);
  EXPECT_EQ(manager.SendASPI32Command(&third), SS_PENDING);
  manager.Tick();
  EXPECT_EQ(signal.signalled.size(), 2u);
  EXPECT_EQ(second.SRB_Status, SS_INVALID_CMD);
  EXPECT_EQ(bus.GetTrace().CountCommands(0x12), 2u);  // the refused one never reached the drive
}

TEST_F(AspiFixture, NeverEndingProgrammingIsNeverCompleted) {
  ASSERT_NE(bus.DriveAt(0, 0), nullptr);
  Drive& drive = *bus.DriveAt(0, 0);
  drive.ProgrammingNeverFinishes();
  drive.SetProgrammingMs(0);
  // Straight to programming is refused: nothing was downloaded.
  auto early = Exec(0, 0, {0x3B, 1, 0x42, 0, 0, 0, 0, 0, 0, 0}, 0, nullptr, 0);
  manager.SendASPI32Command(&early);
  manager.Tick();
  EXPECT_EQ(early.SRB_Status, SS_ERR);
  EXPECT_EQ(manager.NextCompletionMs(), kNever);
}

// The real AspiTransport over the emulation, through the virtual-event port.
TEST(SimulatedAspiPort, RunsTheAspiTransportEndToEnd) {
  Bus bus;
  bus.AddAdapter("intelata")
      .AddTarget(0, KestrelDrive("DRV-320"))
      .AddTarget(1, KestrelDrive("DRV-321"));
  SimulatedAspiPort port(bus);
  {
    AspiTransport transport(port);
    ASSERT_EQ(transport.InitDriveAccess(), 0);
    EXPECT_EQ(transport.AdapterCount(), 1);
    EXPECT_TRUE(transport.IntelataPresent());
    transport.SelectDrive({0, 1});
    ScsiCommand inquiry;
    inquiry.cdb = {0x12, 0, 0, 0, 0x60, 0};
    inquiry.cdbLength = 6;
    inquiry.direction = DataDirection::In;
    inquiry.data = transport.Buffers().data;
    inquiry.transferLength = 96;
    EXPECT_EQ(transport.Execute(inquiry), 0);
    EXPECT_EQ(std::memcmp(transport.Buffers().data + 16, "DVD-ROM DRV-321", 15), 0);
    transport.SelectDrive({0, 2});
    EXPECT_EQ(transport.Execute(inquiry), -1);  // no device there
    transport.ReleaseDriveAccess();
  }
  EXPECT_EQ(port.OpenEventCount(), 0u);
  EXPECT_EQ(port.OutstandingAllocations(), 0u);
  EXPECT_EQ(port.HungWaitCount(), 0);
}

TEST(SimulatedAspiPort, InfiniteWaitOnARequestThatNeverEndsIsReportedNotHung) {
  Bus bus;
  bus.AddAdapter("intelata");
  SimulatedAspiPort port(bus);
  void* event = port.CreateCompletionEvent();
  EXPECT_FALSE(port.WaitForEvent(event, AspiPort::kInfinite));
  EXPECT_EQ(port.HungWaitCount(), 1);
  EXPECT_FALSE(port.WaitForEvent(event, 500));
  EXPECT_EQ(bus.NowMs(), 500u);  // a bounded wait lets its time pass
  port.CloseEvent(event);
  port.CloseEvent(event);
  EXPECT_EQ(port.BadEventUseCount(), 1);
}

}  // namespace
}  // namespace kestrel::sim
