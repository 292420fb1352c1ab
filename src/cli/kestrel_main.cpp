// kestrel: the firmware, region and speed operations of the Kestrel drive
// utilities on Linux, over SG_IO. `kestrel --help` lists the commands.
#include <cstdlib>
#include <memory>

#include "cli/kestrel_app.h"
#include "cli/sg_host.h"
#include "transport/sg/sg_port.h"

int main(int argc, char** argv) {
  kestrel::cli::StdTerminal terminal;
  kestrel::linux_sg::LinuxSgPort port;
  kestrel::cli::Environment environment{
      terminal, [&port](std::string&) {
        // KESTREL_DEV_DIR: where `list` looks instead of /dev, KESTREL_SYS_DIR
        // instead of /sys; KESTREL_LOCK_DIR: the lock files' folder.
        const char* dir = std::getenv("KESTREL_DEV_DIR");
        const char* sys = std::getenv("KESTREL_SYS_DIR");
        const char* locks = std::getenv("KESTREL_LOCK_DIR");
        return std::make_unique<kestrel::cli::SgHost>(
            port, dir && *dir ? dir : "/dev", sys && *sys ? sys : "/sys",
            locks && *locks ? locks : kestrel::cli::kDefaultLockDir);
      }};
  return kestrel::cli::RunKestrel(std::vector<std::string>(argv, argv + argc), environment);
}
