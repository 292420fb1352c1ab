// The SG_IO preload library against the drive-letter server: what a caller of
// ioctl(SG_IO) sees for good status, CHECK CONDITION with sense, a short
// transfer, a command that outlives its time-out, the kernel's size limit and
// command filter, a device without a server, and a file that is not mapped.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/model/bus.h"
#include "sim/passthrough/device_server.h"

namespace kestrel::sim {
namespace {

using IoctlFn = int (*)(int, unsigned long, ...);
using FstatFn = int (*)(int, struct stat*);

constexpr unsigned long kGetIdLun = 0x5382;

// One library per process (it reads its mapping once), so one machine for all
// cases: E: a Kestrel drive at path 0 target 1 (also behind sg1, an sg node),
// F: a drive whose programming outlasts any time-out, G: mapped but no server.
class Machine {
 public:
  Machine() {
    char pattern[] = "/tmp/kestrel-sg-test.XXXXXX";
    dir_ = mkdtemp(pattern);
    bus_.AddAdapter("atapi").AddTarget(1, KestrelDrive("DRV-320"));
    bus_.MapLetter('E', 0, 1);
    Drive& slow = bus_.AddLetter('F', KestrelDrive("DRV-320"));
    slow.SetProgrammingMs(600000);
    CommandFault fault;  // READ BUFFER: F never answers its first, E fails id 7Eh
    fault.opcode = 0x3C;
    fault.action = CommandFault::Action::NeverAnswer;
    slow.AddFault(fault);
    fault.action = CommandFault::Action::Fail, fault.bufferId = 0x7E, fault.count = 0;
    bus_.DriveAt(0, 1)->AddFault(fault);
    for (const char* name : kFiles) Touch(dir_ + "/" + name);
    std::string devices = dir_ + "/e::=" + dir_ + "/E.sock;" + dir_ + "/f::=" + dir_ + "/F.sock;" +
                          dir_ + "/g::=" + dir_ + "/G.sock;" + dir_ + "/sg1=" + dir_ + "/E.sock";
    setenv("KESTREL_SIM_DEVICES", devices.c_str(), 1);
    server_ = std::make_unique<DeviceServer>(bus_, [start = std::chrono::steady_clock::now()] {
      return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
    });
    server_->SetTraceSink([this](const std::string& line) { trace_.push_back(line); });
    listening_ = server_->Listen('E', dir_ + "/E.sock") && server_->Listen('F', dir_ + "/F.sock");
    thread_ = std::thread([this] { server_->Run([this] { return stop_.load(); }); });
    library_ = dlopen(KESTREL_SG_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library_) {
      ioctl_ = reinterpret_cast<IoctlFn>(dlsym(library_, "ioctl"));
      fstat_ = reinterpret_cast<FstatFn>(dlsym(library_, "fstat"));
    }
  }
  ~Machine() {
    stop_ = true;
    thread_.join();
    server_.reset();
    if (library_) dlclose(library_);
    for (const char* name : kFiles) unlink((dir_ + "/" + name).c_str());
    rmdir(dir_.c_str());
  }
  bool Ready() const { return listening_ && ioctl_ && fstat_; }
  int Open(const char* name, int flags = O_RDWR) const {
    return open((dir_ + "/" + name).c_str(), flags);
  }
  int Ioctl(int fd, unsigned long request, void* arg) const { return ioctl_(fd, request, arg); }
  int Fstat(int fd, struct stat* st) const { return fstat_(fd, st); }
  // Trace lines are written on the server's thread; read them after a reply.
  std::vector<std::string> Trace() const { return trace_; }

 private:
  static constexpr const char* kFiles[] = {"e::", "f::", "g::", "sg1", "plain"};
  static void Touch(const std::string& path) {
    close(open(path.c_str(), O_CREAT | O_WRONLY, 0600));
  }

