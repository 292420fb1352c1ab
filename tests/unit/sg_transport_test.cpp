// The SG_IO transport against a fake ioctl: how status, host status, driver
// status, sense and residual become results, the request it builds, the sense
// kept for the REQUEST SENSE that follows a failure, and which right a
// refused command lacked.
#include "transport/sg/sg_transport.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/drive_lock.h"
#include "cli/kestrel_app.h"
#include "cli/settling_wait.h"
#include "cli/sg_host.h"
#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/program_profile.h"
#include "drive/region_commands.h"
#include "drive/sense.h"
#include "drive/speed_commands.h"
#include "transport/sg/sg_result.h"

namespace kestrel::linux_sg {
namespace {

// ---- the result rule --------------------------------------------------------

struct ResultCase {
  const char* name;
  int ioctlError;
  uint8_t status;
  uint16_t hostStatus;
  uint16_t driverStatus;
  uint8_t senseWritten;
  int resid;
  int32_t result;
  SgFailure failure;
  uint8_t senseKept;
  uint32_t transferred;
};

void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.name; }

class SgResultTest : public ::testing::TestWithParam<ResultCase> {};

TEST_P(SgResultTest, MapsTheHeaderToAResult) {
  const ResultCase& c = GetParam();
  uint8_t sense[32] = {};
  sg_io_hdr_t header{};
  header.dxfer_direction = SG_DXFER_FROM_DEV;
  header.dxfer_len = 96;
  header.mx_sb_len = sizeof sense;
  header.sbp = sense;
  header.status = c.status;
  header.host_status = c.hostStatus;
  header.driver_status = c.driverStatus;
  header.sb_len_wr = c.senseWritten;
  header.resid = c.resid;
  const SgOutcome outcome = DecideSgResult(c.ioctlError, header);
  EXPECT_EQ(outcome.result, c.result);
  EXPECT_EQ(outcome.failure, c.failure);
  EXPECT_EQ(outcome.senseLength, c.senseKept);
  EXPECT_EQ(outcome.transferred, c.transferred);
  EXPECT_EQ(outcome.osError, c.ioctlError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SgResultTest,
    ::testing::Values(
        ResultCase{"Good", 0, 0, 0, 0, 0, 0, 0, SgFailure::None, 0, 96},
        ResultCase{"GoodShortTransfer", 0, 0, 0, 0, 0, 40, 0, SgFailure::None, 0, 56},
        ResultCase{"ResidualBeyondLength", 0, 0, 0, 0, 0, 500, 0, SgFailure::None, 0, 0},
        ResultCase{"NegativeResidual", 0, 0, 0, 0, 0, -8, 0, SgFailure::None, 0, 96},
        ResultCase{"CheckConditionWithSense", 0, 0x02, 0, 0x08, 18, 96, kSgFailure,
                   SgFailure::CheckCondition, 18, 0},
        ResultCase{"SenseBeyondItsBuffer", 0, 0x02, 0, 0x08, 60, 0, kSgFailure,
                   SgFailure::CheckCondition, 32, 0},
        ResultCase{"DriverSenseWithoutStatus", 0, 0, 0, 0x08, 18, 0, kSgFailure,
                   SgFailure::CheckCondition, 18, 0},
        ResultCase{"CheckConditionNoSense", 0, 0x02, 0, 0, 0, 0, kSgFailure,
                   SgFailure::CheckCondition, 0, 0},
        ResultCase{"Busy", 0, 0x08, 0, 0, 0, 0, kSgFailure, SgFailure::DeviceStatus, 0, 0},
        ResultCase{"HostTimeOut", 0, 0, 0x03, 0, 0, 96, kSgFailure, SgFailure::TimedOut, 0, 0},
        ResultCase{"HostNoConnect", 0, 0, 0x01, 0, 0, 96, kSgFailure, SgFailure::HostError, 0, 0},
        ResultCase{"DriverTimeOut", 0, 0, 0, 0x06, 0, 0, kSgFailure, SgFailure::TimedOut, 0, 0},
        ResultCase{"DriverError", 0, 0, 0, 0x04, 0, 0, kSgFailure, SgFailure::DriverError, 0, 0},
        ResultCase{"NotPermitted", EPERM, 0, 0, 0, 0, 0, kSgFailure, SgFailure::NotPermitted, 0, 0},
        ResultCase{"AccessDenied", EACCES, 0, 0, 0, 0, 0, kSgFailure, SgFailure::AccessDenied, 0,
                   0},
        ResultCase{"DeviceGone", ENXIO, 0, 0, 0, 0, 0, kSgFailure, SgFailure::DeviceGone, 0, 0},
        ResultCase{"OtherErrno", EINVAL, 0, 0, 0, 0, 0, kSgFailure, SgFailure::CallFailed, 0, 0},
        ResultCase{"DriverSenseWithSuggestAbortBits", 0, 0, 0, 0x28, 18, 0, kSgFailure,
                   SgFailure::CheckCondition, 18, 0}),

    [](const ::testing::TestParamInfo<ResultCase>& info) { return info.param.name; });

// ---- the transport over a fake port ----------------------------------------

class FakeSgPort final : public SgPort {
 public:
  int Open(const std::string& path, bool forWrite, int& error) override {
    opens.push_back(path + (forWrite ? " rw" : " ro") + (exclusive_ ? " excl" : ""));
    if (exclusive_ && busy) {
      error = EBUSY;
      return -1;
    }
    if (forWrite && refuseWrite) {
      error = EACCES;
      return -1;
    }
    error = 0;
    openFd = 7;
    return openFd;
  }
  int Io(int fd, sg_io_hdr_t& header) override {
    EXPECT_EQ(fd, openFd);
    seen.push_back(header);
    cdbs.emplace_back(header.cmdp, header.cmdp + header.cmd_len);
    return answer ? answer(header) : 0;
  }
  void Close(int fd) override { closed.push_back(fd); }
  bool HasRawIo() override { return rawIo; }

  bool refuseWrite = false;
  bool busy = false;  // an exclusive open fails: the disc is mounted
  bool rawIo = true;
  int openFd = -1;
  std::function<int(sg_io_hdr_t&)> answer;
  std::vector<std::string> opens;
  std::vector<sg_io_hdr_t> seen;
  std::vector<std::vector<uint8_t>> cdbs;
  std::vector<int> closed;
};

class SgTransportTest : public ::testing::Test {
 protected:
  SgTransportTest() : transport_(port_), context_(transport_, kTarn2kProfile) {
    transport_.InitDriveAccess();
  }
  FakeSgPort port_;
  SgTransport transport_;
  DriveContext context_;
};

TEST_F(SgTransportTest, BuildsOneRequestPerCommand) {
  ASSERT_EQ(transport_.OpenDevice("/dev/sr0"), 0);
  ASSERT_EQ(SendInquiry(context_), 0);
  uint8_t block[0x20] = {};
  ASSERT_EQ(WriteDriveBuffer(context_, kDownloadBlockId, 0x8000, sizeof block, block), 0);
  ASSERT_EQ(SendTestUnitReady(context_), 0);

  ASSERT_EQ(port_.seen.size(), 3u);
  const sg_io_hdr_t& inquiry = port_.seen[0];
  EXPECT_EQ(inquiry.interface_id, 'S');
  EXPECT_EQ(inquiry.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(inquiry.dxfer_len, 96u);
  EXPECT_EQ(inquiry.dxferp, context_.buffers().data);
  EXPECT_EQ(port_.cdbs[0], (std::vector<uint8_t>{0x12, 0, 0, 0, 0x60, 0}));
  const sg_io_hdr_t& write = port_.seen[1];
  EXPECT_EQ(write.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(write.dxfer_len, sizeof block);
  EXPECT_EQ(port_.cdbs[1].size(), 10u);
  EXPECT_EQ(port_.cdbs[1][0], 0x3B);
  // A command without data moves none, whatever its pass-through direction.
  EXPECT_EQ(port_.seen[2].dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(port_.seen[2].dxfer_len, 0u);
  EXPECT_EQ(port_.seen[2].dxferp, nullptr);
  EXPECT_GT(port_.seen[2].timeout, 0u);
  port_.answer = [](sg_io_hdr_t& h) { return h.resid = 90, 0; };  // 6 bytes came
  EXPECT_EQ(SendInquiry(context_), kReplyTooShort);
}

TEST_F(SgTransportTest, TheProgrammingCommandOutlastsTheFlashAndItsFailureIsNotTheEnd) {
  ASSERT_EQ(transport_.OpenDevice("/dev/sr0"), 0);
  port_.answer = [](sg_io_hdr_t& h) {
    h.host_status = 0x03;  // the kernel's timeout
    return 0;
  };
  std::ostringstream err;
  cli::CliProgrammingWait wait(1, err);
  EXPECT_TRUE(wait.Start(context_));
  EXPECT_TRUE(wait.StartFailed());
  ASSERT_EQ(port_.seen.size(), 1u);
  EXPECT_EQ(port_.cdbs[0][2], 0x42);
  EXPECT_GE(port_.seen[0].timeout, 120000u);
  EXPECT_LT(port_.seen[0].timeout, 600000u);
  EXPECT_NE(err.str().find("Do not switch the machine off"), std::string::npos) << err.str();
  EXPECT_EQ(transport_.TransportFault(), "command 3Bh: the command timed out");
}

TEST_F(SgTransportTest, GivesEveryCommandItsTimeoutInMilliseconds) {
  ASSERT_EQ(transport_.OpenDevice("/dev/sr0"), 0);
  uint8_t* data = context_.buffers().data;
  // Every command the tool sends, and its timeout in the header's milliseconds.
  const std::pair<ScsiCommand, unsigned> cases[] = {
      {BuildInquiry(data), 2000},
      {BuildRequestSense(data, 18), 2000},
      {BuildTestUnitReady(), 2000},
      {*BuildReadBuffer(kReadBackId, 0, 0x8000, data), 5000},
      {*BuildWriteBuffer(kDownloadBlockId, 0, 0x8000, data), 5000},
      {FlashProgrammingCommand(context_), 5000},
      {BuildReportRpcState(data), 5000},
      {BuildReadCopyrightInfo(data), 5000},
      {BuildSendRpcStructure(data), 5000},
      {BuildSetCdSpeed(0x00, 1408, 0xFFFF), 5000},
      {BuildReadCapabilitiesPage(data), 2000},
      {BuildStartStopUnit(0x00, 0x00, 0x00), 30000}};
  for (const auto& [command, timeoutMs] : cases) {
    transport_.Execute(command);
    EXPECT_EQ(port_.seen.back().timeout, timeoutMs) << "opcode " << int{command.cdb[0]};
  }
}

TEST_F(SgTransportTest, KeepsTheSenseOfAFailureForTheRequestSenseAfterIt) {
  ASSERT_EQ(transport_.OpenDevice("/dev/sr0"), 0);
  port_.answer = [](sg_io_hdr_t& h) {
    h.status = 0x02;
    h.driver_status = 0x08;
    const uint8_t sense[18] = {0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00};
    std::memcpy(h.sbp, sense, sizeof sense);
    h.sb_len_wr = sizeof sense;
    return 0;
  };
  EXPECT_EQ(SendTestUnitReady(context_), kSgFailure);
  EXPECT_EQ(transport_.LastOutcome().failure, SgFailure::CheckCondition);
  EXPECT_TRUE(DecodeSense(context_.buffers()).MediumNotPresent());

  // The kernel fetched the sense already: REQUEST SENSE is answered from it
  // without a request, and only once.
  context_.buffers().sense.fill(0);
  port_.answer = nullptr;
  EXPECT_EQ(SendRequestSense(context_), 0);
  EXPECT_EQ(port_.seen.size(), 1u);
  EXPECT_TRUE(DecodeSense(context_.buffers()).MediumNotPresent());
  EXPECT_EQ(SendRequestSense(context_), 0);
  EXPECT_EQ(port_.seen.size(), 2u);
}

TEST_F(SgTransportTest, NamesTheRightTheKernelWanted) {
  port_.refuseWrite = true;
  ASSERT_EQ(transport_.OpenDevice("/dev/sr0"), 0);
  EXPECT_EQ(port_.opens, (std::vector<std::string>{"/dev/sr0 rw", "/dev/sr0 ro"}));
  EXPECT_FALSE(transport_.OpenForWrite());
  port_.answer = [](sg_io_hdr_t&) { return EPERM; };

  uint8_t mask[8] = {};
  ScsiCommand sendKey;
  sendKey.cdb[0] = 0xA3;
  sendKey.cdbLength = 12;
  sendKey.direction = DataDirection::Out;
  sendKey.data = mask;
  sendKey.transferLength = sizeof mask;
  EXPECT_EQ(transport_.Execute(sendKey), kSgFailure);
  EXPECT_EQ(transport_.Refusal(), MissingRight::WriteAccess);

  EXPECT_EQ(PrepareDownload(context_), kSgFailure);
  EXPECT_EQ(transport_.Refusal(), MissingRight::RawIo);
  // A new device starts without a refusal.
  port_.refuseWrite = false;
  ASSERT_EQ(transport_.OpenDevice("/dev/sr1"), 0);
  EXPECT_EQ(port_.closed, (std::vector<int>{7}));
  EXPECT_EQ(transport_.Refusal(), MissingRight::None);
  EXPECT_EQ(RightFor(SgFailure::NotPermitted, 0xA3, true), MissingRight::RawIo);
  EXPECT_EQ(RightFor(SgFailure::CheckCondition, 0x3B, false), MissingRight::None);
}

TEST_F(SgTransportTest, RefusesWithoutADeviceOrWithABadRequest) {
  EXPECT_EQ(SendInquiry(context_), kSgFailure);
  EXPECT_TRUE(port_.seen.empty());
  ASSERT_EQ(transport_.OpenDevice("/dev/sr0"), 0);
  ScsiCommand bad;
  bad.cdbLength = 7;
  EXPECT_EQ(transport_.Execute(bad), kSgFailure);
  ScsiCommand noData;
  noData.cdb[0] = 0x12;
  noData.direction = DataDirection::In;
  noData.transferLength = 96;
  EXPECT_EQ(transport_.Execute(noData), kSgFailure);
  EXPECT_TRUE(port_.seen.empty());
}

// ---- the tool's messages for a missing right --------------------------------

class QuietTerminal final : public cli::Terminal {
 public:
  std::ostream& Out() override { return out; }
  std::ostream& Err() override { return err; }
  bool Interactive() const override { return false; }
  std::optional<std::string> ReadLine() override { return std::nullopt; }
  std::ostringstream out, err;
};

TEST(SgHostRights, AnUpdateWithoutRawIoStopsBeforeTheDriveIsAsked) {
  FakeSgPort port;
  port.rawIo = false;
  const std::string hex = ::testing::TempDir() + "kestrel-rights.hex";
  // A file the loader accepts: one data record and the end record.
  std::ofstream(hex) << ":0100000000FF\r\n:00000001FF\r\n";
  QuietTerminal terminal;
  cli::Environment environment{
      terminal, [&port](std::string&) { return std::make_unique<cli::SgHost>(port, "/nowhere"); },
      nullptr};
  EXPECT_EQ(
      cli::RunKestrel({"kestrel", "firmware", "update", "/dev/sr0", hex, "--yes"}, environment), 2);
  EXPECT_NE(terminal.err.str().find("CAP_SYS_RAWIO"), std::string::npos) << terminal.err.str();
  EXPECT_TRUE(port.opens.empty());
  EXPECT_TRUE(port.seen.empty());
  std::remove(hex.c_str());
}

TEST(SgHostRights, SaysWhichRightARefusedCommandLacked) {
  FakeSgPort port;
  port.refuseWrite = true;
  cli::SgHost host(port, "/nowhere");
  std::string why;
  ASSERT_TRUE(host.Open("/dev/sr0", why)) << why;
  EXPECT_EQ(host.Refusal(), "");
  port.answer = [](sg_io_hdr_t&) { return EPERM; };
  uint8_t mask[8] = {};
  ScsiCommand sendKey;
  sendKey.cdb[0] = 0xA3;
  sendKey.cdbLength = 12;
  sendKey.direction = DataDirection::Out;
  sendKey.data = mask;
  sendKey.transferLength = sizeof mask;
  EXPECT_NE(host.Transport().Execute(sendKey), 0);
  EXPECT_NE(host.Refusal().find("/dev/sr0 is open read-only"), std::string::npos) << host.Refusal();
  ScsiCommand writeBuffer;
  writeBuffer.cdb[0] = 0x3B;
  writeBuffer.cdbLength = 10;
  EXPECT_NE(host.Transport().Execute(writeBuffer), 0);
  EXPECT_NE(host.Refusal().find("CAP_SYS_RAWIO"), std::string::npos) << host.Refusal();
  // A character device (an sg node) needs a read-write open, not CAP_SYS_RAWIO.
  port.rawIo = false;
  EXPECT_NE(host.FirmwareWriteBlocker("/dev/null").find("needs write access"), std::string::npos);
  port.refuseWrite = false;
  EXPECT_EQ(host.FirmwareWriteBlocker("/dev/null"), "");
}

// ---- one kestrel on a drive that is being changed ---------------------------

TEST(SgHostLock, ABusyDriveIsRefusedBeforeAnythingIsSent) {
  const std::string dir = ::testing::TempDir();
  const std::string hex = dir + "kestrel-busy.hex";
  std::ofstream(hex) << ":0100000000FF\r\n:00000001FF\r\n";
  const std::vector<std::vector<std::string>> commands = {
      {"firmware", "update", "/dev/sr0", hex, "--yes"},
      {"firmware", "backup", "/dev/sr0", dir + "kestrel-busy.bin"},
      {"region", "set", "/dev/sr0", "2", "--yes"},
      {"mode", "/dev/sr0", "quiet", "--yes"},
  };
  for (const auto& command : commands) {
    FakeSgPort port;
    port.busy = true;
    QuietTerminal terminal;
    cli::Environment environment{
        terminal,
        [&](std::string&) { return std::make_unique<cli::SgHost>(port, "/nowhere", "/sys", dir); },
        nullptr};
    std::vector<std::string> args{"kestrel"};
    args.insert(args.end(), command.begin(), command.end());
    EXPECT_EQ(cli::RunKestrel(args, environment), 1) << command[0] << " " << command[1];
    EXPECT_NE(terminal.err.str().find("drive busy: /dev/sr0 is in use"), std::string::npos)
        << terminal.err.str();
    EXPECT_EQ(port.opens, (std::vector<std::string>{"/dev/sr0 rw excl"}));
    EXPECT_TRUE(port.seen.empty());
  }
  std::remove(hex.c_str());
}

TEST(SgHostLock, TheNodesOfOneDriveShareOneLock) {
  const std::string dir = ::testing::TempDir() + "kestrel-lock-" + std::to_string(::getpid());
  // Two character nodes that sysfs names as one SCSI device, as sr0 and sg0.
  const std::string scsi = dir + "/sys/devices/host0/target0:0:0/0:0:0:0";
  const std::string chars = dir + "/sys/dev/char/";
  ASSERT_EQ(
      std::system(
          ("mkdir -p " + scsi + " " + chars + "1:3 " + chars + "1:5 " + dir + "/locks").c_str()),
      0);
  ASSERT_EQ(::symlink(scsi.c_str(), (chars + "1:3/device").c_str()), 0);
  ASSERT_EQ(::symlink(scsi.c_str(), (chars + "1:5/device").c_str()), 0);
  EXPECT_EQ(cli::LockNameFor("/dev/null", dir + "/sys"), "kestrel-0:0:0:0.lock");
  EXPECT_EQ(cli::LockNameFor("/dev/zero", dir + "/sys"), "kestrel-0:0:0:0.lock");

  FakeSgPort port;
  cli::SgHost first(port, "/nowhere", dir + "/sys", dir + "/locks");
  cli::SgHost second(port, "/nowhere", dir + "/sys", dir + "/locks");
  std::string why;
  EXPECT_EQ(first.Reserve("/dev/null", why), 0) << why;
  EXPECT_EQ(second.Reserve("/dev/zero", why), EBUSY);
  EXPECT_NE(why.find("drive busy: another kestrel is using /dev/zero"), std::string::npos) << why;
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace kestrel::linux_sg
