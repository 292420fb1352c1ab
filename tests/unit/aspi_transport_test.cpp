#include "transport/aspi/aspi_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drive/command_set.h"
#include "drive/program_profile.h"
#include "sim/model/bus.h"
#include "sim/model/simulated_aspi_port.h"
#include "transport/aspi/aspi_defs.h"
#include "transport/aspi/aspi_result.h"

namespace kestrel {
namespace {

// An ASPI manager and the Win32 calls around it, under the test's control.
class FakeAspiPort : public AspiPort {
 public:
  // What SendASPI32Command does with the next execute request.
  struct ExecBehaviour {
    uint32_t sendReturn = aspi::SS_PENDING;
    bool completeAtOnce = true;  // signal the event before the call returns
    uint8_t finalStatus = aspi::SS_COMP;
  };

  bool loadable = true;
  uint32_t supportInfo = 0;
  std::vector<std::string> adapterIds;
  size_t failAllocation = 0;  // 1-based number of the allocation that fails; 0 none
  bool eventsFail = false;
  ExecBehaviour exec;

  std::vector<size_t> allocatedSizes;
  std::vector<uint8_t*> allocated;
  std::vector<uint8_t*> freed;
  std::vector<aspi::SRB_ExecSCSICmd> sentRequests;
  std::vector<uint8_t> haInquiryIds;
  int loadCalls = 0;
  int infiniteWaitsOnUnsignalled = 0;
  int ordinaryInquiriesDuringRequest = 0;

  bool LoadManager() override {
    ++loadCalls;
    return loadable;
  }
  uint32_t GetASPI32SupportInfo() override { return supportInfo; }

  uint32_t SendASPI32Command(void* srb) override {
    auto* header = static_cast<aspi::SRB_Header*>(srb);
    if (header->SRB_Cmd == aspi::SC_HA_INQUIRY) {
      auto* inquiry = static_cast<aspi::SRB_HAInquiry*>(srb);
      haInquiryIds.push_back(inquiry->SRB_HaId);
      if (pendingRequest_ != nullptr) ++ordinaryInquiriesDuringRequest;
      if (inquiry->SRB_HaId < adapterIds.size()) {
        const std::string& id = adapterIds[inquiry->SRB_HaId];
        std::memcpy(inquiry->HA_Identifier, id.data(),
                    std::min(id.size(), sizeof inquiry->HA_Identifier));
        inquiry->HA_Count = static_cast<uint8_t>(adapterIds.size());
        inquiry->SRB_Status = aspi::SS_COMP;
      } else {
        inquiry->SRB_Status = aspi::SS_INVALID_HA;
      }
      return inquiry->SRB_Status;
    }
    auto* request = static_cast<aspi::SRB_ExecSCSICmd*>(srb);
    sentRequests.push_back(*request);
    if (!AspiRequestPending(exec.sendReturn)) {
      request->SRB_Status = static_cast<uint8_t>(exec.sendReturn);
      return exec.sendReturn;  // refused: its event never comes
    }
    request->SRB_Status = aspi::SS_PENDING;
    pendingRequest_ = request;
    if (exec.completeAtOnce) CompletePending();
    return exec.sendReturn;
  }

  // The manager ends the request in flight and signals its event.
  void CompletePending() {
    ASSERT_NE(pendingRequest_, nullptr);
    pendingRequest_->SRB_Status = exec.finalStatus;
    void* event = pendingRequest_->SRB_PostProc;
    pendingRequest_ = nullptr;
    ASSERT_TRUE(openEvents_.count(event)) << "completion signalled on a closed event";
    signalled_.insert(event);
  }

