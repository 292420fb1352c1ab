// What one command runs with, and how it ends: exit status 0 success, 1 the
// drive or the file refused and nothing was written, 2 usage or access
// errors, 3 the drive was written but the update did not verify (it needs
// attention before it is switched off). A command fills its
// result; the tool prints it as text, or with --json as one JSON object that
// always has "ok" and, when something failed, "error".
#pragma once
#include <errno.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/drive_host.h"
#include "cli/prompter.h"
#include "cli/terminal.h"

namespace kestrel::cli {

enum ExitStatus : int { kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitUnverified = 3 };

struct Session {
  Session(Terminal& t, DriveHost& h, Prompter& p, bool j)
      : terminal(t), host(h), prompter(p), json(j) {}
  Terminal& terminal;
  DriveHost& host;
  Prompter& prompter;
  bool json = false;
  bool quiet = false;    // -q: only errors are printed
  bool verbose = false;  // -v: every command block is shown on stderr
  nlohmann::json result = nlohmann::json::object();
  std::string text;  // the result as text, for stdout without --json

  // Records a failure for stderr and the JSON result; returns `status`.
  int Fail(int status, const std::string& message) {
    error = message;
    return status;
  }
  std::string error;

  // Takes the drive for a command that changes it: kExitOk, or the status of
  // the refusal (a busy drive is refused, exit 1).
  int Reserve(const std::string& device) {
    std::string why;
    const int cause = host.Reserve(device, why);
    if (cause == 0) return kExitOk;
    return Fail(cause == EBUSY ? kExitRefused : kExitUsage, why);
  }
};

}  // namespace kestrel::cli