  std::string dir_;
  Bus bus_;
  std::unique_ptr<DeviceServer> server_;
  std::vector<std::string> trace_;
  bool listening_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  void* library_ = nullptr;
  IoctlFn ioctl_ = nullptr;
  FstatFn fstat_ = nullptr;
};

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

struct Request {
  sg_io_hdr_t h{};
  std::vector<uint8_t> cdb;
  std::vector<uint8_t> data;
  uint8_t sense[32];
  Request(std::vector<uint8_t> c, int direction, size_t length, uint8_t senseLength,
          unsigned timeoutMs = 2000)
      : cdb(std::move(c)), data(length, 0xA5) {
    std::memset(sense, 0xEE, sizeof sense);
    h.interface_id = 'S';
    h.dxfer_direction = direction;
    h.cmd_len = static_cast<unsigned char>(cdb.size());
    h.cmdp = cdb.data();
    h.dxfer_len = static_cast<unsigned>(length);
    h.dxferp = length ? data.data() : nullptr;
    h.mx_sb_len = senseLength;
    h.sbp = sense;
    h.timeout = timeoutMs;
  }
};

// Drops or takes back CAP_SYS_RAWIO (the tests run as root).
bool SetRawIo(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2];
  const uint32_t bit = 1u << CAP_SYS_RAWIO;
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[0].effective = on ? data[0].effective | bit : data[0].effective & ~bit;
  return syscall(SYS_capset, &header, data) == 0;
}

struct SgPreload : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(machine.Ready()) << dlerror();
    e = machine.Open("e::");
    ASSERT_GE(e, 0);
  }
  void TearDown() override {
    if (e >= 0) close(e);
  }
  Machine& machine = TheMachine();
  int e = -1;
};

TEST_F(SgPreload, MappedFileLooksLikeAScsiCdRomAndGoodStatusMovesTheReply) {
  struct stat st;
  ASSERT_EQ(machine.Fstat(e, &st), 0);
  EXPECT_TRUE(S_ISBLK(st.st_mode));
  EXPECT_EQ(major(st.st_rdev), 11u);
  int version = 0;
  ASSERT_EQ(machine.Ioctl(e, SG_GET_VERSION_NUM, &version), 0);
  EXPECT_GE(version, 30000);
  int idlun[2] = {-1, -1};
  ASSERT_EQ(machine.Ioctl(e, kGetIdLun, idlun), 0);
  EXPECT_EQ(idlun[0] & 0xFF, 1);  // target 1
  EXPECT_EQ((idlun[0] >> 16) & 0xFF, 0);
  // Each open of a letter asks for the address once: the trace shows it.
  const std::vector<std::string> afterAddress = machine.Trace();
  ASSERT_FALSE(afterAddress.empty());
  EXPECT_EQ(afterAddress.back(), "address L=E");

  Request inquiry({0x12, 0, 0, 0, 0x60, 0}, SG_DXFER_FROM_DEV, 96, 18);
  ASSERT_EQ(machine.Ioctl(e, SG_IO, &inquiry.h), 0);
  EXPECT_EQ(inquiry.h.status, 0);
  EXPECT_EQ(inquiry.h.host_status, 0);
  EXPECT_EQ(inquiry.h.driver_status, 0);
  EXPECT_EQ(inquiry.h.resid, 0);
  EXPECT_EQ(inquiry.h.sb_len_wr, 0);
  EXPECT_EQ(inquiry.h.info & SG_INFO_CHECK, 0u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&inquiry.data[8]), 11), "KESTREL DVD");
  const std::vector<std::string> trace = machine.Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_NE(trace.back().find("cdb=12 00 00 00 60 00"), std::string::npos) << trace.back();
  EXPECT_NE(trace.back().find("timeout=2s sense_len=18"), std::string::npos) << trace.back();
}