  void* CreateCompletionEvent() override {
    if (eventsFail) return nullptr;
    void* event = reinterpret_cast<void*>(static_cast<uintptr_t>(0x1000 + ++eventCount_));
    openEvents_.insert(event);
    return event;
  }
  bool WaitForEvent(void* event, uint32_t timeoutMs) override {
    EXPECT_TRUE(openEvents_.count(event)) << "wait on an event that is not open";
    if (signalled_.erase(event) != 0) return true;             // auto-reset
    if (timeoutMs == kInfinite) ++infiniteWaitsOnUnsignalled;  // would hang for ever
    return false;
  }
  void CloseEvent(void* event) override {
    EXPECT_EQ(openEvents_.erase(event), 1u) << "event closed twice or never created";
    signalled_.erase(event);
  }

  uint8_t* AllocateLocked(size_t bytes) override {
    allocatedSizes.push_back(bytes);
    if (allocatedSizes.size() == failAllocation) return nullptr;
    blocks_.push_back(std::make_unique<uint8_t[]>(bytes));  // zero-initialised
    allocated.push_back(blocks_.back().get());
    return allocated.back();
  }
  void FreeLocked(uint8_t* block) override {
    EXPECT_NE(std::find(allocated.begin(), allocated.end(), block), allocated.end());
    EXPECT_EQ(std::find(freed.begin(), freed.end(), block), freed.end()) << "freed twice";
    freed.push_back(block);
  }

  size_t OpenEventCount() const { return openEvents_.size(); }

 private:
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  std::set<void*> openEvents_;
  std::set<void*> signalled_;
  aspi::SRB_ExecSCSICmd* pendingRequest_ = nullptr;
  int eventCount_ = 0;
};

// Request blocks are packed: read a field by value before comparing it.
template <typename T>
T Unpacked(T value) {
  return value;
}

uint32_t SupportInfo(uint8_t status, uint8_t count) { return (uint32_t{status} << 8) | count; }

std::string Identifier(const std::array<char, 16>& id) { return std::string(id.data(), id.size()); }

std::string Padded(std::string text) {
  text.resize(16, '\0');
  return text;
}

ScsiCommand Inquiry(uint8_t* data) {
  ScsiCommand command;
  command.cdb = {0x12, 0, 0, 0, 0x60};
  command.cdbLength = 6;
  command.direction = DataDirection::In;
  command.data = data;
  command.transferLength = 96;
  return command;
}

// WRITE BUFFER without data, as the flash-programming start is sent.
ScsiCommand ZeroLengthWriteBuffer(uint8_t bufferId) {
  ScsiCommand command;
  command.cdb = {0x3B, 0x01, bufferId};
  command.cdbLength = 10;
  command.direction = DataDirection::None;
  return command;
}

class AspiTransportTest : public ::testing::Test {
 protected:
  void StartWithAdapters(std::vector<std::string> ids) {
    port.adapterIds = std::move(ids);
    port.supportInfo = SupportInfo(aspi::SS_COMP, static_cast<uint8_t>(port.adapterIds.size()));
    ASSERT_EQ(transport.InitDriveAccess(), 0);
  }

  FakeAspiPort port;
  AspiTransport transport{port};
};

// ---- the result rule --------------------------------------------------------

TEST(AspiResultRule, WhatSendReturnedAndTheFinalStatusDecide) {
  struct Row {
    uint32_t status;
    bool pending;    // as a return of SendASPI32Command
    int32_t result;  // as a final status
  };
  const Row rows[] = {
      {aspi::SS_PENDING, true, -1},      {aspi::SS_COMP, false, 0},
      {aspi::SS_ERR, false, -1},         {aspi::SS_ABORTED, false, -1},
      {aspi::SS_INVALID_HA, false, -1},  {aspi::SS_NO_DEVICE, false, -1},
      {aspi::SS_INVALID_CMD, false, -1}, {0x101, false, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.status);
    EXPECT_EQ(AspiRequestPending(row.status), row.pending);
    EXPECT_EQ(AspiCommandResult(row.status), row.result);
  }
  const AspiSupportInfo info = DecodeAspiSupportInfo(0x0000E403);
  EXPECT_EQ(info.status, aspi::SS_FAILED_INIT);
  EXPECT_EQ(info.adapterCount, 3);
}

// ---- start-up and inventory -------------------------------------------------

TEST_F(AspiTransportTest, StartUpAllocatesTheFourBuffersInOrderAndTakesTheInventory) {
  StartWithAdapters({"ESDI_506", "intelata", "AIC-78xx"});
  EXPECT_EQ(port.allocatedSizes, (std::vector<size_t>{0x50000, 0x50000, 0x140000, 512}));
  EXPECT_EQ(port.loadCalls, 1);
  EXPECT_EQ(port.haInquiryIds, (std::vector<uint8_t>{0, 1, 2}));
  EXPECT_EQ(transport.AdapterCount(), 3);
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(0)), Padded("ESDI_506"));
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(1)), Padded("intelata"));
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(2)), Padded("AIC-78xx"));
  EXPECT_TRUE(transport.IntelataPresent());

  WorkBuffers& buffers = transport.Buffers();
  ASSERT_EQ(port.allocated.size(), 4u);
  EXPECT_EQ(buffers.data, port.allocated[0]);
  EXPECT_EQ(buffers.image, port.allocated[2]);
  EXPECT_EQ(buffers.small, port.allocated[3]);
}

