// Which device nodes `kestrel list` tries: srN in number order, then the sgN
// nodes that are not one of those drives again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "linux/device_scan.h"

namespace kestrel::linux_sg {
namespace {

namespace fs = std::filesystem;

TEST(OpticalDeviceNodes, SrInNumberOrderThenSgNotSeenAsSr) {
  const fs::path root = fs::temp_directory_path() / ("kestrel-scan-" + std::to_string(::getpid()));
  fs::remove_all(root);
  const fs::path dev = root / "dev", sys = root / "sys";
  fs::create_directories(dev);
  for (const char* name : {"sr10", "sr2", "sr0", "sg1", "sg0", "srx", "sg", "sda", "sr01x"}) {
    std::ofstream(dev / name) << "";
  }
  // sg0 is the same SCSI device as sr2.
  fs::create_directories(sys / "devices/0:0:0:0");
  fs::create_directories(sys / "devices/1:0:0:0");
  fs::create_directories(sys / "block/sr2");
  fs::create_directories(sys / "class/scsi_generic/sg0");
  fs::create_directories(sys / "class/scsi_generic/sg1");
  fs::create_directory_symlink(sys / "devices/0:0:0:0", sys / "block/sr2/device");
  fs::create_directory_symlink(sys / "devices/0:0:0:0", sys / "class/scsi_generic/sg0/device");
  fs::create_directory_symlink(sys / "devices/1:0:0:0", sys / "class/scsi_generic/sg1/device");

  const std::string d = dev.string();
  EXPECT_EQ(OpticalDeviceNodes(d, sys.string()),
            (std::vector<std::string>{d + "/sr0", d + "/sr2", d + "/sr10", d + "/sg1"}));
  // Without sysfs nothing is known to be the same: every node is tried.
  EXPECT_EQ(OpticalDeviceNodes(d, (root / "none").string()).size(), 5u);
  EXPECT_TRUE(OpticalDeviceNodes((root / "missing").string(), sys.string()).empty());
  fs::remove_all(root);
}

}  // namespace
}  // namespace kestrel::linux_sg