TEST_F(SgPreload, CheckConditionReturnsTheSenseTheCallerHasRoomFor) {
  // WRITE BUFFER download without a prepare: 05/24/00.
  Request refused({0x3B, 0x01, 0xFF, 0, 0, 0, 0, 0x80, 0, 0}, SG_DXFER_TO_DEV, 0x8000, 18, 5000);
  ASSERT_EQ(machine.Ioctl(e, SG_IO, &refused.h), 0);
  EXPECT_EQ(refused.h.status, 0x02);
  EXPECT_EQ(refused.h.masked_status, 0x01);
  EXPECT_EQ(refused.h.driver_status, 0x08);
  EXPECT_EQ(refused.h.host_status, 0);
  EXPECT_NE(refused.h.info & SG_INFO_CHECK, 0u);
  EXPECT_EQ(refused.h.resid, 0x8000);
  ASSERT_EQ(refused.h.sb_len_wr, 18);
  EXPECT_EQ(refused.sense[0], 0x70);
  EXPECT_EQ(refused.sense[2], 0x05);
  EXPECT_EQ(refused.sense[12], 0x24);
  EXPECT_EQ(refused.sense[13], 0x00);
  EXPECT_EQ(refused.sense[18], 0xEE);  // nothing past the 18 bytes asked for

  // No sense asked for: none written; the drive keeps it for REQUEST SENSE.
  Request quiet({0x3B, 0x01, 0xFF, 0, 0, 0, 0, 0x80, 0, 0}, SG_DXFER_TO_DEV, 0x8000, 0, 5000);
  ASSERT_EQ(machine.Ioctl(e, SG_IO, &quiet.h), 0);
  EXPECT_EQ(quiet.h.status, 0x02);
  EXPECT_EQ(quiet.h.sb_len_wr, 0);
  EXPECT_EQ(quiet.sense[0], 0xEE);
  Request sense({0x03, 0, 0, 0, 18, 0}, SG_DXFER_FROM_DEV, 18, 0);
  ASSERT_EQ(machine.Ioctl(e, SG_IO, &sense.h), 0);
  EXPECT_EQ(sense.h.status, 0);
  EXPECT_EQ(sense.data[2], 0x05);
  EXPECT_EQ(sense.data[12], 0x24);

  // Failed data-in: residual 0, buffer zeroed; sg says DRIVER_SENSE only with room for sense.
  const int sg = machine.Open("sg1");
  const int rows[][3] = {{e, 18, 8}, {e, 0, 8}, {sg, 18, 8}, {sg, 0, 0}};  // fd, sense, driver
  for (const auto& row : rows) {
    Request failed({0x3C, 2, 0x7E, 0, 0, 0, 0, 0, 0x40, 0}, SG_DXFER_FROM_DEV, 0x40,
                   uint8_t(row[1]));
    ASSERT_EQ(machine.Ioctl(row[0], SG_IO, &failed.h), 0);
    EXPECT_EQ(std::vector<int>({failed.h.status, failed.h.driver_status, failed.h.resid,
                                failed.h.sb_len_wr,
                                *std::max_element(failed.data.begin(), failed.data.end())}),
              std::vector<int>({2, row[2], 0, row[1], 0}));
  }
  close(sg);
}

TEST_F(SgPreload, ShortTransferReportsTheResidual) {
  // INQUIRY allocation length 36 into a 96-byte buffer: 60 bytes not moved,
  // and those read 00h, not what the buffer held.
  Request inquiry({0x12, 0, 0, 0, 36, 0}, SG_DXFER_FROM_DEV, 96, 18);
  ASSERT_EQ(machine.Ioctl(e, SG_IO, &inquiry.h), 0);
  EXPECT_EQ(inquiry.h.status, 0);
  EXPECT_EQ(inquiry.h.resid, 60);
  EXPECT_EQ(*std::max_element(inquiry.data.begin() + 36, inquiry.data.end()), 0);
  EXPECT_EQ(inquiry.data[8], 'K');
}

TEST_F(SgPreload,
       CommandOutlivingItsTimeOutFailsWithTheHostTimeOutAndLaterCommandsGetTheirOwnReply) {
  int f = machine.Open("f::");
  ASSERT_GE(f, 0);
  // Data-in never answered: no residual, no sense, the buffer zeroed.
  Request lost({0x3C, 2, 0, 0, 0, 0, 0, 0, 0x40, 0}, SG_DXFER_FROM_DEV, 0x40, 18, 300);
  ASSERT_EQ(machine.Ioctl(f, SG_IO, &lost.h), 0);
  EXPECT_EQ(std::vector<int>({lost.h.host_status, lost.h.status, lost.h.resid, lost.h.sb_len_wr,
                              *std::max_element(lost.data.begin(), lost.data.end())}),
            std::vector<int>({3, 0, 0, 0, 0}));
  // A whole download, then the programming command that runs for minutes.
  Request prepare({0x3B, 0x01, 0x30, 0, 0, 0, 0, 0, 0, 0}, SG_DXFER_TO_DEV, 0, 0, 5000);
  ASSERT_EQ(machine.Ioctl(f, SG_IO, &prepare.h), 0);
  ASSERT_EQ(prepare.h.status, 0);
  for (uint32_t block = 0; block < 5; ++block) {
    const uint32_t offset = block * 0x8000;
    const uint32_t length = block < 4 ? 0x8000 : 0x1010;
    Request part({0x3B, 0x01, 0xFF, uint8_t(offset >> 16), uint8_t(offset >> 8), uint8_t(offset),
                  uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length), 0},
                 SG_DXFER_TO_DEV, length, 0, 5000);
    if (block == 4) std::memcpy(&part.data[0x1000], "WIN2", 4);
    ASSERT_EQ(machine.Ioctl(f, SG_IO, &part.h), 0);
    ASSERT_EQ(part.h.status, 0) << "block " << block;
  }
  Request program({0x3B, 0x01, 0x42, 0, 0, 0, 0, 0, 0, 0}, SG_DXFER_TO_DEV, 0, 18, 300);
  ASSERT_EQ(machine.Ioctl(f, SG_IO, &program.h), 0);  // the call itself succeeds
  EXPECT_EQ(program.h.status, 0);
  EXPECT_EQ(program.h.host_status, 0x03);  // DID_TIME_OUT
  EXPECT_EQ(program.h.sb_len_wr, 0);
  EXPECT_NE(program.h.info & SG_INFO_CHECK, 0u);

  Request ready({0x00, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0, 18);
  ASSERT_EQ(machine.Ioctl(f, SG_IO, &ready.h), 0);
  EXPECT_EQ(ready.h.host_status, 0);
  EXPECT_EQ(ready.h.status, 0x02);  // still programming: 02/04/07
  ASSERT_EQ(ready.h.sb_len_wr, 18);
  EXPECT_EQ(ready.sense[12], 0x04);
  EXPECT_EQ(ready.sense[13], 0x07);
  close(f);
}

