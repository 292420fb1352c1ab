// The device nodes of optical drives: srN (the SCSI CD-ROM driver), then sgN
// (SCSI generic) nodes that are not the same device as a listed srN. Only
// nodes whose SCSI device type in sysfs is 5 (CD/DVD) are listed, read before
// anything is opened, so a disk is never opened.
#pragma once
#include <string>
#include <vector>

namespace kestrel::linux_sg {

// Paths under `devDir` in number order. `sysDir` is where sysfs is mounted
// ("/sys"); it tells each node's device type and which sgN and srN nodes are
// one device. An srN whose type cannot be read is kept (the driver takes
// only CD/DVD devices); an sgN is not.
std::vector<std::string> OpticalDeviceNodes(const std::string& devDir, const std::string& sysDir);

// The name of the group that owns a device node, or empty.
std::string NodeGroup(const std::string& node);
// Who may open `nodes`, from the groups that own them: "members of group
// cdrom (or disk) usually may"; "usually cdrom" when no group is known.
std::string GroupHint(const std::vector<std::string>& nodes);

}  // namespace kestrel::linux_sg