TEST_F(AspiTransportTest, IntelataCountsOnlyAtTheStartOfAnIdentifier) {
  StartWithAdapters({"intelata IDE ctl"});
  EXPECT_TRUE(transport.IntelataPresent());

  FakeAspiPort other;
  AspiTransport second(other);
  other.adapterIds = {"PCI intelata", "Intelata"};
  other.supportInfo = SupportInfo(aspi::SS_COMP, 2);
  ASSERT_EQ(second.InitDriveAccess(), 0);
  EXPECT_FALSE(second.IntelataPresent());
}

TEST_F(AspiTransportTest, StartUpFailuresReportTheirOwnResults) {
  {
    FakeAspiPort p;
    p.loadable = false;
    AspiTransport t(p);
    EXPECT_EQ(t.InitDriveAccess(), 1);
    EXPECT_EQ(t.AdapterCount(), 0);
  }
  {
    FakeAspiPort p;
    p.supportInfo = SupportInfo(aspi::SS_FAILED_INIT, 2);
    AspiTransport t(p);
    EXPECT_EQ(t.InitDriveAccess(), 2);
    EXPECT_EQ(t.AdapterCount(), 0);
    EXPECT_TRUE(p.haInquiryIds.empty());
  }
  {
    FakeAspiPort p;
    p.supportInfo = SupportInfo(aspi::SS_NO_ADAPTERS, 0);
    AspiTransport t(p);
    EXPECT_EQ(t.InitDriveAccess(), 3);
    EXPECT_EQ(t.AdapterCount(), 0);
    EXPECT_FALSE(t.IntelataPresent());
    EXPECT_EQ(Identifier(t.AdapterIdentifier(0)), Padded(""));
  }
}

TEST_F(AspiTransportTest, MoreThanSixteenAdaptersKeepTheirCountButStoreSixteen) {
  std::vector<std::string> ids;
  for (int i = 0; i < 20; ++i) ids.push_back("HA" + std::to_string(i));
  ids[18] = "intelata";
  StartWithAdapters(ids);
  EXPECT_EQ(transport.AdapterCount(), 20);
  EXPECT_EQ(port.haInquiryIds.size(), 20u);
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(15)), Padded("HA15"));
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(16)), Padded(""));
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(19)), Padded(""));
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(255)), Padded(""));
  // Every adapter's identifier still counts for the intelata test.
  EXPECT_TRUE(transport.IntelataPresent());
}

TEST_F(AspiTransportTest, ReleaseFreesExactlyWhatAPartlyFailedStartUpObtained) {
  for (size_t failing = 1; failing <= 4; ++failing) {
    SCOPED_TRACE(failing);
    FakeAspiPort p;
    p.failAllocation = failing;
    p.supportInfo = SupportInfo(aspi::SS_COMP, 1);
    p.adapterIds = {"intelata"};
    AspiTransport t(p);
    EXPECT_EQ(t.InitDriveAccess(), -1);
    EXPECT_EQ(p.loadCalls, 0);
    EXPECT_EQ(p.allocated.size(), failing - 1);
    EXPECT_EQ(t.ReleaseDriveAccess(), 0);
    // Reverse order of allocation, each block once.
    EXPECT_EQ(p.freed, std::vector<uint8_t*>(p.allocated.rbegin(), p.allocated.rend()));
  }
}

