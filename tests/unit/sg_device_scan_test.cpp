// Which device nodes `kestrel list` tries: srN in number order, then the sgN
// nodes that are not one of those drives again, only CD/DVD devices by their
// sysfs type; and what it says, once, about the nodes it could not open.
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/kestrel_app.h"
#include "cli/sg_host.h"
#include "linux/device_scan.h"

namespace kestrel::linux_sg {
namespace {

namespace fs = std::filesystem;

// A /dev and a /sys: sr0, sr2 (the same device as sg0), sr10, sg1 are CD/DVD
// drives; sg3 is a disk and sr4 says it is one; some names are no nodes.
class DeviceTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kestrel-scan-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    dev_ = root_ / "dev", sys_ = root_ / "sys";
    fs::create_directories(dev_);
    for (const char* name :
         {"sr10", "sr2", "sr0", "sr4", "sg1", "sg0", "sg3", "srx", "sg", "sda", "sr01x"}) {
      std::ofstream(dev_ / name) << "";
    }
    Device("0:0:0:0", 5, {"block/sr2", "class/scsi_generic/sg0"});
    Device("1:0:0:0", 5, {"class/scsi_generic/sg1"});
    Device("2:0:0:0", 0, {"class/scsi_generic/sg3"});
    Device("3:0:0:0", 0, {"block/sr4"});
    Device("4:0:0:0", 5, {"block/sr0"});
  }
  void TearDown() override { fs::remove_all(root_); }
  void Device(const std::string& address, int type, std::vector<std::string> entries) {
    const fs::path device = sys_ / "devices" / address;
    fs::create_directories(device);
    std::ofstream(device / "type") << type << "\n";
    for (const std::string& entry : entries) {
      fs::create_directories(sys_ / entry);
      fs::create_directory_symlink(device, sys_ / entry / "device");
    }
  }
  std::string Dev(const std::string& name) const { return (dev_ / name).string(); }
  fs::path root_, dev_, sys_;
};

TEST_F(DeviceTree, OnlyCdDvdNodesSrFirstAndEachDeviceOnce) {
  EXPECT_EQ(OpticalDeviceNodes(dev_.string(), sys_.string()),
            (std::vector<std::string>{Dev("sr0"), Dev("sr2"), Dev("sr10"), Dev("sg1")}));
  // Without sysfs an sr node is still a CD/DVD drive; an sg node may be
  // anything and is not tried.
  EXPECT_EQ(OpticalDeviceNodes(dev_.string(), (root_ / "none").string()),
            (std::vector<std::string>{Dev("sr0"), Dev("sr2"), Dev("sr4"), Dev("sr10")}));
  EXPECT_TRUE(OpticalDeviceNodes((root_ / "missing").string(), sys_.string()).empty());
}

// Opens are refused as for a user outside the nodes' groups.
class RefusingPort final : public SgPort {
 public:
  int Open(const std::string& path, bool, int& error) override {
    // A refused read/write open is tried again read-only.
    if (opened.empty() || opened.back() != path) opened.push_back(path);
    error = EACCES;
    return -1;
  }
  int Io(int, sg_io_hdr_t&) override { return EIO; }
  void Close(int) override {}
  bool HasRawIo() override { return false; }
  std::vector<std::string> opened;
};

class Terminal final : public cli::Terminal {
 public:
  std::ostream& Out() override { return out; }
  std::ostream& Err() override { return err; }
  bool Interactive() const override { return false; }
  std::optional<std::string> ReadLine() override { return std::nullopt; }
  std::ostringstream out, err;
};

TEST_F(DeviceTree, ListSaysOnceWhichNodesCouldNotBeOpenedAndWhoMay) {
  // The group that owns the nodes, as on a Debian system.
  const group* cdrom = ::getgrnam("cdrom");
  if (cdrom == nullptr) GTEST_SKIP() << "no group cdrom";
  for (const char* name : {"sr0", "sr2", "sr10", "sg1"}) {
    ASSERT_EQ(::chown(Dev(name).c_str(), static_cast<uid_t>(-1), cdrom->gr_gid), 0);
  }
  RefusingPort port;
  Terminal terminal;
  cli::Environment environment{terminal, [&](std::string&) -> std::unique_ptr<cli::DriveHost> {
    return std::make_unique<cli::SgHost>(port, dev_.string(), sys_.string(),
                                         (root_ / "lock").string());
  }};
  EXPECT_EQ(cli::RunKestrel({"kestrel", "list"}, environment), 0);
  // The disks were never opened.
  EXPECT_EQ(port.opened, (std::vector<std::string>{Dev("sr0"), Dev("sr2"), Dev("sr10"), Dev("sg1")}));
  EXPECT_EQ(terminal.err.str(), "kestrel: 4 devices could not be opened (" + Dev("sr0") + ", " +
                                    Dev("sr2") + ", " + Dev("sr10") + ", " + Dev("sg1") +
                                    "): permission denied; members of group cdrom usually may\n");
  EXPECT_EQ(terminal.out.str(), "no optical drive found\n");
}

}  // namespace
}  // namespace kestrel::linux_sg
