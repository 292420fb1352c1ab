// The device nodes that may be optical drives: srN (the SCSI CD-ROM driver),
// then sgN (SCSI generic) nodes that are not the same device as a listed srN.
#pragma once
#include <string>
#include <vector>

namespace kestrel::linux_sg {

// Paths under `devDir` in number order. `sysDir` is where sysfs is mounted
// ("/sys"); it tells which sgN and srN nodes are one device.
std::vector<std::string> OpticalDeviceNodes(const std::string& devDir, const std::string& sysDir);

}  // namespace kestrel::linux_sg