TEST_F(AspiTransportTest, ReleaseFreesInReverseOrderOnceAndForgetsTheBuffers) {
  StartWithAdapters({"intelata"});
  EXPECT_EQ(transport.ReleaseDriveAccess(), 0);
  EXPECT_EQ(port.freed, std::vector<uint8_t*>(port.allocated.rbegin(), port.allocated.rend()));
  EXPECT_EQ(transport.Buffers().data, nullptr);
  EXPECT_EQ(transport.Buffers().image, nullptr);
  EXPECT_EQ(transport.Buffers().small, nullptr);
  transport.ReleaseDriveAccess();  // nothing left: the fake flags a second free
  EXPECT_EQ(port.freed.size(), 4u);
}

// ---- execute ----------------------------------------------------------------

TEST_F(AspiTransportTest, ExecuteFillsTheRequestBlockAndWaitsForTheEvent) {
  StartWithAdapters({"intelata", "ESDI_506"});
  transport.SelectDrive({1, 3});
  uint8_t* data = transport.Buffers().data;
  ASSERT_EQ(transport.Execute(Inquiry(data)), 0);

  ASSERT_EQ(port.sentRequests.size(), 1u);
  const aspi::SRB_ExecSCSICmd& srb = port.sentRequests[0];
  EXPECT_EQ(srb.SRB_Cmd, aspi::SC_EXEC_SCSI_CMD);
  EXPECT_EQ(srb.SRB_HaId, 1);
  EXPECT_EQ(srb.SRB_Target, 3);
  EXPECT_EQ(srb.SRB_Lun, 0);
  EXPECT_EQ(srb.SRB_Flags, 0x48);
  EXPECT_EQ(Unpacked(srb.SRB_BufPointer), data);
  EXPECT_EQ(srb.SRB_BufLen, 96u);
  EXPECT_EQ(srb.SRB_SenseLen, 0);
  EXPECT_EQ(srb.SRB_CDBLen, 6);
  EXPECT_EQ(srb.CDBByte[0], 0x12);
  EXPECT_EQ(srb.CDBByte[4], 0x60);
  EXPECT_NE(Unpacked(srb.SRB_PostProc), nullptr);
  EXPECT_EQ(port.OpenEventCount(), 0u);
}

TEST_F(AspiTransportTest, DirectionsAndZeroLengthCommands) {
  StartWithAdapters({"intelata"});
  uint8_t* image = transport.Buffers().image;

  ScsiCommand out = ZeroLengthWriteBuffer(0xFF);
  out.direction = DataDirection::Out;
  out.data = image;
  out.transferLength = 0x8000;
  EXPECT_EQ(transport.Execute(out), 0);
  ASSERT_EQ(port.sentRequests.size(), 1u);
  EXPECT_EQ(port.sentRequests.back().SRB_Flags, 0x50);
  EXPECT_EQ(Unpacked(port.sentRequests.back().SRB_BufPointer), image);
  EXPECT_EQ(port.sentRequests.back().SRB_BufLen, 0x8000u);

  EXPECT_EQ(transport.Execute(ZeroLengthWriteBuffer(0x30)), 0);
  ASSERT_EQ(port.sentRequests.size(), 2u);
  const aspi::SRB_ExecSCSICmd& none = port.sentRequests.back();
  EXPECT_EQ(none.SRB_Flags, 0x40);
  EXPECT_EQ(none.SRB_BufLen, 0u);
  EXPECT_EQ(Unpacked(none.SRB_BufPointer), transport.Buffers().data);
  EXPECT_EQ(none.SRB_CDBLen, 10);
  EXPECT_EQ(none.CDBByte[2], 0x30);
}

