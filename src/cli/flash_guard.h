// While the flash is written (from the preparing WRITE BUFFER to the end of
// the read-back) the tool must not end half way: a drive left with half a
// flash does not start again. SIGINT, SIGTERM, SIGHUP and SIGQUIT are caught
// for that time; the first says that the update will finish, and the tool
// then ends after the read-back with its usual result.
#pragma once
#include <csignal>

namespace kestrel::cli {

constexpr const char* kFlashInProgress =
    "\nkestrel: the flash is being written and the update will finish; kestrel ends after the "
    "read-back. Do not switch the machine off.\n";

class FlashGuard {
 public:
  FlashGuard();
  ~FlashGuard();
  FlashGuard(const FlashGuard&) = delete;
  FlashGuard& operator=(const FlashGuard&) = delete;
  // How many of the signals came while the guard held.
  static int SignalsSeen();

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  struct sigaction previous_[4];
};

}  // namespace kestrel::cli
