// The kestrel command line: options, subcommands, and how a run ends.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/drive_host.h"
#include "cli/terminal.h"

namespace kestrel::cli {

struct Environment {
  Terminal& terminal;
  // The system's drives (SG_IO); null with `why` set when they cannot be had.
  std::function<std::unique_ptr<DriveHost>(std::string& why)> systemHost;
  // Called with the host after the command, before it is let go (tests look
  // at the simulated drive's trace).
  std::function<void(DriveHost&)> afterCommand;
};

// args[0] is the program name. Returns the exit status.
int RunKestrel(const std::vector<std::string>& args, Environment& environment);

}  // namespace kestrel::cli