TEST_F(AspiTransportTest, ExecuteFailsOnAnyStatusButCompletion) {
  StartWithAdapters({"intelata"});
  for (uint8_t status : {aspi::SS_ERR, aspi::SS_ABORTED, aspi::SS_NO_DEVICE}) {
    port.exec.finalStatus = status;
    EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), -1) << int(status);
  }
  EXPECT_EQ(port.OpenEventCount(), 0u);
}

TEST_F(AspiTransportTest, ARefusedRequestIsNotWaitedFor) {
  StartWithAdapters({"intelata"});
  port.exec.sendReturn = aspi::SS_INVALID_HA;
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), -1);
  EXPECT_EQ(port.infiniteWaitsOnUnsignalled, 0);
  EXPECT_EQ(port.OpenEventCount(), 0u);

  // A manager that finishes the request inside the call says so by its return.
  port.exec.sendReturn = aspi::SS_COMP;
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), 0);
  EXPECT_EQ(port.infiniteWaitsOnUnsignalled, 0);
  EXPECT_EQ(port.OpenEventCount(), 0u);
}

TEST_F(AspiTransportTest, NothingIsSentWithoutAManagerOrAnEvent) {
  FakeAspiPort p;
  p.loadable = false;
  AspiTransport t(p);
  ASSERT_EQ(t.InitDriveAccess(), 1);
  EXPECT_EQ(t.Execute(Inquiry(t.Buffers().data)), -1);
  EXPECT_TRUE(p.sentRequests.empty());

  StartWithAdapters({"intelata"});
  port.eventsFail = true;
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), -1);
  EXPECT_TRUE(port.sentRequests.empty());
}

// ---- submit and poll --------------------------------------------------------

TEST_F(AspiTransportTest, PollReportsRunningThenTheResultOnceThenRunning) {
  StartWithAdapters({"intelata"});
  port.exec.completeAtOnce = false;
  transport.Submit(ZeroLengthWriteBuffer(0x42));
  ASSERT_EQ(port.sentRequests.size(), 1u);
  EXPECT_EQ(port.sentRequests[0].SRB_Flags, 0x40);

  EXPECT_EQ(transport.Poll(), 1);
  EXPECT_EQ(transport.Poll(), 1);
  EXPECT_EQ(port.OpenEventCount(), 1u);
  // The adapter may be asked while the request runs, without touching it.
  transport.PingAdapter();
  EXPECT_EQ(port.ordinaryInquiriesDuringRequest, 1);
  ASSERT_FALSE(port.haInquiryIds.empty());
  EXPECT_EQ(port.haInquiryIds.back(), 0);

  port.CompletePending();
  EXPECT_EQ(transport.Poll(), 0);
  EXPECT_EQ(port.OpenEventCount(), 0u);
  EXPECT_EQ(transport.Poll(), 1);
  EXPECT_EQ(transport.Poll(), 1);
}

TEST_F(AspiTransportTest, PollReportsAFailedCompletion) {
  StartWithAdapters({"intelata"});
  port.exec.completeAtOnce = false;
  port.exec.finalStatus = aspi::SS_ERR;
  transport.Submit(ZeroLengthWriteBuffer(0x42));
  EXPECT_EQ(transport.Poll(), 1);
  port.CompletePending();
  EXPECT_EQ(transport.Poll(), -1);
  EXPECT_EQ(transport.Poll(), 1);
}

TEST_F(AspiTransportTest, ARefusedSubmitIsReportedByOnePoll) {
  StartWithAdapters({"intelata"});
  port.exec.sendReturn = aspi::SS_NO_DEVICE;
  transport.Submit(ZeroLengthWriteBuffer(0x42));
  EXPECT_EQ(port.OpenEventCount(), 0u);
  EXPECT_EQ(transport.Poll(), -1);
  EXPECT_EQ(transport.Poll(), 1);

  port.exec.sendReturn = aspi::SS_COMP;
  transport.Submit(ZeroLengthWriteBuffer(0x42));
  EXPECT_EQ(transport.Poll(), 0);
  EXPECT_EQ(transport.Poll(), 1);
}