TEST_F(SgPreload, TheKernelsSizeLimitAndCommandFilterHold) {
  Request big({0x12, 0, 0, 0, 0x60, 0}, SG_DXFER_FROM_DEV, (1u << 20) + 1, 18);
  EXPECT_EQ(machine.Ioctl(e, SG_IO, &big.h), -1);
  EXPECT_EQ(errno, EINVAL);
  big.h.dxfer_len = 1u << 20;
  EXPECT_EQ(machine.Ioctl(e, SG_IO, &big.h), 0);
  // Without CAP_SYS_RAWIO. The filter counts A3h (SEND KEY) as read-safe.
  const std::vector<uint8_t> write = {0x3B, 1, 0xFF, 0, 0, 0, 0, 0, 0, 0},
                             lock = {0x1E, 0, 0, 0, 0, 0};
  const struct {
    const char* file;
    int flags;
    std::vector<uint8_t> cdb;
    int error;
  } rows[] = {{"e::", O_RDWR, write, EPERM},
              {"e::", O_RDONLY, {0x3C, 3, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
              {"e::", O_RDONLY, {0xA3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x3F, 0}, 0},
              {"e::", O_RDONLY, lock, EPERM},
              {"e::", O_RDWR, lock, 0},
              {"sg1", O_RDWR, write, 0},
              {"sg1", O_RDONLY, write, EPERM}};
  for (const auto& row : rows) {
    const int fd = machine.Open(row.file, row.flags);
    Request r(row.cdb, SG_DXFER_NONE, 0, 18);
    const size_t traced = machine.Trace().size();
    ASSERT_TRUE(SetRawIo(false));
    const int result = machine.Ioctl(fd, SG_IO, &r.h), error = errno;
    ASSERT_TRUE(SetRawIo(true));
    close(fd);
    EXPECT_EQ(result == 0 ? 0 : error, row.error) << row.file << " " << int(row.cdb[0]);
    EXPECT_EQ(machine.Trace().size() > traced, row.error == 0);  // whether the drive saw it
  }
}

TEST_F(SgPreload, UnmappedFilesAndOtherRequestsReachTheKernelAndAMissingServerIsAnError) {
  int plain = machine.Open("plain");
  ASSERT_GE(plain, 0);
  struct stat st;
  ASSERT_EQ(machine.Fstat(plain, &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  Request inquiry({0x12, 0, 0, 0, 0x60, 0}, SG_DXFER_FROM_DEV, 96, 18);
  errno = 0;
  EXPECT_EQ(machine.Ioctl(plain, SG_IO, &inquiry.h), -1);
  EXPECT_EQ(errno, ENOTTY);
  EXPECT_EQ(inquiry.data[0], 0xA5);
  close(plain);

  // A CD-ROM request the library does not answer goes to the plain file.
  errno = 0;
  EXPECT_EQ(machine.Ioctl(e, 0x5326 /* CDROM_DRIVE_STATUS */, &st), -1);
  EXPECT_EQ(errno, ENOTTY);

  int g = machine.Open("g::");
  ASSERT_GE(g, 0);
  errno = 0;
  EXPECT_EQ(machine.Ioctl(g, SG_IO, &inquiry.h), -1);
  EXPECT_EQ(errno, ENXIO);
  close(g);
}

}  // namespace
}  // namespace kestrel::sim