TEST_F(AspiTransportTest, NoSecondRequestOverwritesOneInFlight) {
  StartWithAdapters({"intelata"});
  port.exec.completeAtOnce = false;
  transport.Submit(ZeroLengthWriteBuffer(0x42));
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), -1);
  EXPECT_EQ(port.sentRequests.size(), 1u);
  port.CompletePending();
  EXPECT_EQ(transport.Poll(), 0);
}

TEST_F(AspiTransportTest, ARequestThatEndedUnpolledGivesTheBlockBack) {
  StartWithAdapters({"intelata"});
  port.exec.completeAtOnce = false;
  transport.Submit(ZeroLengthWriteBuffer(0x42));
  port.CompletePending();
  // Nobody polled; the next command still goes out, and the old event is closed.
  port.exec.completeAtOnce = true;
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), 0);
  EXPECT_EQ(port.sentRequests.size(), 2u);
  EXPECT_EQ(port.OpenEventCount(), 0u);
}

TEST_F(AspiTransportTest, PingAdapterSendsAnInquiryOfAdapterZeroAndReturnsItsCode) {
  StartWithAdapters({"intelata", "ESDI_506"});
  port.haInquiryIds.clear();
  EXPECT_EQ(transport.PingAdapter(), aspi::SS_COMP);
  EXPECT_EQ(port.haInquiryIds, (std::vector<uint8_t>{0}));
  EXPECT_TRUE(port.sentRequests.empty());
}

// ---- against the simulated drive ---------------------------------------------

ScsiCommand WriteBuffer(uint8_t bufferId, uint32_t offset, uint8_t* source, uint32_t length) {
  ScsiCommand command;
  command.cdb = {0x3B,
                 0x01,
                 bufferId,
                 static_cast<uint8_t>(offset >> 16),
                 static_cast<uint8_t>(offset >> 8),
                 static_cast<uint8_t>(offset),
                 0,
                 static_cast<uint8_t>(length >> 8),
                 static_cast<uint8_t>(length)};
  command.cdbLength = 10;
  command.direction = length != 0 ? DataDirection::Out : DataDirection::None;
  command.data = length != 0 ? source : nullptr;
  command.transferLength = length;
  return command;
}

class AspiTransportOnSimulatedDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.AddAdapter("ESDI_506");
    bus.AddAdapter("intelata").AddTarget(0, sim::KestrelDrive("DRV-320"));
  }

  // The transfer that flash programming follows.
  void Download() {
    uint8_t* image = transport.Buffers().image;
    std::memcpy(image + 0x20000 + 0x1000, "WIN2", 4);
    ASSERT_EQ(transport.Execute(WriteBuffer(0x30, 0, nullptr, 0)), 0);
    for (uint32_t offset = 0; offset < 0x20000; offset += 0x8000) {
      ASSERT_EQ(transport.Execute(WriteBuffer(0xFF, offset, image + offset, 0x8000)), 0);
    }
    ASSERT_EQ(transport.Execute(WriteBuffer(0xFF, 0x20000, image + 0x20000, 0x1010)), 0);
  }

  sim::Bus bus;
  sim::SimulatedAspiPort port{bus};
  AspiTransport transport{port};
};

TEST_F(AspiTransportOnSimulatedDrive, TakesTheInventoryAndReachesTheDrive) {
  ASSERT_EQ(transport.InitDriveAccess(), 0);
  EXPECT_EQ(transport.AdapterCount(), 2);
  EXPECT_EQ(Identifier(transport.AdapterIdentifier(0)), Padded("ESDI_506"));
  EXPECT_TRUE(transport.IntelataPresent());

  transport.SelectDrive({1, 0});
  uint8_t* data = transport.Buffers().data;
  ASSERT_EQ(transport.Execute(Inquiry(data)), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 8, 8), "KESTREL ");
  bus.DriveAt(1, 0)->ShortReply(0x12, 1, 6);  // no count comes: the cleared buffer shows it
  DriveContext context(transport, kMere9xProfile);
  ASSERT_EQ(SendInquiry(context), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 8, 8), std::string(8, '\0'));
  // No device at the target: the manager refuses at once and nobody waits.
  transport.SelectDrive({1, 5});
  EXPECT_EQ(transport.Execute(Inquiry(data)), -1);
  port.Manager().RefuseRequests(1, aspi::SS_ERR);
  transport.SelectDrive({1, 0});
  EXPECT_EQ(transport.Execute(Inquiry(data)), -1);
  EXPECT_EQ(port.HungWaitCount(), 0);
  EXPECT_EQ(port.BadEventUseCount(), 0);
  EXPECT_EQ(port.OpenEventCount(), 0u);

  transport.ReleaseDriveAccess();
  EXPECT_EQ(port.OutstandingAllocations(), 0u);
}

TEST_F(AspiTransportOnSimulatedDrive, StartUpFailuresOfTheManager) {
  port.SetLoadable(false);
  EXPECT_EQ(transport.InitDriveAccess(), 1);
  EXPECT_EQ(transport.AdapterCount(), 0);

  port.SetLoadable(true);
  port.Manager().FailSupportInfo(aspi::SS_FAILED_INIT);
  EXPECT_EQ(transport.InitDriveAccess(), 2);
  EXPECT_EQ(transport.AdapterCount(), 0);

  sim::Bus empty;
  sim::SimulatedAspiPort emptyPort(empty);
  AspiTransport none(emptyPort);
  EXPECT_EQ(none.InitDriveAccess(), 3);
  EXPECT_EQ(none.AdapterCount(), 0);

  // Repeated start-ups hand everything back before taking it again.
  transport.ReleaseDriveAccess();
  EXPECT_EQ(port.OutstandingAllocations(), 0u);
}

TEST_F(AspiTransportOnSimulatedDrive, FlashProgrammingIsPolledUntilTheDriveFinishes) {
  ASSERT_EQ(transport.InitDriveAccess(), 0);
  transport.SelectDrive({1, 0});
  Download();

  transport.Submit(WriteBuffer(0x42, 0, nullptr, 0));
  EXPECT_EQ(transport.Poll(), 1);
  EXPECT_EQ(transport.PingAdapter(), aspi::SS_COMP);
  bus.AdvanceMs(5000);
  EXPECT_EQ(transport.Poll(), 1);
  bus.AdvanceMs(30000);
  EXPECT_EQ(transport.Poll(), 0);
  EXPECT_EQ(transport.Poll(), 1);
  EXPECT_EQ(port.OpenEventCount(), 0u);

  // Out of sequence the drive refuses programming: the poll reports it.
  transport.Submit(WriteBuffer(0x42, 0, nullptr, 0));
  EXPECT_EQ(transport.Poll(), -1);
  EXPECT_EQ(transport.Poll(), 1);
}

TEST_F(AspiTransportOnSimulatedDrive, ACommandThatNeverEndsIsAbortedAfterSixtySeconds) {
  ASSERT_EQ(transport.InitDriveAccess(), 0);
  transport.SelectDrive({1, 0});
  Download();

  // Executed, not submitted: programming that never ends stands for any
  // command the drive never answers.
  bus.DriveAt(1, 0)->ProgrammingNeverFinishes();
  const uint64_t before = bus.NowMs();
  EXPECT_EQ(transport.Execute(WriteBuffer(0x42, 0, nullptr, 0)), -1);
  EXPECT_EQ(bus.NowMs() - before, 60000u);
  EXPECT_EQ(port.HungWaitCount(), 0);
  EXPECT_EQ(port.Manager().PendingCount(), 0u);
  // The request block is free again.
  EXPECT_EQ(transport.Execute(Inquiry(transport.Buffers().data)), 0);
}

}  // namespace
}  // namespace kestrel
